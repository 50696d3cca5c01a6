// Writes a whole client database in one go, in any store: the demo client
// and the benchmark's synthetic client are both made with it. The rows go
// through the store's bulk load (ladung.h), so that hundreds of thousands of
// bookings are written in seconds.
//
// The client appears only when fertig() succeeds (a file is renamed into
// place, the server's transaction commits). An interrupted or failed
// generation leaves no half-filled client behind.
#pragma once

#include "core/currency.h"

#include <QDate>
#include <QString>
#include <memory>
#include <optional>

namespace hmz::db {

struct MandantZeile {
    QString name, name2, name3, anschrift, nation, plz, ort;
    Currency eurKurs;
    QDate monStatusDatum;
};

struct ObjektZeile {
    int nummer = 0;
    int allgAufteilSchlNr = 1, nutzflSchlNr = 2, anteileSchlNr = 3;
    int typus = 0;
    QString anschrift, plz, ort;
    QDate hvStatusDatum;  // invalid: Null
    QDate gueltigBis;     // invalid: the zero date (no end)
};

struct KontoZeile {
    QString nr, bezeichnung;
    std::optional<int> pos;          // KontoHmzresPos
    std::optional<int> verdichtKz;   // KontoHmzresVerdichtKz; Null is a listing mode of its own
};

struct BuchungZeile {
    int objNr = 0;
    QString kontoNr;
    QDate datum;
    int belegNr = 0;
    QString text1, text2;
    Currency betrag;   // always positive; the side gives the sign
    char sh = 'S';     // 'S' debit (sign -1), 'H' credit (sign +1)
    QString korrKz;    // empty: Null
    QString art;
};

// The stored form of a date: "YYYY-MM-DD"; an invalid date is the zero date.
QString datumText(QDate d);

class BulkWriter {
public:
    // Starts a new client for `name` (a file, encrypted unless the password
    // is empty, or a server URI; an existing client is replaced only by
    // fertig()) with the fixed tables and one bookings table per year in `jahre`.
    BulkWriter(const QString& name, const QList<int>& jahre, const QString& passwort);
    ~BulkWriter();  // without fertig(): the temporary file is removed
    BulkWriter(const BulkWriter&) = delete;
    BulkWriter& operator=(const BulkWriter&) = delete;

    void mandant(const MandantZeile& m);
    void einstellung(int nr, int wert, const QString& text);
    void objekt(const ObjektZeile& o);
    void konto(int jahr, const KontoZeile& k);
    void jahresSumme(int objNr, int jahr, Currency ohneEhb, Currency vereinnEhb);
    // The year of the booking's date chooses the table; it must be one of `jahre`.
    void buchung(const BuchungZeile& b);

    // Commits, writes the file to disk and moves it to `pfad`.
    void fertig();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace hmz::db
