#include "statement/kontodrucken.h"

#include "core/format.h"
#include "entry/formular.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "shell/fehlermelden.h"
#include "statement/druckhilfe.h"
#include "statement/objektdrucken.h"
#include "statement/sonderpositionen.h"
#include "statement/summen.h"
#include "store/zeilenrecordset.h"

#include <QHash>
#include <cmath>
#include <optional>

namespace hmz {

using statement::GL;
using statement::sqlText;
using statement::textOderLeer;
using statement::zahl;

namespace {

// A new account block starts on a new page below this line (mm).
constexpr double BlockGrenzeY = 250;

db::Recordset& kontoZeile() { return formular().KK_Data.recordset(); }

Currency kontoSaldo() { return kontoZeile().Fields(QStringLiteral("KontoSaldo")).toCurrency(); }

int kontoPosition() { return kontoZeile().Fields(QStringLiteral("KontoHmzresPos")).toLong(); }

void saldoRechts() { DruckTextRechts(format::betrag(kontoSaldo()), 183); }

void leerZeile() { DruckText(QString(), 0); }

void abschnittKopf(bool& begonnen, bool summeDavor, const QString& ueberschrift) {
    if (begonnen) return;
    begonnen = true;
    if (summeDavor) SummeEinnahmenDrucken();
    leerZeile();
    FettEin();
    DruckText(ueberschrift, 0);
    FettAus();
    leerZeile();
}

void einzelbuchungenDrucken() {
    auto& f = formular();
    konto().BuchungNr = 0;
    // Without its bookings (query failed: BU_Data holds another account's)
    // the account still shows its balance on its own line.
    if (!BuchungenSelectEinzelbu()) {
        saldoRechts();
        return;
    }
    auto& bu = f.BU_Data.recordset();
    if (bu.RecordCount() <= 0) {
        saldoRechts();
        return;
    }
    bu.MoveLast();  // makes RecordCount exact: the last line carries the total
    f.BuchungenEnde = false;
    bu.MoveFirst();
    while (!f.BuchungenEnde) {
        EinzelbuchungDrucken();
        bu.MoveNext();
        Ereignispunkt();
        if (bu.Eof()) f.BuchungenEnde = true;
    }
}

// Where this account's last month line stands: the total goes there. Kept
// exact; the whole-millimetre MonatsZeileY would put the total up to half a
// millimetre off its line.
std::optional<float> letzteMonatsZeileY;

void monateDrucken() {
    auto& f = formular();
    letzteMonatsZeileY.reset();
    if (BuchungenSelect()) {
        auto& bu = f.BU_Data.recordset();
        if (bu.RecordCount() > 0) {
            while (!bu.Eof()) {
                if (!bu.Fields(QStringLiteral("MonKontoSaldo")).toCurrency().istNull()) {
                    MonatsZeileDrucken();
                }
                bu.MoveNext();
            }
        }
    }
    // Without a month line the account line is still open and takes the
    // total; MonatsZeileY would belong to an earlier account.
    if (letzteMonatsZeileY) Printer().setCurrentY(*letzteMonatsZeileY);
    saldoRechts();
}

// The period filter of both booking queries.
QString buchungsFilterZeitraum() {
    const auto& f = formular();
    return QStringLiteral(" AND (BuDatum ") + QStringLiteral("Between datevalue('") + format::kurzDatum(f.AbrVonDatum)
           + QStringLiteral("') ") + QStringLiteral("AND datevalue('") + format::kurzDatum(f.AbrBisDatum)
           + QStringLiteral("')) ");
}

}  // namespace

KontoZustand& konto() {
    static KontoZustand k;
    return k;
}

void KontoDrucken() {
    auto& kk = kontoZeile();
    if (kk.Fields(QStringLiteral("KontoSaldo")).istNull()) return;

    auto& p = Printer();
    if (p.CurrentY() > BlockGrenzeY) p.setCurrentY(static_cast<float>(druck().SeitenEndeY + 1));
    SeitenwechselPruefen();

    AbschnittKopfDrucken();

    const int pos = kontoPosition();
    const QString kontoNr = textOderLeer(kk.Fields(QStringLiteral("KontoNr")));
    DruckText(format::nullen(pos, 2), -7, GL);
    DruckText(kontoNr, 0, GL);
    QString bezeichnung = textOderLeer(kk.Fields(QStringLiteral("KontoBezeichnung")));
    // The fit rounds widths to whole millimetres, so 45 mm would let a name
    // run up to half a millimetre into the date column at 57 mm.
    TextKuerzen(bezeichnung, 44);
    DruckText(bezeichnung, 12, GL);

    konto().AktKontoNr = kontoNr;
    while (konto().AktKontoNr.endsWith(QLatin1Char(' '))) konto().AktKontoNr.chop(1);

    const Variant art = kk.Fields(QStringLiteral("KontoHmzresVerdichtKz"));
    const long modus = art.istNull() ? -1 : art.toLong();
    switch (modus) {
    case verdichtung::Einzelbuchungen: einzelbuchungenDrucken(); break;
    case verdichtung::Zeitraum: ZeitraumZeileDrucken(); break;
    case verdichtung::Monate: monateDrucken(); break;
    default: saldoRechts(); break;
    }

    auto& o = objekt();
    const Currency saldo = kontoSaldo();
    if (pos == 50) {
        o.SummeEHB += saldo;
    } else if (pos > 20) {
        o.SummeAusgaben += saldo;
        if (istZuschlagPosition(pos)) ZuschlagDrucken();
    } else {
        o.SummeEinnahmen += saldo;
        if (pos == WerbeflaechenPosition) WerbeflaechenAbzugDrucken();
    }

    leerZeile();
}

void AbschnittKopfDrucken() {
    auto& o = objekt();
    const int pos = kontoPosition();
    if (pos == 50)
        abschnittKopf(o.EhbBegonnen, true, QStringLiteral("Erhaltungsbeitrag:"));
    else if (pos > 20)
        abschnittKopf(o.AusgabenBegonnen, true, QStringLiteral("A u s g a b e n :"));
    else
        abschnittKopf(o.EinnahmenBegonnen, false, QStringLiteral("E i n n a h m e n :"));
}

namespace {

// The conditions both booking queries share: this property and period, no
// corrections, no bookings of kind 90.
QString buchungsBedingung() {
    const auto& f = formular();
    return QStringLiteral(" FROM ObjKanzleiBuchungen") + zahl(f.TabellenJahr) + QStringLiteral(" WHERE BuObjNr = ") + f.ObjNrText
           + buchungsFilterZeitraum() + QStringLiteral(" AND (isnull(BuKorrKz) OR rtrim(BuKorrKz) = '')")
           + QStringLiteral(" AND NOT BuArt = '90'");
}

// The current account's rows into BU_Data. The property's rows of every
// account come in one query the first time one is asked for (columns: the
// right-trimmed account number, then spalten) and are kept for the
// property: a server answers every query over the network, one per account
// would cost a round trip each.
bool kontoZeilen(std::optional<QHash<QString, db::Zeilen>>& vorrat, const QString& ort, const QString& sql,
                 const QStringList& spalten) {
    auto& f = formular();
    return mitMeldung(ort, [&] {
        f.BU_Data.Uebernehmen(nullptr);
        if (!vorrat) {
            QHash<QString, db::Zeilen> zeilen;
            auto rs = f.BU_Data.database().OpenRecordset(sql);
            for (; !rs->Eof(); rs->MoveNext()) {
                std::vector<Variant> z;
                z.reserve(static_cast<std::size_t>(spalten.size()));
                for (const QString& s : spalten) z.push_back(rs->Fields(s));
                zeilen[rs->Fields(QStringLiteral("BuKonto")).toString()].push_back(std::move(z));
            }
            vorrat = std::move(zeilen);
        }
        f.BU_Data.Uebernehmen(db::zeilenRecordset(spalten, vorrat->value(konto().AktKontoNr)));
    });
}

}  // namespace

// On a file every query is cheap and the account's own query reads the
// bookings index directly; only a server gets the property's rows at once.
static bool aufServer() { return db::Engine::IstServer(formular().BU_Data.DatabaseName); }

bool BuchungenSelectEinzelbu() {
    if (!aufServer()) {
        auto& f = formular();
        const QString sql = QStringLiteral("SELECT ")
                            + QStringLiteral("BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, BuSHVorzeichen ")
                            + QStringLiteral("FROM ObjKanzleiBuchungen") + zahl(f.TabellenJahr) + QStringLiteral(" WHERE")
                            + QStringLiteral(" BuObjNr = ") + f.ObjNrText + QStringLiteral(" AND rtrim(BuKontoNr) = '")
                            + sqlText(konto().AktKontoNr) + QStringLiteral("'") + buchungsFilterZeitraum()
                            + QStringLiteral(" AND (isnull(BuKorrKz) ") + QStringLiteral(" OR rtrim(BuKorrKz) = '')")
                            + QStringLiteral(" AND NOT BuArt = '90'") + QStringLiteral(" ORDER BY BuDatum, BuBelegNr, BuNr  ");
        return mitMeldung(QStringLiteral("kmoHauptMzRes, in BuchungenSelectEinzelbu"), [&] {
            f.BU_Data.RecordSource = sql;
            f.BU_Data.Refresh();
        });
    }
    static const QStringList spalten{QStringLiteral("BuDatum"),  QStringLiteral("BuBelegNr"), QStringLiteral("BuText1"),
                                     QStringLiteral("BuText2"),  QStringLiteral("BuBetrag"),  QStringLiteral("BuSH"),
                                     QStringLiteral("BuSHVorzeichen")};
    const QString sql = QStringLiteral("SELECT rtrim(BuKontoNr) AS BuKonto, ") + spalten.join(QStringLiteral(", "))
                        + buchungsBedingung() + QStringLiteral(" ORDER BY BuDatum, BuBelegNr, BuNr");
    return kontoZeilen(objekt().Einzelbuchungen, QStringLiteral("kmoHauptMzRes, in BuchungenSelectEinzelbu"), sql, spalten);
}

bool BuchungenSelect() {
    if (!aufServer()) {
        auto& f = formular();
        const QString sql = QStringLiteral("SELECT ") + QStringLiteral("SUM([BuBetrag] * BuSHVorzeichen) as MonKontoSaldo, ")
                            + QStringLiteral(" datepart('m', BuDatum) as BuMonat") + QStringLiteral(" FROM ObjKanzleiBuchungen")
                            + zahl(f.TabellenJahr) + QStringLiteral(" WHERE ") + QStringLiteral(" BuObjNr = ") + f.ObjNrText
                            + QStringLiteral(" AND rtrim(BuKontoNr) = '") + sqlText(konto().AktKontoNr) + QStringLiteral("'")
                            + QStringLiteral(" AND (isnull(BuKorrKz) ") + QStringLiteral(" OR rtrim(BuKorrKz) = '')")
                            + QStringLiteral(" AND BuArt <> '90'") + buchungsFilterZeitraum()
                            + QStringLiteral("GROUP BY  datepart('m', BuDatum)");
        return mitMeldung(QStringLiteral("kmoHauptMzRes, in BuchungenSelect"), [&] {
            f.BU_Data.RecordSource = sql;
            f.BU_Data.Refresh();
        });
    }
    const QString monat = QStringLiteral("datepart('m', BuDatum)");
    const QString sql = QStringLiteral("SELECT rtrim(BuKontoNr) AS BuKonto, SUM(BuBetrag * BuSHVorzeichen) AS MonKontoSaldo, ")
                        + monat + QStringLiteral(" AS BuMonat") + buchungsBedingung()
                        + QStringLiteral(" GROUP BY rtrim(BuKontoNr), ") + monat
                        + QStringLiteral(" ORDER BY rtrim(BuKontoNr), ") + monat;
    return kontoZeilen(objekt().Monatssummen, QStringLiteral("kmoHauptMzRes, in BuchungenSelect"), sql,
                       {QStringLiteral("MonKontoSaldo"), QStringLiteral("BuMonat")});
}

void EinzelbuchungDrucken() {
    auto& f = formular();
    auto& bu = f.BU_Data.recordset();
    auto& k = konto();
    ++k.BuchungNr;
    SeitenwechselPruefen();

    const QDate datum = bu.Fields(QStringLiteral("BuDatum")).toDate();
    DruckText(format::nullen(datum.day(), 2) + QLatin1Char('.') + format::nullen(datum.month(), 2) + QLatin1Char('.')
                  + QString::number(datum.year()).mid(2, 2),
              57, GL);
    const Variant beleg = bu.Fields(QStringLiteral("BuBelegNr"));
    DruckText(beleg.istNull() ? QString() : format::nullen(beleg.toLong(), 5), 71, GL);
    QString text = textOderLeer(bu.Fields(QStringLiteral("BuText1")));
    TextKuerzen(text, 45);
    DruckText(text, 81, GL);

    const Currency betrag =
        bu.Fields(QStringLiteral("BuBetrag")).toCurrency() * bu.Fields(QStringLiteral("BuSHVorzeichen")).toLong();
    if (k.BuchungNr != bu.RecordCount()) {
        DruckTextRechts(format::betrag(betrag), 156);
    } else {
        DruckTextRechts(format::betrag(betrag), 156, GL);
        saldoRechts();
    }
}

void MonatsZeileDrucken() {
    auto& f = formular();
    auto& bu = f.BU_Data.recordset();
    const int monat = bu.Fields(QStringLiteral("BuMonat")).toLong();
    DruckText(format::monatNameJahr(QDate(f.AbrJahr, monat, 1)), 57, GL);
    const Currency summe = bu.Fields(QStringLiteral("MonKontoSaldo")).toCurrency();
    letzteMonatsZeileY = Printer().CurrentY();
    druck().MonatsZeileY = static_cast<int>(std::nearbyint(*letzteMonatsZeileY));
    DruckTextRechts(format::betrag(summe), 156);
}

void ZeitraumZeileDrucken() {
    const auto& f = formular();
    DruckText(format::monatJahr(f.AbrVonDatum) + QStringLiteral(" - ") + format::monatJahr(f.AbrBisDatum), 58, GL);
    saldoRechts();
}

}  // namespace hmz
