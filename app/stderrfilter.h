// Passes what is written to stderr on to the real stderr, each distinct line
// once: a damaged Access file can make libmdb repeat one warning millions of
// times. Lines are counted in a thread that reads a pipe put in place of fd 2.
#pragma once

#include <string>
#include <thread>
#include <unordered_map>

class StderrFilter {
public:
    StderrFilter();
    // Puts the real stderr back and says how many repeated lines were left out.
    ~StderrFilter();
    StderrFilter(const StderrFilter&) = delete;
    StderrFilter& operator=(const StderrFilter&) = delete;

    // The real stderr, for a signal handler's last words.
    int originalFd() const { return original_; }

private:
    void lesen(int fd);

    int original_ = -1;
    std::thread leser_;
    std::unordered_map<std::string, long> gesehen_;
    long ausgelassen_ = 0;
};
