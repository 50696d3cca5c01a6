#include "report/kopf.h"

#include "core/format.h"
#include "entry/formular.h"
#include "entry/zustand.h"
#include "report/druck.h"
#include "report/drucker.h"

namespace hmz {

namespace {

QDate festesDatum;
db::Recordset* mandantQuelle = nullptr;
db::Recordset* objektQuelle = nullptr;

db::Recordset& mandant() { return mandantQuelle ? *mandantQuelle : formular().MA_Data.recordset(); }
db::Recordset& objekt() { return objektQuelle ? *objektQuelle : formular().OO_Data.recordset(); }

// The store keeps an empty text column as Null; on paper both are nothing.
QString feld(db::Recordset& rs, const QString& name) {
    const Variant v = rs.Fields(name);
    return v.istNull() ? QString() : v.toString();
}

QString ohneBlanksRechts(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
    return s.left(n);
}

// Move down, draw a rule at the new CurrentY, move down again.
void linie(double davor, double von, double bis, double danach) {
    auto& p = Printer();
    p.setCurrentY(static_cast<float>(p.CurrentY() + davor));
    const double y = p.CurrentY();
    p.Line(von, y, bis, y);
    p.setCurrentY(static_cast<float>(p.CurrentY() + danach));
}

}  // namespace

QDate druckDatum() { return festesDatum.isValid() ? festesDatum : QDate::currentDate(); }
void setzeDruckDatum(QDate d) { festesDatum = d; }

void setzeKopfDatensaetze(db::Recordset* m, db::Recordset* o) {
    mandantQuelle = m;
    objektQuelle = o;
}

void Ueberschriften() {
    auto& z = druck();
    auto& p = Printer();
    const auto& f = formular();
    const QString GL = QStringLiteral("GL");

    z.KopfAktiv = true;
    UnterstreichenAus();
    FettAus();
    MandantenKopf();
    LeerZeilen(2);

    p.setFontBold(true);
    p.setFontUnderline(true);
    const double groesse = Currency::fromDouble(p.FontSize()).toDouble();
    p.setFontSize(12);
    DruckText(QStringLiteral("Hauptmietzinsreserve-Abrechnung für ") + QString::number(f.AbrJahr), 0, GL);
    p.setFontSize(groesse);
    p.setFontBold(false);
    p.setFontUnderline(false);

    // The label column: "Datum:" and "Seite:" start under the "O" of "Objekt-Nr:".
    z.DruckString = QStringLiteral("Objekt-Nr:     ") + f.ObjNrText;
    const double L = 183 - Currency::fromDouble(p.TextWidth(z.DruckString)).toDouble();
    DruckText(z.DruckString, L);
    LeerZeilen(1);

    auto& obj = objekt();
    DruckText(QStringLiteral("für die Liegenschaft:"), 0, GL);
    QString adresse = ohneBlanksRechts(feld(obj, QStringLiteral("ObjAnschrift")));
    if (!adresse.isEmpty()) adresse += QStringLiteral(", ");
    adresse += feld(obj, QStringLiteral("ObjPlz")) + QLatin1Char(' ') + feld(obj, QStringLiteral("ObjOrt"));
    DruckText(adresse, 45);

    DruckText(QStringLiteral("Abrechnungszeitraum:"), 0, GL);
    DruckText(format::kurzDatum(f.AbrVonDatum) + QStringLiteral(" - ") + format::kurzDatum(f.AbrBisDatum), 45, GL);
    DruckText(QStringLiteral("Datum:"), L, GL);
    z.DruckString = format::kurzDatum(druckDatum());
    DruckTextRechts(z.DruckString, 183);

    DruckText(QStringLiteral("Seite:"), L, GL);
    z.DruckString = QString::number(z.SeitenNr);
    DruckTextRechts(z.DruckString, 183);
    LeerZeilen(1);

    if (!f.MehrjahrAktiv) SpaltenUeberschriften();
    if (z.SeitenNr > 1) LeerZeilen(1);
}

void MandantenKopf() {
    auto& z = druck();
    auto& m = mandant();
    z.Einzug = 0;
    DruckText(feld(m, QStringLiteral("MandName")));
    z.KopfAktiv = false;
    DruckText(feld(m, QStringLiteral("MandName2")));
    const QString name3 = feld(m, QStringLiteral("MandName3"));
    if (!name3.isEmpty()) DruckText(name3);
    DruckText(QString());
    DruckText(feld(m, QStringLiteral("MandAnschrift")));
    const QString nation = feld(m, QStringLiteral("MandNation"));
    z.DruckString = nation.isEmpty() ? QString() : nation + QLatin1Char('-');
    z.DruckString += feld(m, QStringLiteral("MandPlz")) + QLatin1Char(' ') + feld(m, QStringLiteral("MandOrt"));
    DruckText(z.DruckString);
}

void SpaltenUeberschriften() {
    const QString GL = QStringLiteral("GL");
    auto& z = druck();
    LinieGanz();
    DruckText(QStringLiteral("Konto"), 0, GL);
    DruckText(QStringLiteral("Bezeichnung"), 12, GL);
    DruckText(QStringLiteral("Datum"), 57, GL);
    DruckText(QStringLiteral("Beleg"), 71, GL);
    DruckText(QStringLiteral("Bu-Text"), 81, GL);
    z.DruckString = QStringLiteral("Bu-Betrag");
    DruckTextRechts(z.DruckString, 156, GL);
    z.DruckString = QStringLiteral("Gesamtbetrag");
    DruckTextRechts(z.DruckString, 183);
    LinieGanz();
}

void LinieBetraege() { linie(2, 110, 183, 2); }
void LinieMitte() { linie(1.5, 45, 145, 2); }
void LinieGanz() { linie(1.5, 0, 183, 2); }

}  // namespace hmz
