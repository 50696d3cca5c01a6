// Writing a whole client in one go: the demo and benchmark generators, the
// Access import and the copy between stores. Rows are queued per table and
// written in bulk (prepared inserts in one transaction on a file, COPY on a
// server). Nothing is seen before Fertig(): a file is written beside the
// target and renamed, the server's tables are made in one transaction.
#pragma once

#include "core/currency.h"
#include "store/datenzugriff.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

namespace hmz::db {

// A value on its way into a column; the store writes it as the column's type
// wants (a DATE column takes Text "YYYY-MM-DD", a CURRENCY column Geld).
struct Feldwert {
    enum class Art { Null, Ganz, Gleit, Geld, Text, Bytes };
    Art art = Art::Null;
    std::int64_t ganz = 0;  // Ganz; Geld as ten-thousandths
    double gleit = 0;
    QByteArray bytes;       // Text (UTF-8) or Bytes

    static Feldwert null() { return {}; }
    static Feldwert zahl(std::int64_t v) { return {Art::Ganz, v, 0, {}}; }
    static Feldwert geld(Currency c) { return {Art::Geld, c.raw(), 0, {}}; }
    static Feldwert text(const QString& s) { return {Art::Text, 0, 0, s.toUtf8()}; }
    static Feldwert datum(QDate d);  // invalid: the zero date
};

class Ladung {
public:
    virtual ~Ladung() = default;  // without Fertig(): nothing remains
    // A definition (CREATE TABLE/INDEX, ALTER TABLE) in the engine's dialect.
    virtual void Execute(const QString& sql) = 0;
    virtual std::vector<Spalte> Spalten(const QString& tabelle) = 0;
    // Where rows of these columns of a table go; the number is for Zeile.
    virtual int Ziel(const QString& tabelle, const QStringList& spalten) = 0;
    virtual void Zeile(int ziel, const std::vector<Feldwert>& werte) = 0;
    // Commits and makes the client visible under its name.
    virtual void Fertig() = 0;

    // When set, a row the table refuses (key twice, Null where not allowed)
    // is reported here (its 1-based number among the rows given to the ziel)
    // and left out; otherwise it fails the whole load.
    std::function<void(int ziel, long zeile, const QString& grund)> abgelehnt;
};

// For a signal handler that ends the process at once: removes the temporary
// file of a load into a file that has not finished (never its target) and
// returns true. Returns false, touching nothing, once the load commits: the
// client is then complete a moment later and the handler lets it finish.
// Async-signal-safe. A load into a server needs nothing removed: the server
// rolls back the transaction of a connection that is gone.
bool unfertigeDateiVerwerfen() noexcept;

// For the loads: their commit begins (true) or a new load starts (false).
void ladungSchliesstAb(bool ab) noexcept;

}  // namespace hmz::db
