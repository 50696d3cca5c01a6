// The client's master data: the client record, properties, the account
// master of a year, bookings and stored year results. Their columns, the
// rules a value must meet to be stored, and their exchange as CSV. Editors
// and the command line both go through these rules.
#pragma once

#include "core/currency.h"
#include "core/variant.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace hmz::db {
class Database;
}

namespace hmz::stamm {

enum class Tabelle { Mandant, Objekte, Konten, Buchungen, Ergebnisse };
enum class Typ { Ganz, Text, Geld, Datum };

struct Spaltenregel {
    QString name;         // the store's column
    Typ typ;
    bool pflicht = false; // NOT NULL without a default: the column must be there
};

// "client", "properties", "accounts", "bookings", "results".
std::optional<Tabelle> tabelleAusName(const QString& name);
const std::vector<Spaltenregel>& spalten(Tabelle t);
QStringList schluessel(Tabelle t);
QString tabellenName(Tabelle t, int jahr);  // the bookings table of jahr

// A value as typed or read from a file, checked against its column type:
// Null for an empty field (unless leerIstText), otherwise the value or an
// empty optional with the German reason in `grund`.
// Amounts: "1.234,56" and "-0,5" (with dezimalpunkt "1234.56"), never more
// than four decimals. Dates: TT.MM.JJJJ or JJJJ-MM-TT; 30.12.1899 is the zero date.
std::optional<Variant> wertLesen(Typ typ, const QString& text, bool leerIstText, bool dezimalpunkt, QString& grund);
std::optional<Currency> betragLesen(const QString& text, bool dezimalpunkt, QString& grund);
// A date as typed in an editor: TT.MM.JJJJ, or TT.MM. in `jahr` (the year
// shown); empty gives an invalid date (none).
std::optional<QDate> datumLesen(const QString& text, int jahr, QString& grund);
// TT.MM.JJJJ; empty for none and for the zero date.
QString datumText(const QDate& d);
// How a value is written to CSV: nullopt for Null.
std::optional<QString> wertText(Typ typ, const Variant& wert);

// The sign that belongs to a side: S (debit) -1, H (credit) +1, else 0.
int vorzeichen(const QString& sh);

// The rules below hold for a value or a booking wherever it comes from, a
// file or an editor, so that both refuse the same things.

// Beyond its type, the rule of a column's value: why it is refused, or empty.
QString wertRegel(Tabelle t, const QString& spalte, const Variant& wert);
// A whole number typed for such a column; not a number is refused with the column's reason.
std::optional<long> ganzeZahlLesen(Tabelle t, const QString& spalte, const QString& text, QString& grund);

// A booking row: S or H with the sign that belongs to it (a missing sign is
// set), the date in the year, the property and the account known (asked
// through `objektDa` and `kontoDa`, each unknown one's reason ending in its
// hint, what to do first). Each refused column goes to `verstoss`.
struct BuchungsRegeln {
    int jahr = 0;
    std::function<bool(long)> objektDa;
    std::function<bool(const QString&)> kontoDa;
    QString objektHinweis, kontoHinweis;
    void pruefen(const Variant& sh, Variant& vorzeichen, const Variant& datum, const Variant& obj, const Variant& konto,
                 const std::function<void(const QString& spalte, const QString& grund)>& verstoss) const;
};
// The kind of a booking without one: an ordinary booking.
inline const QString NormaleBuchungsart = QStringLiteral("01");
// Bookings of this kind are left out of the statement (the balance check counts them).
inline const QString VortragsBuchungsart = QStringLiteral("90");

// The one client record a new client gets: its name, today as the month
// status, the rest empty (an empty euro rate means the fixed one).
void mandantSatzAnlegen(db::Database& db, const QString& name);

struct CsvExport {
    QString datenbank;
    Tabelle tabelle = Tabelle::Objekte;
    std::optional<int> jahr;
    std::optional<long> von, bis;  // property numbers
    QString ausgabe;               // file; empty: stdout
};
// Returns the exit status (0, or 4 with one line on stderr).
int csvExportieren(const CsvExport& auftrag);

struct CsvImport {
    QString datenbank;
    Tabelle tabelle = Tabelle::Objekte;
    QString datei;
    std::optional<int> jahr;
    bool ersetzen = false, ungleichErlaubt = false, dezimalpunkt = false;
    const std::atomic<int>* abbruchSignal = nullptr;
};
// All or nothing: returns 0, 1 (the file was refused: its errors on
// stderr, the client unchanged), 4 (the store failed) or 128 + a signal.
int csvImportieren(const CsvImport& auftrag);

}  // namespace hmz::stamm
