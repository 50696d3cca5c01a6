// One property's statement: two position passes (1-49, then 50), the closing
// totals, the year result stored in ObjHmzResJahresSummen, and the ten-year
// summary on a page of its own. Works on formular(): OO_Data's recordset
// stands on the property; the run has set up the printer.
#pragma once

#include "core/currency.h"
#include "statement/mehrjahr.h"
#include "store/zeilenrecordset.h"

#include <QHash>
#include <functional>
#include <optional>
#include <vector>

namespace hmz {

class LaufAnsicht;

// Statement state of the current property; reset at the start of every property.
struct ObjektZustand {
    Currency SummeEinnahmen, SummeAusgaben, SummeEHB, HmzReserve;
    Currency SummeHmzOhneEHB, SummeVereinnEHB;
    Currency SonderBetrag;
    bool ObjektGezaehlt = false;
    bool HmzKontenGefunden = false;
    bool EhbKontenGefunden = false;
    bool EhbDurchlauf = false;
    bool EinnahmenBegonnen = false;
    bool EinnahmenSummeGedruckt = false;
    bool AusgabenBegonnen = false;
    bool EhbBegonnen = false;
    int PosVon = 0, PosBis = 0;
    std::vector<JahresZeile> Jahre;  // the ten-year rows printed, oldest first
    long FehlerBeiBeginn = 0;  // errors reported before this property's statement
    // The property's bookings by account, read once each when first needed.
    std::optional<QHash<QString, db::Zeilen>> Einzelbuchungen, Monatssummen;
};

ObjektZustand& objekt();

// Called by the run driver once per property.
void ObjektDrucken();

// Prints every account of KK_Data's recordset (the current pass) and the
// totals that close the pass; counts the property on its first pass.
void PositionenDrucken();

// The account query of the pass PosVon..PosBis into KK_Data, with each
// account's balance for this property and period. Returns false when the
// query failed (reported); KK_Data then holds no result.
bool ObjHmzresPosSelect();

// The year rows of this property's ten-year table into OZ_Data. Returns
// false when the query failed (reported).
bool ObjOzSelect();

// Lets pending events through at the loop points of the statement (accounts,
// bookings, year rows); set by the run driver.
void setzeEreignisPunkt(void (*punkt)());
void Ereignispunkt();

// Statements that store nothing: the year result is not written, and the
// ten-year table shows the statement's own result as its last row, as if it
// had been stored (the export computes with this). Off by default. The same
// holds for a trial run, and for any period that is not the whole calendar
// year: only January to December stores the year's result.
void setzeNurRechnen(bool an);
bool istNurRechnen();
void setzeProbelauf(bool an);

// The closing line of a run whose statements stored no year results, with
// the reason; empty when they store them, or when the run only computes.
QString ohneSpeichernHinweis();
// Year rows stored since the program started; a run takes the difference.
long gespeicherteJahresergebnisse();

// Sees every property whose statement was completed, with its figures as
// printed; none by default.
void setzeObjektBeobachter(std::function<void(const ObjektZustand&)> beobachter);

// Where the statement shows its progress (lblLatsch, lblObjAnz); set by the
// run driver, none by default.
void setzeLaufAnsicht(LaufAnsicht* ansicht);

}  // namespace hmz
