// One property's statement: two position passes (1-49, then 50), the closing
// totals, the year result stored in ObjHmzResJahresSummen, and the ten-year
// summary on a page of its own. Works on formular(): OO_Data's recordset
// stands on the property; the run has set up the printer.
#pragma once

#include "core/currency.h"

namespace hmz {

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
    long JahrVon = 0;
};

ObjektZustand& objekt();

// Called by the run driver once per property.
void ObjektDrucken();

// Lets pending events through at the loop points of the statement (accounts,
// bookings, year rows); set by the run driver.
void setzeEreignisPunkt(void (*punkt)());
void Ereignispunkt();

}  // namespace hmz
