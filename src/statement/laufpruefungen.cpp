// Checks of the run's inputs: property range and statement period.
#include "core/format.h"
#include "entry/formular.h"
#include "statement/lauf.h"

namespace hmz {

QString feldName(Feld f) {
    switch (f) {
    case Feld::VonObjNr: return QStringLiteral("inpVonObjNr");
    case Feld::BisObjNr: return QStringLiteral("inpBisObjNr");
    case Feld::AbrVonDatum: return QStringLiteral("inpAbrVonDatum");
    case Feld::AbrBisDatum: return QStringLiteral("inpAbrBisDatum");
    }
    return {};
}

QString& FehlerFeld() {
    static QString f;
    return f;
}

QDate MonatsLetzter(QDate datum) {
    const QDate erster(datum.year(), datum.month(), 1);
    return erster.addMonths(1).addDays(-1);
}

namespace {

void datumPruefen(LaufAnsicht& a, Feld feld, const QString& vonBis) {
    auto& f = formular();
    FehlerFeld().clear();
    f.Abbruch = false;
    const Variant wert = a.feldWert(feld);
    const QString feldText = QStringLiteral("\"Abrechnung ") + vonBis + QStringLiteral(" MM.JJ:\"");
    const QString crlf = QStringLiteral("\r\n");

    if (!wert.istDatum()) {
        // An empty field counts as 0, as the platform compares Empty with 0.
        const bool istNull = wert.istEmpty() ||
                             (wert.typ() == VarTyp::String ? wert.toString() == QLatin1String("0")
                                                           : wert.istNumerisch() && wert.toDouble() == 0.0);
        if (istNull)
            a.melden({QStringLiteral("Abrechnung ") + vonBis + QStringLiteral(" MM.JJ-Datum Null nicht zulässig")});
        else
            a.melden({QStringLiteral("Das Datum ") + feldText + QStringLiteral(" ist kein ") +
                      QStringLiteral("gültiger Datumswert.") + crlf +
                      QStringLiteral("Bitte ein richtiges Datum im Format MM.JJ oder MM.JJJJ eingeben.")});
        f.Abbruch = true;
        FehlerFeld() = feldName(feld);
        return;
    }
    const int jahr = wert.toDate().year();
    if (jahr >= 1980 && jahr <= 2030) return;
    a.melden({QStringLiteral("Das Jahr ") + feldText + QStringLiteral(" ist unlogisch (zu niedrig oder zu hoch). ") + crlf +
              QStringLiteral("Bitte ein richtiges Datum im Format MM.JJ oder MM.JJJJ und ohne Tag eingeben.")});
    f.Abbruch = true;
    FehlerFeld() = feldName(feld);
}

}  // namespace

void VonDatumPruefen(LaufAnsicht& a) { datumPruefen(a, Feld::AbrVonDatum, QStringLiteral("von")); }
void BisDatumPruefen(LaufAnsicht& a) { datumPruefen(a, Feld::AbrBisDatum, QStringLiteral("bis")); }

void DatumFeldValidieren(LaufAnsicht& a, Feld feld, bool& cancel) {
    const QString name = feldName(feld);
    if (!FehlerFeld().isEmpty() && FehlerFeld() != name) return;  // the other field holds a failed check
    if (feld == Feld::AbrVonDatum)
        VonDatumPruefen(a);
    else
        BisDatumPruefen(a);
    if (formular().Abbruch) cancel = true;
}

}  // namespace hmz
