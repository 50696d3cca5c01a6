// Internal to the data access layer: what each store offers the engine. The
// engine chooses the store by the name; each store's folder defines its
// function below, so that the engine needs none of the stores' headers.
#pragma once

#include "store/datenzugriff.h"
#include "store/ladung.h"

namespace hmz::db {

class Speicher {
public:
    virtual ~Speicher() = default;
    // Connections without exclusive are shared per name and connect string.
    virtual std::unique_ptr<Database> oeffnen(const QString& name, bool exclusive, bool readOnly, const QString& connect) = 0;
    virtual std::unique_ptr<Database> anlegen(const QString& name, const QString& passwort) = 0;
    virtual std::unique_ptr<Ladung> laden(const QString& name, const QString& passwort, bool ersetzen) = 0;
    virtual bool vorhanden(const QString& name) = 0;
};

// What every store reports alike: a handle that touches another handle's
// transaction (3034), a year result the store did not take, and a
// transaction that a closed or destroyed handle left open (rolled back by
// the caller). The last never throws.
[[noreturn]] void fremdeTransaktion();
[[noreturn]] void jahresergebnisNichtGespeichert(long objNr, int jahr);
void offeneTransaktionMelden(const QString& name) noexcept;

Speicher& dateiSpeicher();   // store/sqlite
Speicher& serverSpeicher();  // store/postgres

// store/postgres: the names of the server store (libpq URIs).
bool istServerName(const QString& name);
QString serverAnzeigename(const QString& name);  // without any password
// Host, port, database and schema as libpq reads the name, the same for
// every spelling of one client; empty when libpq cannot read it.
QString serverIdentitaet(const QString& name);
// The same, asked of the server itself (its cluster, database and schema):
// it also knows one server under two host names or a socket. Empty when
// the server cannot be reached.
QString serverIdentitaetVerbunden(const QString& name);
// Any text (a libpq message quoting a URI) with every password in it blotted out.
QString passwortTilgen(QString text);

}  // namespace hmz::db
