#include "report/druck.h"

#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/kopf.h"

#include <cmath>

namespace hmz {

namespace {

// Whole millimetres, halves to the even neighbour.
double ganzeMm(double mm) { return std::nearbyint(mm); }

QString ohneBlanksRechts(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
    return s.left(n);
}

}  // namespace

DruckZustand& druck() {
    static DruckZustand z;
    return z;
}

void DruckerEinrichten() {
    auto& p = Printer();
    p.AuftragFreigeben();
    p.setFontName(QStringLiteral("Arial"));
    p.setFontSize(9);
    p.setScaleLeft(-10);
    druck().ZeilenHoehe = static_cast<int>(ganzeMm(p.TextHeight(QStringLiteral("A"))));
    p.setScaleTop(-(druck().ZeilenHoehe + 1));
}

void DruckStart() {
    auto& z = druck();
    z.DruckGestoppt = false;
    DruckerEinrichten();
    z.KopfAktiv = false;
    z.SeiteBegonnen = false;
    z.Einzug = 0;
    z.SeitenNr = 0;
    z.SeitenEndeY = 260;
}

void DruckPosNull() {
    Printer().setCurrentX(0);
    Printer().setCurrentY(0);
}

void DruckText(const QString& text, double x, const QString& modus) {
    auto& p = Printer();
    p.setCurrentX(static_cast<float>(x));
    p.Print(text, !modus.isEmpty());
}

void DruckTextRechts(const QString& text, double rechts, const QString& modus) {
    // The width is kept as a currency value, four decimals.
    druck().TextBreite = Currency::fromDouble(Printer().TextWidth(text)).toDouble();
    DruckText(text, rechts - druck().TextBreite, modus);
}

void DruckZeile(const QString& text) {
    auto& z = druck();
    if (z.DruckGestoppt) return;
    SeitenwechselPruefen();
    auto& p = Printer();
    p.setCurrentX(static_cast<float>(z.Einzug));
    z.MonatsZeileY = static_cast<int>(std::nearbyint(p.CurrentY()));
    p.Print(text, false);
    z.Einzug = 0;
}

void SeitenwechselPruefen() {
    auto& z = druck();
    if (z.KopfAktiv) return;
    auto& p = Printer();
    if (!(p.CurrentY() > z.SeitenEndeY)) return;
    if (z.SeiteBegonnen)
        p.NewPage();
    else
        z.SeiteBegonnen = true;
    DruckPosNull();
    ++z.SeitenNr;

    const bool fett = p.FontBold();
    const bool unterstrichen = p.FontUnderline();
    const long einzug = z.Einzug;
    const QString druckString = z.DruckString;
    Ueberschriften();
    p.setFontBold(fett);
    p.setFontUnderline(unterstrichen);
    z.Einzug = einzug;
    z.DruckString = druckString;
}

void LeerZeilen(int n) {
    if (!aufruf().DialogGeladen) return;
    for (int i = 0; i < n; ++i) DruckText(QString(), 0, QString());
}

void TextKuerzen(QString& text, double maxBreite) {
    auto& p = Printer();
    double w = ganzeMm(p.TextWidth(ohneBlanksRechts(text)));
    qsizetype n = text.size();
    if (w > maxBreite) {
        do {
            --n;
            text = text.left(n);
            w = ganzeMm(p.TextWidth(ohneBlanksRechts(text)));
        } while (!(w <= maxBreite || n <= 1));  // n <= 1 also ends a negative width
    }
    druck().DruckString = text;
}

void FettEin() { Printer().setFontBold(true); }
void FettAus() { Printer().setFontBold(false); }
void UnterstreichenAus() { Printer().setFontUnderline(false); }

void DruckEnde() { Printer().EndDoc(); }

}  // namespace hmz
