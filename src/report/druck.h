// Print primitives and page control: every statement line goes through
// these, in millimetres on the current printer (Printer()).
#pragma once

#include "core/currency.h"

#include <QString>

namespace hmz {

struct DruckZustand {
    QString DruckString;      // shared print text, saved around the page header
    double TextBreite = 0;    // last width measured for right alignment (mm)
    long SeitenEndeY = 260;   // page limit (mm)
    int ZeilenHoehe = 0;      // base font's line height, whole mm
    int SeitenNr = 0;         // page number within the current property
    long Einzug = 0;          // x of DruckZeile's next line
    int MonatsZeileY = 0;     // y (whole mm) where the last month line started
    bool KopfAktiv = false;   // page breaks suppressed
    bool SeiteBegonnen = false;
    bool DruckGestoppt = false;
};

DruckZustand& druck();

void DruckerEinrichten();
void DruckPosNull();
// Sets CurrentX = x and prints; a non-empty mode ("GL") keeps the line open.
void DruckText(const QString& text, double x = 0, const QString& modus = {});
// Right alignment: TextBreite = width of text, printed so that it ends at `rechts`.
void DruckTextRechts(const QString& text, double rechts, const QString& modus = {});
void DruckZeile(const QString& text);
void SeitenwechselPruefen();
void LeerZeilen(int n);
void TextKuerzen(QString& text, double maxBreite);
void FettEin();
void FettAus();
void UnterstreichenAus();
void DruckEnde();

}  // namespace hmz
