// The general error routine and the "report and go on" step runner that all
// trapping operations share.
#pragma once

#include "core/fehler.h"

#include <QString>
#include <functional>
#include <initializer_list>

namespace hmz {

// Hands the error and the current error source (FehlerQuelle) to the error
// display component; falls back to a message box when it cannot be used.
// Never throws.
void FehlerMelden(const Fehler& fehler);

// How many errors FehlerMelden has been given in this process (the command
// line turns a run with reported errors into a failure status).
long gemeldeteFehler();

// Where the error being reported arose ("kmoHauptMzRes, in cmdOK_Click");
// a report that reached the error display clears it.
QString& FehlerQuelle();

// Turns any exception into the component's error type (unknown ones get 5,
// "Invalid procedure call", with their text).
Fehler alsFehler(std::exception_ptr e);

// Runs the steps of an operation in order. A step that fails sets the error
// source to `quelle`, is reported through FehlerMelden, and the next step
// runs. Returns false if any step failed.
bool schritteMitMeldung(const QString& quelle, std::initializer_list<std::function<void()>> schritte);

// One step with report-and-go-on; returns false if it failed. A lost
// database server is thrown on instead: the run ends and reports it once.
bool mitMeldung(const QString& quelle, const std::function<void()>& schritt);

}  // namespace hmz
