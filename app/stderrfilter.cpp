#include "stderrfilter.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr std::size_t MaxLineLength = 2000;
constexpr std::size_t MaxDistinctLines = 200;  // bounds the memory; later new lines are only counted

void schreibe(int fd, const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const ssize_t n = ::write(fd, text.data() + i, text.size() - i);
        if (n <= 0) return;
        i += static_cast<std::size_t>(n);
    }
}

}  // namespace

StderrFilter::StderrFilter() {
    int rohr[2];
    std::fflush(stderr);
    if (::pipe(rohr) != 0) return;
    original_ = ::dup(STDERR_FILENO);
    if (original_ < 0 || ::dup2(rohr[1], STDERR_FILENO) < 0) {
        ::close(rohr[0]);
        ::close(rohr[1]);
        if (original_ >= 0) ::close(original_);
        original_ = -1;
        return;
    }
    ::close(rohr[1]);
    leser_ = std::thread([this, fd = rohr[0]] { lesen(fd); });
}

StderrFilter::~StderrFilter() {
    if (original_ < 0) return;
    std::fflush(stderr);
    ::dup2(original_, STDERR_FILENO);  // closes the pipe's last writing end: the reader sees its end
    leser_.join();
    if (ausgelassen_ > 0)
        schreibe(STDERR_FILENO, "hmzres: " + std::to_string(ausgelassen_) + " repeated lines of the messages above left out\n");
    ::close(original_);
}

void StderrFilter::lesen(int fd) {
    std::string zeile;
    const auto fertig = [&] {
        if (gesehen_.size() >= MaxDistinctLines && !gesehen_.count(zeile)) {
            ++ausgelassen_;
        } else if (gesehen_[zeile]++ == 0) {
            schreibe(original_, zeile + '\n');
        } else {
            ++ausgelassen_;
        }
        zeile.clear();
    };
    char puffer[4096];
    ssize_t n;
    while ((n = ::read(fd, puffer, sizeof puffer)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (puffer[i] == '\n')
                fertig();
            else if (zeile.size() < MaxLineLength)
                zeile += puffer[i];
        }
    }
    if (!zeile.empty()) fertig();
    ::close(fd);
}
