#include "abbruchsignal.h"

#include <csignal>

namespace {

std::atomic<int> signalNummer{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void abfangen(int nr) { signalNummer.store(nr); }

}  // namespace

const std::atomic<int>& abbruchSignaleAbfangen() {
    struct sigaction sa {};
    sa.sa_handler = abfangen;
    sigemptyset(&sa.sa_mask);
    // The handler is used once; the next signal takes the default action.
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    return signalNummer;
}
