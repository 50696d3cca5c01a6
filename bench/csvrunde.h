// The bookings of the benchmark client through CSV: exported, imported into
// a fresh client on the same store, and compared with the bulk writer.
#pragma once

#include <QString>

namespace hmz::bench {

// Prints its figures as "name: value" lines; returns an exit status.
int csvRunde(const QString& quelle);

}  // namespace hmz::bench
