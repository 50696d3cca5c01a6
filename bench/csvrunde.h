// The bookings of the benchmark client through CSV: exported, imported into
// a fresh client on the same store (a file, or a schema of its own on the
// source's server), and compared with the bulk writer, taking turns for
// `runden` rounds (the figures are their medians).
#pragma once

#include <QString>

namespace hmz::bench {

// Prints its figures as "name: value" lines; returns an exit status.
int csvRunde(const QString& quelle, int runden = 3);

}  // namespace hmz::bench
