// The run: the start button's handler and the cancel handler, widget-free,
// so that the dialog and the command line run exactly the same steps.
#pragma once

#include "statement/laufansicht.h"

#include <QDate>

namespace hmz {

enum class LaufErgebnis {
    Gedruckt,       // statements printed
    Abgelehnt,      // a start check refused the input
    SHAbbruch,      // stopped at the balance check
    KeineObjekte,   // the range holds no property to print
    Abgebrochen,    // the user cancelled
    Fehler,         // a database or printer failure
};

// The start handler (cmdOK). Reports its failures through the general error
// routine and returns to the idle look in every ending. A start while a run
// is still going (also while a cancelled one unwinds) is refused: Abgelehnt.
// A run in which a statement met a reported failure ends with Fehler.
LaufErgebnis LaufStarten(LaufAnsicht& ansicht);

// True from the start handler's entry to its return. Unlike
// VerarbeitungLaeuft it stays set after a confirmed cancel while the
// interrupted property still unwinds.
bool LaufAktiv();

// The cancel handler (cmdDruckenAbbrechen, Esc while running).
void LaufAbbrechen(LaufAnsicht& ansicht);

// The start checks: property range, then the period. On success the period
// (first and last day, year) is in formular() and the fields show the full
// dates; on failure the message is shown and the focus set.
bool StartPruefungen(LaufAnsicht& ansicht, long& von, long& bis);

// Checks of the two month fields; outcome in Abbruch and FehlerFeld.
void VonDatumPruefen(LaufAnsicht& ansicht);
void BisDatumPruefen(LaufAnsicht& ansicht);
// The validate event of a month field: cancel keeps the focus in the field.
void DatumFeldValidieren(LaufAnsicht& ansicht, Feld feld, bool& cancel);
QString& FehlerFeld();

QDate MonatsLetzter(QDate datum);

}  // namespace hmz
