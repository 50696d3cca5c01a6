#include "masterdata/objekte.h"
#include "masterdata/parameter.h"
#include "masterdata/buchungen.h"

#include "core/format.h"
#include "store/datenzugriff.h"
#include "store/schema.h"


namespace hmz::stamm {

namespace {

const QDate NullDatum(1899, 12, 30);

QString text(const Variant& v) { return v.istNull() || v.istEmpty() ? QString() : v.toString(); }

const QString Auswahl =
    QStringLiteral("SELECT ObjNummer, ObjAnschrift, ObjPlz, ObjOrt, ObjTypus, ObjGueltigBisDatum FROM ObjDaten ");

Objekt objekt(const db::Recordset& rs) {
    const Variant bis = rs.Fields(QStringLiteral("ObjGueltigBisDatum"));
    const QDate d = bis.istNull() || bis.istEmpty() ? QDate() : bis.toDate();
    const Variant typus = rs.Fields(QStringLiteral("ObjTypus"));
    return {rs.Fields(QStringLiteral("ObjNummer")).toLong(), text(rs.Fields(QStringLiteral("ObjAnschrift"))),
            text(rs.Fields(QStringLiteral("ObjPlz"))), text(rs.Fields(QStringLiteral("ObjOrt"))),
            typus.istNull() ? 0 : static_cast<int>(typus.toLong()), d == NullDatum ? QDate() : d};
}

std::optional<Objekt> zeile(db::Database& db, long nr) {
    auto rs = db.OpenRecordset(Auswahl + QStringLiteral("WHERE ObjNummer = ?"), {ganz(nr)});
    if (rs->Eof()) return std::nullopt;
    return objekt(*rs);
}

// The row's lock first, so that the comparison and the write see the same row.
void unveraendert(db::Database& db, const Objekt& alt) {
    db.Execute(QStringLiteral("UPDATE ObjDaten SET ObjNummer = ObjNummer WHERE ObjNummer = ?"), {ganz(alt.nr)});
    if (zeile(db, alt.nr) != alt) throw Ablehnung{GeaendertText, true};
}

void gebunden(db::Database& db, long nr, const QString& was) {
    if (const QString v = objektVerwendung(db, nr); !v.isEmpty())
        throw Ablehnung{QStringLiteral("Das Objekt %1 kann nicht %2 werden: zu ihm gehören %3.").arg(nr).arg(was, v)};
}

}  // namespace

QString typusText(int typus) {
    return typus == 0 ? QStringLiteral("abgerechnet") : QStringLiteral("nicht abgerechnet");
}

std::optional<long> objektNrLesen(const QString& eingabe, QString& grund) {
    return ganzeZahlLesen(Tabelle::Objekte, QStringLiteral("ObjNummer"), eingabe, grund);
}

std::optional<int> typusLesen(const QString& eingabe, QString& grund) {
    if (eingabe.trimmed().isEmpty()) return 0;
    const auto n = ganzeZahlLesen(Tabelle::Objekte, QStringLiteral("ObjTypus"), eingabe, grund);
    return n ? std::optional<int>(static_cast<int>(*n)) : std::nullopt;
}

std::vector<Objekt> alleObjekteLesen(db::Database& db) {
    std::vector<Objekt> r;
    auto rs = db.OpenRecordset(Auswahl + QStringLiteral("ORDER BY ObjNummer"));
    for (; !rs->Eof(); rs->MoveNext()) r.push_back(objekt(*rs));
    return r;
}

QString objektVerwendung(db::Database& db, long nr) {
    long summe = 0;
    QStringList jeJahr;
    for (int j : buchungsjahre(db)) {
        auto rs = db.OpenRecordset(QStringLiteral("SELECT COUNT(*) AS Anzahl FROM ") + db::buchungsTabelle(j) +
                                       QStringLiteral(" WHERE BuObjNr = ?"),
                                   {ganz(nr)});
        if (const long n = rs->Fields(QStringLiteral("Anzahl")).toLong()) {
            summe += n;
            jeJahr << QStringLiteral("%1: %2").arg(j).arg(n);
        }
    }
    QStringList ergebnisse;
    auto rs = db.OpenRecordset(QStringLiteral("SELECT HmzJahr FROM ObjHmzResJahresSummen WHERE HmzObjNr = ? ORDER BY HmzJahr"), {ganz(nr)});
    for (; !rs->Eof(); rs->MoveNext()) ergebnisse << QString::number(rs->Fields(QStringLiteral("HmzJahr")).toLong());
    QStringList teile;
    if (summe) teile << QStringLiteral("%1 Buchungen (%2)").arg(summe).arg(jeJahr.join(QStringLiteral(", ")));
    if (!ergebnisse.isEmpty()) teile << QStringLiteral("Jahresergebnisse %1").arg(ergebnisse.join(QStringLiteral(", ")));
    return teile.join(QStringLiteral(" und "));
}

void objektSpeichern(db::Database& db, const std::optional<Objekt>& alt, const Objekt& neu) {
    QString grund;
    if (!objektNrLesen(QString::number(neu.nr), grund) || !typusLesen(QString::number(neu.typus), grund)) throw Ablehnung{grund};
    db::Transaktion t(db);
    if (alt) unveraendert(db, *alt);
    const bool umnummeriert = alt && alt->nr != neu.nr;
    if (umnummeriert) gebunden(db, alt->nr, QStringLiteral("umnummeriert"));
    const QString vergeben = QStringLiteral("Das Objekt %1 gibt es schon.").arg(neu.nr);
    if ((!alt || umnummeriert) && zeile(db, neu.nr)) throw Ablehnung{vergeben};
    const std::vector<Variant> werte{ganz(neu.nr), text(neu.anschrift), text(neu.plz), text(neu.ort), ganz(neu.typus),
                                     Variant::date(neu.gueltigBis.isValid() ? neu.gueltigBis : NullDatum), ganz(alt ? alt->nr : neu.nr)};
    unterSchluessel(vergeben, [&] {
        if (alt)
            db.Execute(QStringLiteral("UPDATE ObjDaten SET ObjNummer = ?, ObjAnschrift = ?, ObjPlz = ?, ObjOrt = ?, ObjTypus = ?, "
                                      "ObjGueltigBisDatum = ? WHERE ObjNummer = ?"),
                       werte);
        else
            db.Execute(QStringLiteral("INSERT INTO ObjDaten (ObjNummer, ObjAnschrift, ObjPlz, ObjOrt, ObjTypus, ObjGueltigBisDatum) "
                                      "VALUES (?, ?, ?, ?, ?, ?)"),
                       {werte.begin(), werte.end() - 1});
    });
    t.commit();
}

void objektLoeschen(db::Database& db, const Objekt& alt) {
    db::Transaktion t(db);
    unveraendert(db, alt);
    gebunden(db, alt.nr, QStringLiteral("gelöscht"));
    db.Execute(QStringLiteral("DELETE FROM ObjDaten WHERE ObjNummer = ?"), {ganz(alt.nr)});
    t.commit();
}

}  // namespace hmz::stamm
