// A headless run, as the command line and the benchmark start it: the same
// start handler as the dialog's start button, with the inputs taken from a
// plain parameter object and questions answered from it.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace hmz {

class Drucker;

struct DruckAuftrag {
    QString datenbank;
    QString vonObjNr, bisObjNr;          // as typed
    QString abrVon, abrBis;              // "MM.JJ" or "MM.JJJJ"
    QString pdfDatei;                    // either a PDF file ...
    QString druckerName;                 // ... or a printer
    std::optional<bool> eurAts;          // unset: the stored setting decides
    bool beiDifferenzWeiter = false;     // answer to the balance question
    bool fortschritt = true;             // progress lines on stdout
    // Wraps or replaces the printer the run prints on (the benchmark times
    // the real one through it and records a run's display list).
    std::function<std::unique_ptr<Drucker>(std::unique_ptr<Drucker>)> druckerHuelle;
    // Sees every progress caption of the run (lblLatsch), e.g. to time its steps.
    std::function<void(const QString&)> fortschrittBeobachter;
};

// Returns the exit status of "hmzres print" (2 for a PDF file that is the
// database itself, before anything is touched).
int druckAuftragAusfuehren(const DruckAuftrag& auftrag);

}  // namespace hmz
