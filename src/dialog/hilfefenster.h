// The window of the shipped HTML help.
#pragma once

#include <QUrl>

namespace hmz {

// Shows an HTML page (with its anchor) in the one help window, raised when it
// is open already; false for anything else, which the desktop shows.
bool hilfeFensterZeigen(const QUrl& ziel);

}  // namespace hmz
