#include "masterdata/jahressummen.h"
#include "masterdata/parameter.h"

#include "statement/ergebnisexport.h"
#include "store/datenzugriff.h"

namespace hmz::stamm {

namespace {

std::optional<Currency> geld(const Variant& v) {
    if (v.istNull() || v.istEmpty()) return std::nullopt;
    return v.toCurrency();
}
Variant wert(const std::optional<Currency>& c) { return c ? Variant::currency(*c) : Variant::null(); }

std::optional<JahresSumme> zeile(db::Database& db, long objNr, int jahr) {
    auto rs = db.OpenRecordset(QStringLiteral("SELECT HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB FROM ObjHmzResJahresSummen "
                                              "WHERE HmzObjNr = ? AND HmzJahr = ?"),
                               {ganz(objNr), ganz(jahr)});
    if (rs->Eof()) return std::nullopt;
    return JahresSumme{jahr, geld(rs->Fields(QStringLiteral("HmzHMZOhneEHB"))), geld(rs->Fields(QStringLiteral("HmzVereinnEHB")))};
}

// Takes the row's lock before reading it, so that the comparison and the
// write see the same row on the server too (a new statement sees what was
// committed before the lock was granted).
void unveraendert(db::Database& db, long objNr, const JahresSumme& alt) {
    db.Execute(QStringLiteral("UPDATE ObjHmzResJahresSummen SET HmzJahr = HmzJahr WHERE HmzObjNr = ? AND HmzJahr = ?"),
               {ganz(objNr), ganz(alt.jahr)});
    if (zeile(db, objNr, alt.jahr) != alt) throw Ablehnung{GeaendertText, true};
}

}  // namespace

void unterSchluessel(const QString& vergeben, const std::function<void()>& schreiben) {
    try {
        schreiben();
    } catch (const Fehler& f) {
        if (f.Nummer() != db::nr::DoppelterSchluessel) throw;
        throw Ablehnung{vergeben, true};
    }
}

std::optional<int> jahrLesen(const QString& text, QString& grund) {
    const auto j = ganzeZahlLesen(Tabelle::Ergebnisse, QStringLiteral("HmzJahr"), text, grund);
    return j ? std::optional<int>(static_cast<int>(*j)) : std::nullopt;
}

std::optional<std::optional<Currency>> summeLesen(const QString& text, QString& grund) {
    if (text.trimmed().isEmpty()) return std::optional<Currency>();
    const auto c = betragLesen(text, false, grund);
    if (!c) return std::nullopt;
    return std::optional<Currency>(*c);
}

QString betragText(Currency c) {
    QString s = exakterBetrag(c, QLatin1Char(','));
    const qsizetype anfang = s.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (qsizetype i = s.indexOf(QLatin1Char(',')) - 3; i > anfang; i -= 3) s.insert(i, QLatin1Char('.'));
    return s;
}

bool objektVorhanden(db::Database& db, long objNr) {
    auto rs = db.OpenRecordset(QStringLiteral("SELECT ObjNummer FROM ObjDaten WHERE ObjNummer = ?"), {ganz(objNr)});
    return !rs->Eof();
}

std::vector<JahresSumme> jahresSummenLesen(db::Database& db, long objNr) {
    std::vector<JahresSumme> r;
    auto rs = db.OpenRecordset(QStringLiteral("SELECT HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB FROM ObjHmzResJahresSummen "
                                              "WHERE HmzObjNr = ? ORDER BY HmzJahr"),
                               {ganz(objNr)});
    for (; !rs->Eof(); rs->MoveNext())
        r.push_back({static_cast<int>(rs->Fields(QStringLiteral("HmzJahr")).toLong()), geld(rs->Fields(QStringLiteral("HmzHMZOhneEHB"))),
                     geld(rs->Fields(QStringLiteral("HmzVereinnEHB")))});
    return r;
}

void jahresSummeSpeichern(db::Database& db, long objNr, const std::optional<JahresSumme>& alt, const JahresSumme& neu) {
    if (const QString g = wertRegel(Tabelle::Ergebnisse, QStringLiteral("HmzJahr"), Variant::lng(neu.jahr)); !g.isEmpty()) throw Ablehnung{g};
    db::Transaktion t(db);
    if (!objektVorhanden(db, objNr)) throw Ablehnung{QStringLiteral("Das Objekt %1 gibt es nicht.").arg(objNr)};
    if (alt) unveraendert(db, objNr, *alt);
    const QString vergeben = QStringLiteral("Für das Jahr %1 ist schon ein Ergebnis gespeichert.").arg(neu.jahr);
    if ((!alt || alt->jahr != neu.jahr) && zeile(db, objNr, neu.jahr)) throw Ablehnung{vergeben};
    if (alt && alt->jahr == neu.jahr) {
        db.Execute(QStringLiteral("UPDATE ObjHmzResJahresSummen SET HmzHMZOhneEHB = ?, HmzVereinnEHB = ? WHERE HmzObjNr = ? AND HmzJahr = ?"),
                   {wert(neu.ohneEhb), wert(neu.vereinnEhb), ganz(objNr), ganz(neu.jahr)});
    } else {
        if (alt)
            db.Execute(QStringLiteral("DELETE FROM ObjHmzResJahresSummen WHERE HmzObjNr = ? AND HmzJahr = ?"), {ganz(objNr), ganz(alt->jahr)});
        unterSchluessel(vergeben, [&] {
            db.Execute(QStringLiteral("INSERT INTO ObjHmzResJahresSummen (HmzObjNr, HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB) VALUES (?, ?, ?, ?)"),
                       {ganz(objNr), ganz(neu.jahr), wert(neu.ohneEhb), wert(neu.vereinnEhb)});
        });
    }
    t.commit();
}

void jahresSummeLoeschen(db::Database& db, long objNr, const JahresSumme& alt) {
    db::Transaktion t(db);
    unveraendert(db, objNr, alt);
    db.Execute(QStringLiteral("DELETE FROM ObjHmzResJahresSummen WHERE HmzObjNr = ? AND HmzJahr = ?"), {ganz(objNr), ganz(alt.jahr)});
    t.commit();
}

}  // namespace hmz::stamm
