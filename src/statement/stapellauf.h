// A headless run, as the command line and the benchmark start it: the same
// start handler as the dialog's start button, with the inputs taken from a
// plain parameter object and questions answered from it.
#pragma once

#include <QString>
#include <optional>

namespace hmz {

struct DruckAuftrag {
    QString datenbank;
    QString vonObjNr, bisObjNr;          // as typed
    QString abrVon, abrBis;              // "MM.JJ" or "MM.JJJJ"
    QString pdfDatei;                    // either a PDF file ...
    QString druckerName;                 // ... or a printer
    std::optional<bool> eurAts;          // unset: the stored setting decides
    bool beiDifferenzWeiter = false;     // answer to the balance question
    bool fortschritt = true;             // progress lines on stdout
};

// Returns the exit status of "hmzres print".
int druckAuftragAusfuehren(const DruckAuftrag& auftrag);

}  // namespace hmz
