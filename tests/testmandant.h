// Builds small client databases for tests: client record, settings,
// properties, accounts, bookings and stored year rows, written row by row
// through the data layer so that a test states exactly what the statement
// will find.
#pragma once

#include "core/currency.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace hmz::db {
class Database;
}


namespace hmz::test {

struct Buchung {
    int objNr = 1;
    QString kontoNr;
    QDate datum;
    Currency betrag;               // as stored, not signed
    bool haben = true;             // "H": +1, "S": -1
    std::optional<int> belegNr = 1;
    QString text1 = QStringLiteral("Buchung");
    std::optional<QString> korrKz;  // Null unless set
    std::optional<QString> art = QStringLiteral("10");
};

class TestMandant {
public:
    // Creates the file anew, encrypted with the component's password.
    explicit TestMandant(const QString& pfad);
    ~TestMandant();
    TestMandant(const TestMandant&) = delete;
    TestMandant& operator=(const TestMandant&) = delete;

    const QString& pfad() const { return pfad_; }

    // A client record in Vienna with the euro rate 13.7603 and month status 31.12.2003.
    TestMandant& mandant();
    TestMandant& objekt(int nr, const QString& anschrift = QStringLiteral("Hauptstraße 7"),
                        const QString& plz = QStringLiteral("1040"), const QString& ort = QStringLiteral("Wien"),
                        int typus = 0, QDate gueltigBis = {});
    TestMandant& konto(int jahr, const QString& nr, const QString& bezeichnung, std::optional<int> pos,
                       std::optional<int> verdichtung);
    TestMandant& buchung(const Buchung& b);
    // A shorthand: amount signed as the statement adds it (positive: credit).
    TestMandant& buchung(int objNr, const QString& kontoNr, QDate datum, Currency vorzeichenBetrag,
                         const QString& text = QStringLiteral("Buchung"), int belegNr = 1);
    TestMandant& jahresSumme(int objNr, int jahr, std::optional<Currency> ohneEhb, std::optional<Currency> ehb);
    TestMandant& buchungsjahr(int jahr);  // creates the year's bookings table if missing

    // Runs a statement with bound values (QVariant(): Null; qlonglong; QString).
    void ausfuehren(const QString& sql, const QVariantList& werte = {});
    // Rows of a query; CURRENCY columns come back as their raw ten-thousandths.
    QList<QVariantList> abfrage(const QString& sql);

    // Closes the connection (the statement under test opens its own); any
    // later call opens it again.
    void schliessen();

private:
    db::Database& db();
    QString pfad_;
    std::unique_ptr<db::Database> db_;
    QSet<int> jahre_;
};

// A client with every section case and listing mode, and stored years (in
// schillings before 2002, and an outdated row of 2003 that the statement replaces).
void abschnittsMandant(const QString& pfad);

// Currency from "1234.50" for readable test tables.
Currency eur(const char* text);

}  // namespace hmz::test
