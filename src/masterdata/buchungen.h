// The bookings of a property in a year ("Obj-/Kanzlei Buchungen"): reading,
// the rules of a booking, a new pair (debit and credit) in one short
// transaction, and single rows changed or deleted only while they are as
// they were shown.
#pragma once

#include "masterdata/jahressummen.h"

#include <map>

namespace hmz::stamm {

struct Buchung {
    long nr = 0;  // BuNr
    long objNr = 0;
    QDate datum;
    std::optional<long> belegNr;
    QString kontoNr;
    std::optional<QString> text1, text2;
    Currency betrag;
    QString sh;  // "S" or "H"
    int vorzeichen = 0;
    std::optional<QString> korrKz, art;
    bool operator==(const Buchung&) const = default;
    Currency saldo() const { return betrag * vorzeichen; }
};

// A new booking: the amount on the debit account and on the credit account.
struct BuchungsPaar {
    QDate datum;
    std::optional<long> belegNr;
    QString text1;
    std::optional<QString> text2;
    Currency betrag;
    QString sollKonto, habenKonto;
    QString art = NormaleBuchungsart;
};

// The property's bookings of the year in date order (none without a table).
std::vector<Buchung> buchungenLesen(db::Database& db, int jahr, long objNr);
// Years that have a bookings table, oldest first (read from the store's list of tables).
QList<int> buchungsjahre(db::Database& db);
// The client's whole-year sums as the debit/credit check compares them (0 without a table).
struct SollHabenJahr {
    Currency soll, haben;
    Currency differenz() const { return soll - haben; }
    // The sums once the row is added or gone: each side counts its amounts.
    SollHabenJahr mit(const Buchung& b, int faktor = 1) const {
        SollHabenJahr r = *this;
        if (b.sh == QLatin1String("S")) r.soll += b.betrag * faktor;
        if (b.sh == QLatin1String("H")) r.haben += b.betrag * faktor;
        return r;
    }
    SollHabenJahr ohne(const Buchung& b) const { return mit(b, -1); }
};
SollHabenJahr sollHabenLesen(db::Database& db, int jahr);

// Why the statement leaves the row out; empty when it counts. kontoImStamm:
// the year's account master holds the row's account.
QString auslassGrund(const Buchung& b, bool kontoImStamm = true);
// Each account's balance (amount times sign) over the given rows.
std::map<QString, Currency> kontoSalden(const std::vector<Buchung>& zeilen);

// A date as typed: TT.MM.JJJJ, or TT.MM. in the year shown; it must lie in that year.
std::optional<QDate> buchungsDatumLesen(const QString& text, int jahr, QString& grund);
// Text 1 of a new pair: why it is refused (it must not be empty), or empty.
QString text1Grund(const QString& text1);
// Beleg-Nr: empty, or a whole number.
std::optional<std::optional<long>> belegNrLesen(const QString& text, QString& grund);

// Both rows in one transaction, the year's table (with its index) made on
// its first booking. Throws Ablehnung: no such property, date outside the
// year, an account the year's master lacks.
void paarSpeichern(db::Database& db, int jahr, long objNr, BuchungsPaar paar);
// `alt` is the row as shown; refused (geaendert) when it is no longer so.
void buchungAendern(db::Database& db, int jahr, const Buchung& alt, Buchung neu);
void buchungLoeschen(db::Database& db, int jahr, const Buchung& alt);

}  // namespace hmz::stamm
