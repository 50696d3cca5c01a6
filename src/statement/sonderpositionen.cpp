#include "statement/sonderpositionen.h"

#include "core/format.h"
#include "entry/formular.h"
#include "report/druck.h"
#include "statement/druckhilfe.h"
#include "statement/objektdrucken.h"

namespace hmz {

namespace {

// Bold label under the amount column's edge, the amount at the total's edge.
void sonderZeile(const QString& bezeichnung, Currency betrag) {
    FettEin();
    DruckTextRechts(bezeichnung, 156, statement::GL);
    FettAus();
    DruckTextRechts(format::betrag(betrag), 183);
}

Currency kontoSaldo() { return formular().KK_Data.recordset().Fields(QStringLiteral("KontoSaldo")).toCurrency(); }

}  // namespace

bool istZuschlagPosition(int pos) { return pos == 25 || pos == 26 || pos == 32 || pos == 35 || pos == 36; }

Currency sonderBetrag(Currency saldo, double faktor) { return saldo.malDouble(faktor).aufCentGerundet(); }

void WerbeflaechenAbzugDrucken() {
    auto& o = objekt();
    // Rounded before the sign change, so both signs round alike.
    o.SonderBetrag = -sonderBetrag(kontoSaldo(), 0.75);
    sonderZeile(QStringLiteral("Werbeflächeneinnahmen -75% vH:"), o.SonderBetrag);
    o.SummeEinnahmen += o.SonderBetrag;
}

void ZuschlagDrucken() {
    auto& o = objekt();
    o.SonderBetrag = sonderBetrag(kontoSaldo(), 0.2);
    sonderZeile(QStringLiteral("20%:"), o.SonderBetrag);
    o.SummeAusgaben += o.SonderBetrag;
}

}  // namespace hmz
