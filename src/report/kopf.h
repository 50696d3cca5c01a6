// The page header: client block, title with the property number, property
// address, period, print date, page number, and the framed column headings.
// Reads the client record (formular().MA_Data) and the property record
// (formular().OO_Data) and the run values of formular().
#pragma once

#include <QDate>

namespace hmz {

namespace db { class Recordset; }

void Ueberschriften();
void MandantenKopf();
void SpaltenUeberschriften();
void LinieBetraege();  // 110 to 183 mm, before a total
void LinieMitte();     // 45 to 145 mm
void LinieGanz();      // 0 to 183 mm

// The date printed as "Datum:"; today unless a test fixes it.
QDate druckDatum();
void setzeDruckDatum(QDate d);  // invalid date: today again

// The records the header reads: the current rows of formular().MA_Data and
// formular().OO_Data unless others are put in (tests); nullptr: those again.
// Empty (Null) columns print as empty texts.
void setzeKopfDatensaetze(db::Recordset* mandant, db::Recordset* objekt);

}  // namespace hmz
