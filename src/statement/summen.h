// The closing lines of a statement: income, expenditure, the year's reserve
// result (which also sets HmzReserve), the maintenance-contribution total and
// the reserve including it. Each is a bold label at 110 mm with its amount
// right-aligned at 183 mm, and with euro/schilling display on a converted
// amount on the next line.
#pragma once

#include "core/currency.h"

#include <QString>

namespace hmz {

void SummeEinnahmenDrucken();  // once per property, only after the income heading
void SummeAusgabenDrucken();
void HmzReserveDrucken();
void SummeEhbDrucken();
void HmzReserveMitEhbDrucken();

// "Hauptmietzinsreserve-Zuwachs:", "Hauptmietzinsreserve:" or
// "Hauptmietzinsreserve-Abgang:" by the sign of the reserve.
QString reserveBezeichnung(Currency reserve);

}  // namespace hmz
