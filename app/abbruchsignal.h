// SIGINT and SIGTERM during a run: the first one only records its number,
// and the run cancels at its next event point as after a confirmed cancel
// (job discarded, nothing half written). A second one ends the process at once.
#pragma once

#include <atomic>

// Installs the handlers; returns the flag the run watches (0 until a signal came).
const std::atomic<int>& abbruchSignaleAbfangen();

// Writing a whole client (copy, import-mdb): the first signal asks the work
// to stop between rows. Should it not have ended half a second later (busy
// inside a library, waiting for a server's lock), or at a second signal, the
// process ends at once with the message and without the unfinished file;
// once the load commits, it is let finish. The handlers before are restored.
class LadungsAbbruch {
public:
    // meldung: one line with its '\n', a literal (a signal handler writes it to fd, as it is now).
    LadungsAbbruch(const char* meldung, int fd);
    ~LadungsAbbruch();
    LadungsAbbruch(const LadungsAbbruch&) = delete;
    LadungsAbbruch& operator=(const LadungsAbbruch&) = delete;

    const std::atomic<int>& signal() const;       // its number, 0 until one came
    const std::atomic<bool>& abgebrochen() const;  // the same as a flag
    // Writes the message; the status for the command: 128 + the signal.
    int melden() const;
};
