#include "abbruchsignal.h"

#include "store/ladung.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

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

namespace {

std::atomic<int> ladungSignal{0};
std::atomic<bool> ladungAbgebrochen{false};
const char* ladungMeldung = "";
volatile std::sig_atomic_t ladungFd = STDERR_FILENO;
struct sigaction altInt {}, altTerm {}, altAlarm {};

void sofortEnde() {
    if (!hmz::db::unfertigeDateiVerwerfen()) return;
    (void)!::write(ladungFd, ladungMeldung, std::strlen(ladungMeldung));
    ::_exit(128 + ladungSignal.load());
}

extern "C" void beimAlarm(int) { sofortEnde(); }

extern "C" void beimLadungsSignal(int nr) {
    int frei = 0;
    ladungSignal.compare_exchange_strong(frei, nr);
    if (ladungAbgebrochen.exchange(true)) sofortEnde();
    const itimerval halbeSekunde{{0, 0}, {0, 500000}};
    ::setitimer(ITIMER_REAL, &halbeSekunde, nullptr);
}

}  // namespace

LadungsAbbruch::LadungsAbbruch(const char* meldung, int fd) {
    ladungMeldung = meldung;
    // Its own copy: stderr may be redirected meanwhile (a filter of library warnings).
    ladungFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ladungSignal.store(0);
    ladungAbgebrochen.store(false);
    struct sigaction sa {};
    sa.sa_handler = beimLadungsSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &altInt);
    sigaction(SIGTERM, &sa, &altTerm);
    sa.sa_handler = beimAlarm;
    sigaction(SIGALRM, &sa, &altAlarm);
}

LadungsAbbruch::~LadungsAbbruch() {
    const itimerval aus{};
    ::setitimer(ITIMER_REAL, &aus, nullptr);
    sigaction(SIGINT, &altInt, nullptr);
    sigaction(SIGTERM, &altTerm, nullptr);
    sigaction(SIGALRM, &altAlarm, nullptr);
    if (ladungFd >= 0) ::close(ladungFd);
    ladungFd = STDERR_FILENO;
}

const std::atomic<int>& LadungsAbbruch::signal() const { return ladungSignal; }
const std::atomic<bool>& LadungsAbbruch::abgebrochen() const { return ladungAbgebrochen; }

int LadungsAbbruch::melden() const {
    (void)!::write(ladungFd, ladungMeldung, std::strlen(ladungMeldung));
    return 128 + ladungSignal.load();
}
