// The run dialog's two settings operations: setting 149 of AllgEinstellungen
// (show amounts in EUR and ATS) and the client record AllgMandDaten.
#pragma once

namespace hmz {

// Reads setting 149 into formular().EurAtsAusweisen, creating the row with
// value 1 when it is missing; returns the check box value (0 or 1). Errors are
// reported ("kmoHauptMzRes, in AESelect") and the flag keeps its value.
int AESelect();

// Re-reads the client record into MA_Data; errors are reported
// ("kmoHauptmzRes, in MandSelect").
void MandSelect();

// Stores the check box value in setting 149 (the run's step). Errors propagate.
void euroEinstellungSpeichern(int haken);

}  // namespace hmz
