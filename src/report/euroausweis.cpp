#include "report/euroausweis.h"

#include "core/fehler.h"
#include "core/format.h"
#include "store/datenzugriff.h"
#include "entry/formular.h"
#include "shell/oberflaeche.h"
#include "shell/fehlermelden.h"

#include <limits>

namespace hmz {

namespace {

const QString Quelle = QStringLiteral("in mdlEuroAusw");

__extension__ typedef __int128 Breit;  // room for the product of two currency values

// The exact product of two currency values, rounded half to even to four decimals.
Currency produkt(Currency a, Currency b) {
    const Breit p = static_cast<Breit>(a.raw()) * b.raw();
    Breit q = p / Currency::Skala;
    const Breit rest = p % Currency::Skala;  // sign of p
    const Breit doppelt = (rest < 0 ? -rest : rest) * 2;
    if (doppelt > Currency::Skala || (doppelt == Currency::Skala && q % 2 != 0)) q += p < 0 ? -1 : 1;
    if (q > std::numeric_limits<std::int64_t>::max() || q < std::numeric_limits<std::int64_t>::min())
        wirfUeberlauf();
    return Currency::fromRaw(static_cast<std::int64_t>(q));
}

}  // namespace

EuroAusweisZustand& euroAusweis() {
    static EuroAusweisZustand z;
    return z;
}

void EuroAusweis(db::Recordset& mandant, Currency betrag) {
    auto& z = euroAusweis();
    Currency kurs;
    // Each step reports its own failure and the next one runs, so callers
    // always get a text (empty when the failure came before it).
    z.EuroAusweisText.clear();
    mitMeldung(Quelle, [&] {
        if (z.AusweisJahr == 0) z.AusweisJahr = mandant.Fields(QStringLiteral("MandMonStatusDatum")).toDate().year();
    });
    mitMeldung(Quelle, [&] {
        const Variant k = mandant.Fields(QStringLiteral("MandEurKurs"));
        kurs = k.istNull() ? Currency() : k.toCurrency();
    });
    if (!formular().EurAtsAusweisen) return;
    if (kurs.istNull()) {
        ui().melden({QStringLiteral("Gemäß Mandantenstamm soll ein Euro-2fach-Ausweis erfolgen.\r\n"
                                    "Der Euro-Kurs in Mandantenstamm ist jedoch Null.\r\n"
                                    "Es wird der Euro-Kurs 13,7603 verwendet!")});
        kurs = Currency::fromDouble(EuroKursFest);
    }
    mitMeldung(Quelle, [&] {
        if (z.AusweisJahr == 0 || z.AusweisJahr < EuroUmstellungsJahr) {
            z.EuroWert = betrag.durchDouble(kurs.toDouble());
            z.EuroAusweisText = QStringLiteral("(=EUR ") + format::betrag(z.EuroWert) + QLatin1Char(')');
        } else {
            z.AtsWert = produkt(betrag, kurs);
            z.EuroAusweisText = QStringLiteral("(=ATS ") + format::betrag(z.AtsWert) + QLatin1Char(')');
        }
    });
}

}  // namespace hmz
