#include "statement/summen.h"

#include "core/format.h"
#include "entry/formular.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "report/euroausweis.h"
#include "report/kopf.h"
#include "statement/druckhilfe.h"
#include "statement/objektdrucken.h"

namespace hmz {

using statement::GL;

namespace {

void schlussZeile(const QString& bezeichnung, Currency betrag) {
    FettEin();
    DruckText(bezeichnung, 110, GL);
    DruckTextRechts(format::betrag(betrag), 183);
    FettAus();
    auto& f = formular();
    if (f.EurAtsAusweisen) {
        euroAusweis().AusweisJahr = f.AbrJahr;
        EuroAusweis(f.MA_Data.recordset(), betrag);
        DruckTextRechts(euroAusweis().EuroAusweisText, 183);
    }
}

}  // namespace

QString reserveBezeichnung(Currency reserve) {
    if (reserve > Currency()) return QStringLiteral("Hauptmietzinsreserve-Zuwachs:");
    if (reserve < Currency()) return QStringLiteral("Hauptmietzinsreserve-Abgang:");
    return QStringLiteral("Hauptmietzinsreserve:");
}

void SummeEinnahmenDrucken() {
    auto& o = objekt();
    if (!o.EinnahmenBegonnen || o.EinnahmenSummeGedruckt) return;
    o.EinnahmenSummeGedruckt = true;
    LinieBetraege();
    schlussZeile(QStringLiteral("Summe Einnahmen:"), o.SummeEinnahmen);
}

void SummeAusgabenDrucken() {
    auto& o = objekt();
    if (!o.AusgabenBegonnen) return;
    LinieBetraege();
    schlussZeile(QStringLiteral("Summe Ausgaben:"), o.SummeAusgaben);
}

void HmzReserveDrucken() {
    auto& o = objekt();
    o.HmzReserve = o.SummeEinnahmen + o.SummeAusgaben;
    // Accounts without any balance open no page: the reserve line must not
    // land below the previous property's last page, so it opens this
    // property's first page itself.
    if (druck().SeitenNr == 0) SeitenwechselPruefen();
    DruckText(QString(), 0);
    LinieGanz();
    schlussZeile(reserveBezeichnung(o.HmzReserve), o.HmzReserve);
    LinieGanz();
}

void SummeEhbDrucken() {
    auto& o = objekt();
    if (!o.EhbBegonnen) return;
    LinieBetraege();
    schlussZeile(QStringLiteral("Summe Erhaltungsbeitrag:"), o.SummeEHB);
}

void HmzReserveMitEhbDrucken() {
    auto& o = objekt();
    DruckText(QString(), 0);
    LinieGanz();
    schlussZeile(QStringLiteral("Hmzreserve mit Erhaltungsbeitr:"), o.HmzReserve + o.SummeEHB);
    LinieGanz();
}

}  // namespace hmz
