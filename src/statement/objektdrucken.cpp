#include "statement/objektdrucken.h"

#include "core/format.h"
#include "entry/formular.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "report/kopf.h"
#include "shell/fehlermelden.h"
#include "statement/druckhilfe.h"
#include "statement/kontodrucken.h"
#include "statement/laufansicht.h"
#include "statement/mehrjahr.h"
#include "statement/summen.h"
#include "store/datenzugriff.h"


namespace hmz {

using statement::GL;
using statement::zahl;

namespace {

const QString ObjOzQuelle = QStringLiteral("kmoHauptMzRes, in ObjOzSelect");

void ObjOzAbfragen();

void (*ereignisPunkt)() = nullptr;
LaufAnsicht* anzeige = nullptr;
bool nurRechnen = false;
bool probelauf = false;
long gespeichert = 0;
std::function<void(const ObjektZustand&)> beobachter;

void zeigeLatsch() {
    if (anzeige) anzeige->setzeLatsch(QStringLiteral("Laufende Objekt-Nr: ") + formular().ObjNrText);
}

void neueSeiteErzwingen() { Printer().setCurrentY(static_cast<float>(druck().SeitenEndeY + 1)); }

// A confirmed cancel discards the job; a reported failure (a pass whose
// accounts could not be read) leaves a total at 0. Either way this property's
// totals are incomplete, so its year record must not be written.
bool unvollstaendig() {
    const auto& f = formular();
    return f.AbbruchBestaetigt || f.LaufEnde || druck().DruckGestoppt
           || gemeldeteFehler() != objekt().FehlerBeiBeginn;
}

// Only a statement of January to December has the year's result; a part of
// the year would replace it with a partial figure.
bool ganzesJahr() {
    const auto& f = formular();
    return f.AbrVonDatum.month() == 1 && f.AbrBisDatum.month() == 12 && f.AbrVonDatum.year() == f.AbrBisDatum.year();
}

bool ohneSpeichern() { return nurRechnen || probelauf || !ganzesJahr(); }

// The year row, inserted or updated by the store in one short transaction:
// a row that another program deleted or stored meanwhile cannot make it a
// no-op, a killed run leaves the old row or the new one, and the lock is
// gone before anything is drawn or asked. A failure ends the run.
void jahresSatzSchreiben() {
    auto& f = formular();
    const auto& o = objekt();
    f.OZ_Data.database().JahresergebnisSchreiben(f.ObjNrText.toLong(), static_cast<int>(f.AbrJahr), o.HmzReserve, o.SummeEHB);
    ++gespeichert;
}

void mehrjahresAufstellung() {
    auto& f = formular();
    auto& o = objekt();
    f.MehrjahrAktiv = true;
    neueSeiteErzwingen();
    SeitenwechselPruefen();

    LeerZeilen(3);
    DruckText(QStringLiteral("Aufstellung der Hauptmietzinsreserve mit Erhaltungsbeitrag"), 53);
    LeerZeilen(2);
    DruckText(QStringLiteral("Jahr"), 45, GL);
    DruckTextRechts(QStringLiteral("HMZ ohne EHB"), 85, GL);
    DruckTextRechts(QStringLiteral("vereinn.EHB"), 115, GL);
    DruckTextRechts(QStringLiteral("HMZ mit EHB"), 145);
    LinieMitte();

    const bool eigeneZeile = ohneSpeichern();
    if (!unvollstaendig() && !eigeneZeile) jahresSatzSchreiben();

    // Without storing, the statement year's row is the statement's own
    // result, shown last as if it had been stored.
    std::optional<EigenesErgebnis> eigenes;
    if (eigeneZeile) eigenes = EigenesErgebnis{o.HmzReserve, o.SummeEHB};
    const Zehnjahrestabelle t = zehnjahrestabelle(ObjOzSelect() ? &f.OZ_Data.recordset() : nullptr, f.AbrJahr, eigenes);
    for (const auto& z : t.zeilen) {
        JahresZeileDrucken(z);
        Ereignispunkt();
    }
    o.Jahre = t.zeilen;
    o.SummeHmzOhneEHB = t.summeOhne;
    o.SummeVereinnEHB = t.summeEhb;
    LinieMitte();
    JahresSummenDrucken();
}

}  // namespace

ObjektZustand& objekt() {
    static ObjektZustand z;
    return z;
}

void setzeEreignisPunkt(void (*punkt)()) { ereignisPunkt = punkt; }

void Ereignispunkt() {
    if (ereignisPunkt) ereignisPunkt();
}

void setzeLaufAnsicht(LaufAnsicht* ansicht) { anzeige = ansicht; }

void setzeNurRechnen(bool an) { nurRechnen = an; }
bool istNurRechnen() { return nurRechnen; }
void setzeProbelauf(bool an) { probelauf = an; }

long gespeicherteJahresergebnisse() { return gespeichert; }

QString ohneSpeichernHinweis() {
    if (nurRechnen) return {};
    const auto& f = formular();
    if (!ganzesJahr())
        return QStringLiteral("Jahresergebnisse nicht gespeichert: der Zeitraum %1 bis %2 ist nicht das ganze Jahr; "
                              "gespeichert wird nur ein Lauf von 01 bis 12.")
            .arg(f.AbrVonDatum.toString(QStringLiteral("MM.yyyy")), f.AbrBisDatum.toString(QStringLiteral("MM.yyyy")));
    if (probelauf) return QStringLiteral("Jahresergebnisse nicht gespeichert: Probelauf.");
    return {};
}

void setzeObjektBeobachter(std::function<void(const ObjektZustand&)> b) { beobachter = std::move(b); }

void ObjektDrucken() {
    auto& f = formular();
    // All digits of the number: cutting a longer one to five characters would
    // read and overwrite another property's figures.
    f.ObjNrText = format::nullen(f.OO_Data.recordset().Fields(QStringLiteral("ObjNummer")).toLong(), 5);
    zeigeLatsch();
    Printer().DokumentBeginnen(QStringLiteral("HMZ-%1-%2").arg(f.AbrJahr).arg(f.ObjNrText));

    auto& o = objekt();
    o = ObjektZustand{};
    o.FehlerBeiBeginn = gemeldeteFehler();
    f.MehrjahrAktiv = false;
    druck().SeitenNr = 0;
    neueSeiteErzwingen();

    o.PosVon = 1;
    o.PosBis = 49;
    if (ObjHmzresPosSelect() && f.KK_Data.recordset().RecordCount() >= 1) {
        o.HmzKontenGefunden = true;
        PositionenDrucken();
    }

    o.PosVon = 50;
    o.PosBis = 50;
    if (ObjHmzresPosSelect() && f.KK_Data.recordset().RecordCount() >= 1) {
        o.EhbKontenGefunden = true;
        o.EhbDurchlauf = true;
        PositionenDrucken();
    }

    if (o.EhbBegonnen) HmzReserveMitEhbDrucken();

    if (!o.HmzKontenGefunden && !o.EhbKontenGefunden) return;
    mehrjahresAufstellung();
    if (beobachter && !unvollstaendig()) beobachter(o);
}

void PositionenDrucken() {
    auto& f = formular();
    auto& o = objekt();
    if (!o.ObjektGezaehlt) {
        o.ObjektGezaehlt = true;
        ++f.ObjektAnzahl;
        if (anzeige) anzeige->setzeObjAnz(QString::number(f.ObjektAnzahl));
        zeigeLatsch();
    }

    auto& kk = f.KK_Data.recordset();
    f.KontenEnde = false;
    kk.MoveFirst();
    while (!f.KontenEnde) {
        KontoDrucken();
        kk.MoveNext();
        Ereignispunkt();
        if (kk.Eof()) f.KontenEnde = true;
    }

    if (o.EhbDurchlauf) {
        SummeEhbDrucken();
    } else {
        SummeEinnahmenDrucken();
        SummeAusgabenDrucken();
        HmzReserveDrucken();
    }
}

bool ObjHmzresPosSelect() {
    auto& f = formular();
    const auto& o = objekt();
    const QString saldo = QStringLiteral("(Select SUM(BuBetrag * BuShVorzeichen) as SSS  from ObjKanzleiBuchungen")
                          + zahl(f.TabellenJahr) + QStringLiteral(" WHERE BuObjNr = ") + f.ObjNrText
                          + QStringLiteral(" AND BuKontoNr = KontoNr ") + QStringLiteral(" AND  BuDatum ")
                          + QStringLiteral("BETWEEN datevalue('") + format::kurzDatum(f.AbrVonDatum)
                          + QStringLiteral("') ") + QStringLiteral("AND datevalue('")
                          + format::kurzDatum(f.AbrBisDatum) + QStringLiteral("')")
                          + QStringLiteral(" AND (isnull(BuKorrKZ) or rtrim(BuKorrKZ) = '')")
                          + QStringLiteral(" AND NOT BuArt = '90')");
    const QString sql = QStringLiteral("SELECT ") + saldo + QStringLiteral(" as KontoSaldo, ")
                        + QStringLiteral(" KontoNr, KontoBezeichnung, KontoHmzresPos, KontoHmzresVerdichtKz ")
                        + QStringLiteral(" FROM ObjKanzleiKontenstamm ") + QStringLiteral(" WHERE KontoJJ = ")
                        + zahl(f.AbrJahr) + QStringLiteral(" AND KontoHmzresPos between ") + zahl(o.PosVon)
                        + QStringLiteral(" AND ") + zahl(o.PosBis)
                        + QStringLiteral(" ORDER BY KontoHmzresPos, KontoNr  ");
    return mitMeldung(QStringLiteral("kmoHauptMzRes, in ObjHmzresPosSelect"), [&] {
        f.KK_Data.RecordSource = sql;
        f.KK_Data.Refresh();
    });
}

namespace {

void ObjOzAbfragen() {
    auto& f = formular();
    f.OZ_Data.RecordSource = zehnjahresAbfrage(f.ObjNrText.toLong(), f.AbrJahr);
    f.OZ_Data.Refresh();
}

}  // namespace

bool ObjOzSelect() { return mitMeldung(ObjOzQuelle, &ObjOzAbfragen); }

}  // namespace hmz
