// Checks of the run's inputs: property range and statement period.
#include "core/format.h"
#include "entry/formular.h"
#include "statement/lauf.h"

#include <optional>

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

namespace {

// A property number as typed: a whole number from 0 to 99999. Anything else
// is refused before it could reach a query.
std::optional<long> objektNummer(const Variant& wert) {
    if (wert.istEmpty()) return 0;
    if (!wert.istNumerisch() || wert.typ() == VarTyp::Boolean) return std::nullopt;
    const double d = wert.toDouble();
    if (d < 0 || d > 99999 || d != static_cast<double>(static_cast<long>(d))) return std::nullopt;
    return static_cast<long>(d);
}

}  // namespace

bool StartPruefungen(LaufAnsicht& a, long& von, long& bis) {
    auto& f = formular();
    const auto vonNr = objektNummer(a.feldWert(Feld::VonObjNr));
    const auto bisNr = objektNummer(a.feldWert(Feld::BisObjNr));
    if (!vonNr || !bisNr) {
        a.melden({QStringLiteral("Die Objekt-Nr muss eine ganze Zahl von 0 bis 99999 sein.")});
        a.fokus(vonNr ? Feld::BisObjNr : Feld::VonObjNr);
        return false;
    }
    von = *vonNr;
    bis = *bisNr;
    const QString vonNrText = format::nullen(von, 5);
    const QString bisNrText = format::nullen(bis, 5);
    if (von == 0 && bis == 0) {
        a.melden({QStringLiteral("von- und bis-Objektnummer Null ist ungültig")});
        a.fokus(Feld::VonObjNr);
        return false;
    }
    if (bisNrText < vonNrText) {
        a.melden({QStringLiteral("Bis-Auswahl kleiner Von-Auswahl ist ") + QStringLiteral("ungültig"),
                  QStringLiteral("Ungültige Von-Bis-Auswahl")});
        a.fokus(Feld::VonObjNr);
        return false;
    }
    VonDatumPruefen(a);
    if (f.Abbruch) {
        a.fokus(Feld::AbrVonDatum);
        return false;
    }
    const QDate vonDatum = a.feldWert(Feld::AbrVonDatum).toDate();
    f.AbrVonDatum = QDate(vonDatum.year(), vonDatum.month(), 1);
    a.setzeFeldWert(Feld::AbrVonDatum, Variant::date(f.AbrVonDatum));

    BisDatumPruefen(a);
    if (f.Abbruch) {
        a.fokus(Feld::AbrBisDatum);
        return false;
    }
    f.AbrBisDatum = MonatsLetzter(a.feldWert(Feld::AbrBisDatum).toDate());
    a.setzeFeldWert(Feld::AbrBisDatum, Variant::date(f.AbrBisDatum));

    if (f.AbrVonDatum.year() != f.AbrBisDatum.year()) {
        a.melden({QStringLiteral("Das Jahr in Abrechnung-Von-Datum muss gleich sein ") +
                  QStringLiteral("dem Jahr in Abrechnung-Bis-Datum")});
        a.fokus(Feld::AbrVonDatum);
        return false;
    }
    if (f.AbrVonDatum > f.AbrBisDatum) {
        a.melden({QStringLiteral("Das Abrechnung von Datum darf nicht größer dem Abrechnung bis Datum sein.")});
        a.fokus(Feld::AbrVonDatum);
        return false;
    }
    f.AbrJahr = f.AbrBisDatum.year();
    f.TabellenJahr = f.AbrJahr;
    return true;
}


}  // namespace hmz
