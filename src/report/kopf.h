// The page header: client block, title with the property number, property
// address, period, print date, page number, and the framed column headings.
// Reads the client record (formular().MA_Data) and the property record
// (formular().OO_Data) and the run values of formular().
#pragma once

#include <QDate>

namespace hmz {

void Ueberschriften();
void MandantenKopf();
void SpaltenUeberschriften();
void LinieBetraege();  // 110 to 183 mm, before a total
void LinieMitte();     // 45 to 145 mm
void LinieGanz();      // 0 to 183 mm

// The date printed as "Datum:"; today unless a test fixes it.
QDate druckDatum();
void setzeDruckDatum(QDate d);  // invalid date: today again

}  // namespace hmz
