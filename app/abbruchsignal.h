// SIGINT and SIGTERM during a run: the first one only records its number,
// and the run cancels at its next event point as after a confirmed cancel
// (job discarded, nothing half written). A second one ends the process at once.
#pragma once

#include <atomic>

// Installs the handlers; returns the flag the run watches (0 until a signal came).
const std::atomic<int>& abbruchSignaleAbfangen();
