#include "masterdata/kontenstamm.h"
#include "masterdata/parameter.h"

#include "store/datenzugriff.h"

namespace hmz::stamm {

namespace {

std::optional<int> zahlWert(const Variant& v) {
    if (v.istNull() || v.istEmpty()) return std::nullopt;
    return v.toLong();
}

const QString Auswahl = QStringLiteral("SELECT KontoNr, KontoBezeichnung, KontoHmzresPos, KontoHmzresVerdichtKz FROM ObjKanzleiKontenstamm ");

Konto konto(const db::Recordset& rs) {
    const Variant b = rs.Fields(QStringLiteral("KontoBezeichnung"));
    return {rs.Fields(QStringLiteral("KontoNr")).toString(), b.istNull() ? QString() : b.toString(),
            zahlWert(rs.Fields(QStringLiteral("KontoHmzresPos"))), zahlWert(rs.Fields(QStringLiteral("KontoHmzresVerdichtKz")))};
}

std::optional<Konto> zeile(db::Database& db, int jahr, const QString& nr) {
    auto rs = db.OpenRecordset(Auswahl + QStringLiteral("WHERE KontoJJ = ? AND KontoNr = ?"), {ganz(jahr), Variant::string(nr)});
    if (rs->Eof()) return std::nullopt;
    return konto(*rs);
}

// The row's lock first, so that the comparison and the write see the same row.
void unveraendert(db::Database& db, int jahr, const Konto& alt) {
    db.Execute(QStringLiteral("UPDATE ObjKanzleiKontenstamm SET KontoJJ = KontoJJ WHERE KontoJJ = ? AND KontoNr = ?"),
               {ganz(jahr), Variant::string(alt.nr)});
    if (zeile(db, jahr, alt.nr) != alt) throw Ablehnung{GeaendertText, true};
}

void benutzt(db::Database& db, int jahr, const QString& nr, const QString& was) {
    if (const long n = buchungenMitKonto(db, jahr, nr))
        throw Ablehnung{QStringLiteral("Das Konto %1 kann nicht %2 werden: %3 Buchungen des Jahres %4 verwenden es.").arg(nr, was).arg(n).arg(jahr)};
}

bool hatBuchungen(db::Database& db, int jahr) {
    return db.Tabellen().contains(tabellenName(Tabelle::Buchungen, jahr), Qt::CaseInsensitive);
}

}  // namespace

QString abschnittText(std::optional<int> p) {
    if (p && *p >= 1 && *p <= 20) return QStringLiteral("Einnahmen");
    if (p && *p >= 21 && *p <= 49) return QStringLiteral("Ausgaben");
    if (p && *p == 50) return QStringLiteral("Erhaltungsbeitrag");
    return QStringLiteral("nicht in der Abrechnung");
}

QString ausweisText(std::optional<int> a) {
    if (!a) return {};
    switch (*a) {
    case 0: return QStringLiteral("Einzelbuchungen");
    case 1: return QStringLiteral("eine Zeile für den Zeitraum");
    case 2: return QStringLiteral("eine Zeile je Monat");
    default: return QStringLiteral("nur Saldo");
    }
}

std::optional<std::optional<int>> positionLesen(const QString& text, QString& grund) {
    if (text.trimmed().isEmpty()) return std::make_optional(std::optional<int>());
    const auto p = ganzeZahlLesen(Tabelle::Konten, QStringLiteral("KontoHmzresPos"), text, grund);
    if (!p) return std::nullopt;
    return std::optional<int>(static_cast<int>(*p));
}

std::vector<Konto> kontenLesen(db::Database& db, int jahr) {
    std::vector<Konto> r;
    auto rs = db.OpenRecordset(Auswahl + QStringLiteral("WHERE KontoJJ = ? ORDER BY KontoNr"), {ganz(jahr)});
    for (; !rs->Eof(); rs->MoveNext()) r.push_back(konto(*rs));
    return r;
}

long buchungenMitKonto(db::Database& db, int jahr, const QString& nr) {
    if (!hatBuchungen(db, jahr)) return 0;
    auto rs = db.OpenRecordset(QStringLiteral("SELECT COUNT(*) AS Anzahl FROM ") + tabellenName(Tabelle::Buchungen, jahr) +
                                   QStringLiteral(" WHERE BuKontoNr = ?"),
                               {Variant::string(nr)});
    return rs->Fields(QStringLiteral("Anzahl")).toLong();
}

void kontoSpeichern(db::Database& db, int jahr, const std::optional<Konto>& alt, Konto neu) {
    neu.nr = neu.nr.trimmed();
    for (const auto& [spalte, wert] : {std::pair{QStringLiteral("KontoNr"), Variant::string(neu.nr)},
                                       std::pair{QStringLiteral("KontoHmzresPos"), neu.position ? ganz(*neu.position) : Variant::null()}})
        if (const QString g = wertRegel(Tabelle::Konten, spalte, wert); !g.isEmpty()) throw Ablehnung{g};
    db::Transaktion t(db);
    if (alt) unveraendert(db, jahr, *alt);
    const bool umbenannt = alt && alt->nr != neu.nr;
    if (umbenannt) benutzt(db, jahr, alt->nr, QStringLiteral("umbenannt"));
    const QString vergeben = QStringLiteral("Das Konto %1 gibt es im Jahr %2 schon.").arg(neu.nr).arg(jahr);
    if ((!alt || umbenannt) && zeile(db, jahr, neu.nr)) throw Ablehnung{vergeben};
    const std::vector<Variant> werte{Variant::string(neu.nr), Variant::string(neu.bezeichnung), zahl(neu.position), zahl(neu.ausweis),
                                     ganz(jahr), Variant::string(alt ? alt->nr : neu.nr)};
    unterSchluessel(vergeben, [&] {
        if (alt)
            db.Execute(QStringLiteral("UPDATE ObjKanzleiKontenstamm SET KontoNr = ?, KontoBezeichnung = ?, KontoHmzresPos = ?, "
                                      "KontoHmzresVerdichtKz = ? WHERE KontoJJ = ? AND KontoNr = ?"),
                       werte);
        else
            db.Execute(QStringLiteral("INSERT INTO ObjKanzleiKontenstamm (KontoNr, KontoBezeichnung, KontoHmzresPos, KontoHmzresVerdichtKz, "
                                      "KontoJJ) VALUES (?, ?, ?, ?, ?)"),
                       {werte.begin(), werte.end() - 1});
    });
    t.commit();
}

void kontoLoeschen(db::Database& db, int jahr, const Konto& alt) {
    db::Transaktion t(db);
    unveraendert(db, jahr, alt);
    benutzt(db, jahr, alt.nr, QStringLiteral("gelöscht"));
    db.Execute(QStringLiteral("DELETE FROM ObjKanzleiKontenstamm WHERE KontoJJ = ? AND KontoNr = ?"), {ganz(jahr), Variant::string(alt.nr)});
    t.commit();
}

int vorjahrUebernehmen(db::Database& db, int jahr) {
    db::Transaktion t(db);
    int n = 0;
    for (const Konto& k : kontenLesen(db, jahr - 1)) {
        if (zeile(db, jahr, k.nr)) continue;
        db.Execute(QStringLiteral("INSERT INTO ObjKanzleiKontenstamm (KontoNr, KontoBezeichnung, KontoHmzresPos, KontoHmzresVerdichtKz, "
                                  "KontoJJ) VALUES (?, ?, ?, ?, ?)"),
                   {Variant::string(k.nr), Variant::string(k.bezeichnung), zahl(k.position), zahl(k.ausweis), ganz(jahr)});
        ++n;
    }
    t.commit();
    return n;
}

QStringList fehlendeKonten(db::Database& db, int jahr) {
    QStringList r;
    if (!hatBuchungen(db, jahr)) return r;
    auto rs = db.OpenRecordset(QStringLiteral("SELECT DISTINCT BuKontoNr FROM ") + tabellenName(Tabelle::Buchungen, jahr) +
                                   QStringLiteral(" WHERE BuKontoNr NOT IN (SELECT KontoNr FROM ObjKanzleiKontenstamm WHERE KontoJJ = ?) "
                                                  "ORDER BY BuKontoNr"),
                               {ganz(jahr)});
    for (; !rs->Eof(); rs->MoveNext()) r << rs->Fields(QStringLiteral("BuKontoNr")).toString();
    return r;
}

}  // namespace hmz::stamm
