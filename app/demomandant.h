// The demo client: a small Viennese property manager with eight properties
// and a balanced booking year 2003, so that "hmzres demo" can show every kind
// of statement line without a real client database.
#pragma once

#include <QString>

namespace hmz {

inline constexpr int DemoJahr = 2003;

// Creates the encrypted demo client database at `pfad` (replacing a file
// there). Always the same content.
void demoMandantAnlegen(const QString& pfad);

}  // namespace hmz
