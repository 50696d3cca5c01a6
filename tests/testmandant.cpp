#include "testmandant.h"

#include "store/schema.h"
#include "entry/zustand.h"

#include <QFile>
#include <sqlite3.h>
#include <stdexcept>

namespace hmz::test {

namespace {

[[noreturn]] void fehlschlag(sqlite3* db, const QString& was) {
    throw std::runtime_error((was + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db))).toStdString());
}

QVariant waehrung(std::optional<Currency> c) { return c ? QVariant(qlonglong(c->raw())) : QVariant(); }
QVariant datum(QDate d) { return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant(); }
QVariant text(const std::optional<QString>& s) { return s ? QVariant(*s) : QVariant(); }

}  // namespace

Currency eur(const char* text) {
    auto c = Currency::parse(text);
    if (!c) throw std::invalid_argument(text);
    return *c;
}

TestMandant::TestMandant(const QString& pfad, bool klartext) : pfad_(pfad), klartext_(klartext) {
    QFile::remove(pfad_);
    for (const auto& sql : db::schemaGrundtabellen()) ausfuehren(sql);
}

TestMandant::~TestMandant() { schliessen(); }

sqlite3* TestMandant::db() {
    if (db_) return db_;
    if (sqlite3_open(pfad_.toUtf8().constData(), &db_) != SQLITE_OK) fehlschlag(db_, QStringLiteral("open"));
    if (!klartext_) {
        const QByteArray key = DatenbankPasswort.toUtf8();
        sqlite3_key(db_, key.constData(), static_cast<int>(key.size()));
    }
    // Test data need not survive a crash: no syncing per inserted row.
    sqlite3_exec(db_, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    return db_;
}

void TestMandant::schliessen() {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

void TestMandant::ausfuehren(const QString& sql, const QVariantList& werte) { (void)abfrage(sql, werte); }

QList<QVariantList> TestMandant::abfrage(const QString& sql, const QVariantList& werte) {
    sqlite3* h = db();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK) fehlschlag(h, sql);
    for (int i = 0; i < werte.size(); ++i) {
        const QVariant& w = werte[i];
        if (w.isNull()) {
            sqlite3_bind_null(st, i + 1);
        } else if (w.typeId() == QMetaType::QString) {
            const QByteArray u = w.toString().toUtf8();
            sqlite3_bind_text(st, i + 1, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(st, i + 1, w.toLongLong());
        }
    }
    QList<QVariantList> zeilen;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        QVariantList z;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_NULL: z << QVariant(); break;
            case SQLITE_INTEGER: z << QVariant(qlonglong(sqlite3_column_int64(st, c))); break;
            case SQLITE_FLOAT: z << QVariant(sqlite3_column_double(st, c)); break;
            default:
                z << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                       sqlite3_column_bytes(st, c));
            }
        }
        zeilen << z;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) fehlschlag(h, sql);
    return zeilen;
}

TestMandant& TestMandant::mandant(const MandantDaten& m) {
    ausfuehren(QStringLiteral("DELETE FROM AllgMandDaten"));
    ausfuehren(QStringLiteral("INSERT INTO AllgMandDaten VALUES (?,?,?,?,?,?,?,?,?)"),
               {m.name, m.name2, m.name3, m.anschrift, m.nation, m.plz, m.ort, waehrung(m.eurKurs),
                datum(m.monStatusDatum)});
    return *this;
}

TestMandant& TestMandant::einstellung(int nr, int wert) {
    ausfuehren(QStringLiteral("INSERT OR REPLACE INTO AllgEinstellungen VALUES (?,?,NULL)"), {nr, wert});
    return *this;
}

TestMandant& TestMandant::objekt(int nr, const QString& anschrift, const QString& plz, const QString& ort, int typus,
                                 QDate gueltigBis) {
    ausfuehren(QStringLiteral("INSERT INTO ObjDaten (ObjNummer, ObjAllgAufteilSchlNr, ObjNutzflSchlNr, "
                              "ObjAnteileSchlNr, ObjTypus, ObjAnschrift, ObjPlz, ObjOrt, ObjHvStatusDatum, "
                              "ObjGueltigBisDatum) VALUES (?,0,0,0,?,?,?,?,NULL,?)"),
               {nr, typus, anschrift, plz, ort, gueltigBis.isValid() ? datum(gueltigBis) : QVariant(QStringLiteral("1899-12-30"))});
    return *this;
}

TestMandant& TestMandant::konto(int jahr, const QString& nr, const QString& bezeichnung, std::optional<int> pos,
                                std::optional<int> verdichtung) {
    ausfuehren(QStringLiteral("INSERT INTO ObjKanzleiKontenstamm VALUES (?,?,?,?,?)"),
               {jahr, nr, bezeichnung, pos ? QVariant(*pos) : QVariant(), verdichtung ? QVariant(*verdichtung) : QVariant()});
    return *this;
}

TestMandant& TestMandant::buchungsjahr(int jahr) {
    if (jahre_.contains(jahr)) return *this;
    for (const auto& sql : db::schemaBuchungsjahr(jahr)) ausfuehren(sql);
    jahre_.insert(jahr);
    return *this;
}

TestMandant& TestMandant::buchung(const Buchung& b) {
    buchungsjahr(b.datum.year());
    ausfuehren(QStringLiteral("INSERT INTO %1 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, "
                              "BuSH, BuSHVorzeichen, BuKorrKZ, BuArt) VALUES (?,?,?,?,?,?,?,?,?,?,?)")
                   .arg(db::buchungsTabelle(b.datum.year())),
               {b.objNr, b.kontoNr, datum(b.datum), b.belegNr ? QVariant(*b.belegNr) : QVariant(), b.text1,
                QStringLiteral("zweiter Text"), qlonglong(b.betrag.raw()),
                b.haben ? QStringLiteral("H") : QStringLiteral("S"), b.haben ? 1 : -1, text(b.korrKz), text(b.art)});
    return *this;
}

TestMandant& TestMandant::buchung(int objNr, const QString& kontoNr, QDate datum, Currency vorzeichenBetrag,
                                  const QString& text, int belegNr) {
    Buchung b;
    b.objNr = objNr;
    b.kontoNr = kontoNr;
    b.datum = datum;
    b.haben = vorzeichenBetrag >= Currency();
    b.betrag = b.haben ? vorzeichenBetrag : -vorzeichenBetrag;
    b.text1 = text;
    b.belegNr = belegNr;
    return buchung(b);
}

TestMandant& TestMandant::jahresSumme(int objNr, int jahr, std::optional<Currency> ohneEhb, std::optional<Currency> ehb) {
    ausfuehren(QStringLiteral("INSERT OR REPLACE INTO ObjHmzResJahresSummen VALUES (?,?,?,?)"),
               {objNr, jahr, waehrung(ohneEhb), waehrung(ehb)});
    return *this;
}

}  // namespace hmz::test
