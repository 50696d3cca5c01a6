// A whole client from one store into another: every table of the source,
// the client's own ones under their known definitions, in one load that the
// target shows complete or not at all (see ladung.h).
#pragma once

#include <QString>
#include <atomic>
#include <functional>

namespace hmz::db {

// Whether two names are one client: the same file under any path, or the
// same server database and schema under any spelling of the URI.
bool selberMandant(const QString& a, const QString& b);

struct Kopiert {
    long tabellen = 0, zeilen = 0;
};

// Thrown when the signal number in `abbruch` became non-zero: nothing was written.
struct KopieAbgebrochen {
    int signal;
};

// Throws Fehler (3204 when the target holds a client and !ersetzen).
// tabelleKopiert is told each table as its rows are queued.
Kopiert mandantKopieren(const QString& von, const QString& nach, const QString& passwort, bool ersetzen,
                        const std::function<void(const QString& tabelle)>& tabelleKopiert,
                        const std::atomic<int>* abbruch);

}  // namespace hmz::db
