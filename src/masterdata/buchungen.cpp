#include "masterdata/buchungen.h"
#include "masterdata/parameter.h"

#include "core/format.h"
#include "masterdata/kontenstamm.h"
#include "statement/shpruefen.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QRegularExpression>

namespace hmz::stamm {

namespace {

std::optional<QString> textWert(const Variant& v) {
    if (v.istNull() || v.istEmpty()) return std::nullopt;
    return v.toString();
}

const QString Spalten = QStringLiteral("SELECT BuNr, BuObjNr, BuDatum, BuBelegNr, BuKontoNr, BuText1, BuText2, BuBetrag, BuSH, "
                                       "BuSHVorzeichen, BuKorrKZ, BuArt FROM ");

Buchung buchung(const db::Recordset& rs) {
    const auto f = [&](const char* name) { return rs.Fields(QString::fromLatin1(name)); };
    const Variant beleg = f("BuBelegNr");
    return {f("BuNr").toLong(),
            f("BuObjNr").toLong(),
            f("BuDatum").toDate(),
            beleg.istNull() ? std::nullopt : std::optional<long>(beleg.toLong()),
            f("BuKontoNr").toString(),
            textWert(f("BuText1")),
            textWert(f("BuText2")),
            f("BuBetrag").toCurrency(),
            f("BuSH").toString(),
            static_cast<int>(f("BuSHVorzeichen").toLong()),
            textWert(f("BuKorrKZ")),
            textWert(f("BuArt"))};
}

bool hatTabelle(db::Database& db, int jahr) { return db.Tabellen().contains(db::buchungsTabelle(jahr), Qt::CaseInsensitive); }

std::optional<Buchung> zeile(db::Database& db, int jahr, long nr) {
    auto rs = db.OpenRecordset(Spalten + db::buchungsTabelle(jahr) + QStringLiteral(" WHERE BuNr = ?"), {ganz(nr)});
    if (rs->Eof()) return std::nullopt;
    return buchung(*rs);
}

// The row's lock first, so that the comparison and the write see the same row.
void unveraendert(db::Database& db, int jahr, const Buchung& alt) {
    if (!hatTabelle(db, jahr)) throw Ablehnung{GeaendertText, true};
    db.Execute(QStringLiteral("UPDATE %1 SET BuNr = BuNr WHERE BuNr = ?").arg(db::buchungsTabelle(jahr)), {ganz(alt.nr)});
    if (zeile(db, jahr, alt.nr) != alt) throw Ablehnung{GeaendertText, true};
}

// A refused rule as a sentence.
[[noreturn]] void ablehnen(const QString&, const QString& grund) { throw Ablehnung{grund.left(1).toUpper() + grund.mid(1) + QLatin1Char('.')}; }

// The rules a file's bookings meet, asked of the store. A row keeping its
// account may keep one the master lacks (the statement leaves it out).
void pruefen(db::Database& db, int jahr, const Buchung& b, const QString& bisherigesKonto = {}) {
    QStringList konten{bisherigesKonto};
    for (const Konto& k : kontenLesen(db, jahr)) konten << k.nr;
    const BuchungsRegeln regeln{jahr, [&](long nr) { return objektVorhanden(db, nr); }, [&](const QString& nr) { return konten.contains(nr); },
                                {}, QStringLiteral(" (zuerst im Konten Stamm anlegen)")};
    Variant vz = Variant::lng(b.vorzeichen);
    regeln.pruefen(Variant::string(b.sh), vz, Variant::date(b.datum), ganz(b.objNr), Variant::string(b.kontoNr), ablehnen);
}

std::vector<Variant> werte(const Buchung& b) {
    return {ganz(b.objNr),           Variant::string(b.kontoNr), Variant::date(b.datum), b.belegNr ? ganz(*b.belegNr) : Variant::null(),
            text(b.text1),           text(b.text2),              Variant::currency(b.betrag), Variant::string(b.sh),
            ganz(b.vorzeichen),      text(b.korrKz),             text(b.art),            ganz(b.nr)};
}

}  // namespace

std::vector<Buchung> buchungenLesen(db::Database& db, int jahr, long objNr) {
    std::vector<Buchung> r;
    if (!hatTabelle(db, jahr)) return r;
    auto rs = db.OpenRecordset(Spalten + db::buchungsTabelle(jahr) + QStringLiteral(" WHERE BuObjNr = ? ORDER BY BuDatum, BuBelegNr, BuNr"),
                               {ganz(objNr)});
    for (; !rs->Eof(); rs->MoveNext()) r.push_back(buchung(*rs));
    return r;
}

QList<int> buchungsjahre(db::Database& db) {
    static const QRegularExpression muster(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"), QRegularExpression::CaseInsensitiveOption);
    QList<int> r;
    for (const QString& t : db.Tabellen())
        if (const auto m = muster.match(t); m.hasMatch()) r << m.captured(1).toInt();
    std::sort(r.begin(), r.end());
    return r;
}

SollHabenJahr sollHabenLesen(db::Database& db, int jahr) {
    if (!hatTabelle(db, jahr)) return {};
    const SollHaben s = SHSummen(db, QString::number(jahr));
    return {s.soll, s.haben};
}

QString auslassGrund(const Buchung& b, bool kontoImStamm) {
    // The statement's own conditions: a correction mark that is not blank, no kind or kind 90, an account outside the master.
    if (b.korrKz && !b.korrKz->trimmed().isEmpty())
        return QStringLiteral("Korrekturkennzeichen '%1': in der Abrechnung nicht berücksichtigt").arg(*b.korrKz);
    if (!b.art) return QStringLiteral("ohne Art: in der Abrechnung nicht berücksichtigt");
    if (*b.art == VortragsBuchungsart) return QStringLiteral("Art 90: in der Abrechnung nicht berücksichtigt");
    if (!kontoImStamm) return QStringLiteral("Konto fehlt im Kontenstamm: in der Abrechnung nicht berücksichtigt");
    return {};
}

std::map<QString, Currency> kontoSalden(const std::vector<Buchung>& zeilen) {
    std::map<QString, Currency> r;
    for (const Buchung& b : zeilen) r[b.kontoNr] += b.saldo();
    return r;
}

std::optional<QDate> buchungsDatumLesen(const QString& eingabe, int jahr, QString& grund) {
    const auto d = datumLesen(eingabe, jahr, grund);
    if (d && !d->isValid()) grund = QStringLiteral("Das Datum fehlt (TT.MM.JJJJ).");
    if (!d || !d->isValid()) return std::nullopt;
    const auto ja = [](auto) { return true; };
    Variant vz;
    BuchungsRegeln{jahr, ja, ja}.pruefen(Variant::null(), vz, Variant::date(*d), Variant::null(), Variant::null(),
                                         [&](const QString&, const QString& g) { grund = g; });
    if (!grund.isEmpty()) return std::nullopt;
    return d;
}

QString text1Grund(const QString& text1) {
    return text1.trimmed().isEmpty() ? QStringLiteral("Der Buchungstext (Text 1) fehlt.") : QString();
}

std::optional<std::optional<long>> belegNrLesen(const QString& eingabe, QString& grund) {
    const auto v = wertLesen(Typ::Ganz, eingabe.trimmed(), false, false, grund);
    if (!v) return std::nullopt;
    return v->istNull() ? std::optional<long>() : std::optional<long>(v->toLong());
}

namespace {

// tabelleAngelegt: this attempt made the year's table.
void paarSchreiben(db::Database& db, int jahr, long objNr, const BuchungsPaar& p, bool& tabelleAngelegt) {
    const QString tabelle = db::buchungsTabelle(jahr);
    db::Transaktion t(db);
    const auto zeile = [&](const QString& sh, long nr) {
        return Buchung{nr, objNr, p.datum, p.belegNr, sh == QLatin1String("S") ? p.sollKonto : p.habenKonto, p.text1, p.text2,
                       p.betrag, sh, vorzeichen(sh), std::nullopt, p.art};
    };
    for (const QString& sh : {QStringLiteral("S"), QStringLiteral("H")}) pruefen(db, jahr, zeile(sh, 0));
    if (!hatTabelle(db, jahr)) {
        tabelleAngelegt = true;
        for (const QString& sql : db::schemaBuchungsjahr(jahr)) db.Execute(sql);
    } else {
        // The largest number's row locked first: on the server another pair
        // saved meanwhile waits here and then numbers after this one.
        db.Execute(QStringLiteral("UPDATE %1 SET BuNr = BuNr WHERE BuNr = (SELECT MAX(BuNr) FROM %1)").arg(tabelle));
    }
    auto rs = db.OpenRecordset(QStringLiteral("SELECT MAX(BuNr) AS Hoechste FROM %1").arg(tabelle));
    const Variant hoechste = rs->Fields(QStringLiteral("Hoechste"));
    long nr = hoechste.istNull() ? 1 : hoechste.toLong() + 1;
    rs->Close();
    const QString einfuegen = QStringLiteral("INSERT INTO %1 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, "
                                             "BuSHVorzeichen, BuKorrKZ, BuArt, BuNr) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                  .arg(tabelle);
    for (const QString& sh : {QStringLiteral("S"), QStringLiteral("H")}) db.Execute(einfuegen, werte(zeile(sh, nr++)));
    db.NummernNachziehen(tabelle);
    t.commit();
}

}  // namespace

void paarSpeichern(db::Database& db, int jahr, long objNr, BuchungsPaar p) {
    p.sollKonto = p.sollKonto.trimmed();
    p.habenKonto = p.habenKonto.trimmed();
    p.art = p.art.trimmed().isEmpty() ? NormaleBuchungsart : p.art.trimmed();
    if (const QString g = text1Grund(p.text1); !g.isEmpty()) throw Ablehnung{g};
    bool tabelleAngelegt = false;
    try {
        paarSchreiben(db, jahr, objNr, p, tabelleAngelegt);
    } catch (const Fehler& f) {
        // On a server another workstation may have made the year's table, or
        // numbered a first pair, in the moment between the look and the write:
        // the transaction is rolled back, and the pair is booked after theirs.
        if (!tabelleAngelegt && f.Nummer() != db::nr::DoppelterSchluessel) throw;
        paarSchreiben(db, jahr, objNr, p, tabelleAngelegt);
    }
}

void buchungAendern(db::Database& db, int jahr, const Buchung& alt, Buchung neu) {
    neu.nr = alt.nr;
    neu.objNr = alt.objNr;
    neu.kontoNr = neu.kontoNr.trimmed();
    neu.vorzeichen = vorzeichen(neu.sh);
    db::Transaktion t(db);
    unveraendert(db, jahr, alt);
    pruefen(db, jahr, neu, alt.kontoNr);
    db.Execute(QStringLiteral("UPDATE %1 SET BuObjNr = ?, BuKontoNr = ?, BuDatum = ?, BuBelegNr = ?, BuText1 = ?, BuText2 = ?, "
                              "BuBetrag = ?, BuSH = ?, BuSHVorzeichen = ?, BuKorrKZ = ?, BuArt = ? WHERE BuNr = ?")
                   .arg(db::buchungsTabelle(jahr)),
               werte(neu));
    t.commit();
}

void buchungLoeschen(db::Database& db, int jahr, const Buchung& alt) {
    db::Transaktion t(db);
    unveraendert(db, jahr, alt);
    db.Execute(QStringLiteral("DELETE FROM %1 WHERE BuNr = ?").arg(db::buchungsTabelle(jahr)), {ganz(alt.nr)});
    t.commit();
}

}  // namespace hmz::stamm
