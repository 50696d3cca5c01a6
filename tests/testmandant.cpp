#include "testmandant.h"

#include "store/datenzugriff.h"
#include "store/schema.h"
#include "entry/zustand.h"

#include <QFile>
#include <stdexcept>

namespace hmz::test {

namespace {

QVariant waehrung(std::optional<Currency> c) { return c ? QVariant::fromValue(*c) : QVariant(); }
QVariant datum(QDate d) { return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant(); }
QVariant text(const std::optional<QString>& s) { return s ? QVariant(*s) : QVariant(); }

// A test's value as the data layer binds it. Numbers beyond 32 bits go as
// their raw integer (a file stores a Currency as that integer).
Variant wert(const QVariant& w) {
    if (w.isNull()) return Variant::null();
    if (w.metaType() == QMetaType::fromType<Currency>()) return Variant::currency(w.value<Currency>());
    if (w.typeId() == QMetaType::QString) return Variant::string(w.toString());
    const qlonglong z = w.toLongLong();
    if (z >= INT32_MIN && z <= INT32_MAX) return Variant::lng(static_cast<std::int32_t>(z));
    return Variant::currency(Currency::fromRaw(z));
}

// What a query returned, as the tests compare it: amounts as ten-thousandths.
QVariant zurueck(const Variant& v) {
    switch (v.typ()) {
    case VarTyp::Empty:
    case VarTyp::Null: return {};
    case VarTyp::Currency: return qlonglong(v.toCurrency().raw());
    case VarTyp::Date: return v.toDate().toString(Qt::ISODate);
    case VarTyp::String: return v.toString();
    case VarTyp::Double: return v.toDouble();
    case VarTyp::Boolean: return qlonglong(v.toBool() ? -1 : 0);
    default: return qlonglong(v.toLong());
    }
}

}  // namespace

Currency eur(const char* text) {
    auto c = Currency::parse(text);
    if (!c) throw std::invalid_argument(text);
    return *c;
}

TestMandant::TestMandant(const QString& pfad) : pfad_(pfad) {
    QFile::remove(pfad_);
    db_ = db::Engine::instance().CreateDatabase(pfad_, DatenbankPasswort);
    for (const auto& sql : db::schemaGrundtabellen()) ausfuehren(sql);
}

TestMandant::~TestMandant() { schliessen(); }

db::Database& TestMandant::db() {
    if (!db_)
        db_ = db::Engine::instance().OpenDatabase(pfad_, false, false, QStringLiteral(";pwd=") + DatenbankPasswort);
    return *db_;
}

void TestMandant::schliessen() {
    if (db_) db_->Close();
    db_.reset();
}

void TestMandant::ausfuehren(const QString& sql, const QVariantList& werte) {
    std::vector<Variant> v;
    for (const QVariant& w : werte) v.push_back(wert(w));
    db().Execute(sql, v);
}

QList<QVariantList> TestMandant::abfrage(const QString& sql) {
    QList<QVariantList> zeilen;
    db().Zeilen(sql, [&](const std::vector<Variant>& z) {
        QVariantList zeile;
        for (const Variant& x : z) zeile << zurueck(x);
        zeilen << zeile;
    });
    return zeilen;
}

TestMandant& TestMandant::mandant() {
    ausfuehren(QStringLiteral("DELETE FROM AllgMandDaten"));
    ausfuehren(QStringLiteral("INSERT INTO AllgMandDaten VALUES (?,?,?,?,?,?,?,?,?)"),
               {QStringLiteral("Hausverwaltung Muster GmbH"), QStringLiteral("Immobilientreuhand"), QString(),
                QStringLiteral("Ringstraße 1"), QStringLiteral("A"), QStringLiteral("1010"), QStringLiteral("Wien"),
                QVariant::fromValue(Currency::fromRaw(137603)), QStringLiteral("2003-12-31")});
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
                QStringLiteral("zweiter Text"), QVariant::fromValue(b.betrag),
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
    ausfuehren(QStringLiteral("DELETE FROM ObjHmzResJahresSummen WHERE HmzObjNr = ? AND HmzJahr = ?"), {objNr, jahr});
    ausfuehren(QStringLiteral("INSERT INTO ObjHmzResJahresSummen VALUES (?,?,?,?)"),
               {objNr, jahr, waehrung(ohneEhb), waehrung(ehb)});
    return *this;
}

void abschnittsMandant(const QString& pfad) {
    TestMandant m(pfad);
    m.mandant();
    for (int nr = 1; nr <= 6; ++nr) m.objekt(nr);
    m.konto(2003, "4000", "Hauptmietzins", 1, 0);
    m.konto(2003, "4100", "Untermiete", 11, 1);
    m.konto(2003, "7000", "Instandhaltung", 21, 2);
    m.konto(2003, "7100", "Verwaltung", 25, 9);
    m.konto(2003, "8000", "Erhaltungsbeitrag", 50, 2);
    m.konto(2003, "9999", "Verrechnung", 0, 1);
    const QDate d(2003, 5, 15);
    m.buchung(1, "4000", d, eur("1200.00"));                                         // income only
    m.buchung(2, "7000", d, eur("-300.10")).buchung(2, "7100", d, eur("-0.05"));     // expenditure only
    m.buchung(3, "8000", d, eur("450.00")).buchung(3, "8000", d.addMonths(2), eur("0.5555"));  // EHB only
    m.buchung(4, "4000", d, eur("500.00")).buchung(4, "7000", d, eur("-500.00"))     // reserve exactly 0
        .buchung(4, "8000", d, eur("20.00"));
    m.buchung(5, "4100", d, eur("99.99")).buchung(5, "7000", d, eur("-1000.00"));    // decrease
    // Property 6 has no booking at all.
    for (int jahr = 1994; jahr <= 2002; ++jahr) m.jahresSumme(5, jahr, eur("1000.00"), eur("13.7603"));
    m.jahresSumme(5, 2003, eur("77.00"), eur("1.00"));
    m.jahresSumme(1, 1999, std::nullopt, eur("5.00"));
    m.buchung(1, "9999", d, eur("-1200.00")).buchung(2, "9999", d, eur("300.15"))
        .buchung(3, "9999", d, eur("-450.5555")).buchung(4, "9999", d, eur("-20.00"))
        .buchung(5, "9999", d, eur("900.01"));
}

}  // namespace hmz::test
