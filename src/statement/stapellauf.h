// A headless run, as the command line and the benchmark start it: the same
// start handler as the dialog's start button, with the inputs taken from a
// plain parameter object and questions answered from it.
#pragma once

#include "core/fehler.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace hmz {

class Drucker;
struct ObjektZustand;

struct DruckAuftrag {
    QString datenbank;
    QString vonObjNr, bisObjNr;          // as typed
    QString abrVon, abrBis;              // "MM.JJ" or "MM.JJJJ"
    QString pdfDatei;                    // either a PDF file ...
    QString druckerName;                 // ... or a printer ...
    QString pdfOrdner;                   // ... or one PDF per property in this folder
    // Only the figures: nothing is printed and nothing is written to the
    // database (no year results, no setting, no index, no password).
    bool nurRechnen = false;
    // Prints as usual but stores no year results and no setting (--no-store).
    bool ohneSpeichern = false;
    std::optional<bool> eurAts;          // unset: the stored setting decides
    bool beiDifferenzWeiter = false;     // answer to the balance question
    bool fortschritt = true;             // progress lines on stdout
    bool fortschrittZeile = false;       // ... as one line rewritten in place (a terminal)
    // Holds a signal number once SIGINT or SIGTERM arrived: the run cancels at
    // its next event point as after a confirmed cancel, and the status is 128 + it.
    const std::atomic<int>* abbruchSignal = nullptr;
    // Sees each property's figures as its completed statement printed them.
    std::function<void(const QString& objNrText, const ObjektZustand&)> objektErgebnis;
    // Wraps or replaces the printer the run prints on (the benchmark times
    // the real one through it and records a run's display list).
    std::function<std::unique_ptr<Drucker>(std::unique_ptr<Drucker>)> druckerHuelle;
    // Sees every progress caption of the run (lblLatsch), e.g. to time its steps.
    std::function<void(const QString&)> fortschrittBeobachter;
};

// Returns the exit status of "hmzres print": 2 for a PDF file that is the
// database itself (before anything is touched), 128 + the signal after a
// cancel by abbruchSignal.
int druckAuftragAusfuehren(const DruckAuftrag& auftrag);

// A file the client key does not open, said as such; empty for any other failure.
QString fremdeDateiHinweis(const Fehler& e, const QString& datei);

// Why a server database holding no client cannot be used, and what to do; empty otherwise.
QString keinMandantHinweis(const QString& datenbank);

}  // namespace hmz
