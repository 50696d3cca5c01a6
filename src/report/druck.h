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

// Millimetres, Arial 9 pt, origin 10 mm right of the printable area and one
// line height plus 1 mm below its top; sets ZeilenHoehe. Also lets output
// reach the printer again after a discarded job.
void DruckerEinrichten();
// The print state at the start of a run: nothing stopped, no page begun,
// DruckerEinrichten, Einzug 0, SeitenNr 0, SeitenEndeY 260.
void DruckStart();
void DruckPosNull();
// Sets CurrentX = x and prints; a non-empty mode ("GL") keeps the line open.
void DruckText(const QString& text, double x = 0, const QString& modus = {});
// Right alignment: TextBreite = width of text, printed so that it ends at `rechts`.
void DruckTextRechts(const QString& text, double rechts, const QString& modus = {});
// One line at Einzug after a page-break check; nothing once DruckGestoppt.
void DruckZeile(const QString& text);
// A new page with its header when CurrentY is below SeitenEndeY (260.0 still
// fits); the job's first page is started without NewPage.
void SeitenwechselPruefen();
// n empty lines; nothing while the dialog is not loaded.
void LeerZeilen(int n);
// Cuts text (trailing blanks first) until its width, rounded to whole mm,
// fits maxBreite; stops at one character. DruckString = the result.
void TextKuerzen(QString& text, double maxBreite);
void FettEin();
void FettAus();
void UnterstreichenAus();
void DruckEnde();

}  // namespace hmz
