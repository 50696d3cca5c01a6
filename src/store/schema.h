// The tables of a client database in the embedded store.
#pragma once

#include <QString>
#include <QStringList>

namespace hmz::db {

class Database;

// CREATE statements of the fixed tables (without the yearly bookings tables).
QStringList schemaGrundtabellen();
// CREATE TABLE and CREATE INDEX of the bookings table of one year.
QStringList schemaBuchungsjahr(int jahr);
QString buchungsTabelle(int jahr);  // "ObjKanzleiBuchungen2003"
// Whether a table is one of the client's: a fixed one or a year's bookings
// (any spelling). Other tables in a store belong to someone else.
bool istMandantenTabelle(const QString& name);
QString buchungsIndex(int jahr);    // "ObjKanzleiBuchungen2003_ObjKonto"
// The index the debit/credit sums read instead of the whole table.
QString buchungsSHIndexSql(int jahr);

// Makes sure the bookings table of the year, if it exists, has its index
// (a run without it reads the whole table for every account).
// Before a run: the bookings index and the debit/credit index on an existing
// year table (created when missing).
void buchungsIndexSicherstellen(Database& db, int jahr);

// Creates the fixed tables and the bookings tables of the given years.
void schemaAnlegen(Database& db, const QList<int>& jahre);

}  // namespace hmz::db
