// Dual currency display: the amount converted between euro and schilling,
// as "(=EUR 1.000,00)" or "(=ATS 13.760,30)", with the client's rate.
#pragma once

#include "core/currency.h"

#include <QString>

namespace hmz {

namespace db { class Recordset; }

struct EuroAusweisZustand {
    int AusweisJahr = 0;
    QString EuroAusweisText;
    Currency EuroWert;
    Currency AtsWert;
};

EuroAusweisZustand& euroAusweis();

inline constexpr int EuroUmstellungsJahr = 2002;
inline constexpr double EuroKursFest = 13.7603;

// Builds euroAusweis().EuroAusweisText for Betrag; reads MandEurKurs and
// MandMonStatusDatum of the client record. Reports its own failures.
void EuroAusweis(db::Recordset& mandant, Currency betrag);

}  // namespace hmz
