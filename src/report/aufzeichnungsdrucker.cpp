#include "report/aufzeichnungsdrucker.h"

#include <cmath>

namespace hmz {

namespace {

QString zahl(double v) {
    // Two decimals, and no "-0.00" for values that round to zero.
    const double r = std::round(v * 100) / 100;
    return QString::number(r == 0 ? 0.0 : r, 'f', 2);
}

QString zitiert(const QString& s) {
    QString r = s;
    r.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    r.replace(QLatin1Char('"'), QLatin1String("\\\""));
    r.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    r.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + r + QLatin1Char('"');
}

}  // namespace

AufzeichnungsDrucker::AufzeichnungsDrucker(QString name) : name_(std::move(name)) {}

namespace eintrag {

AufzeichnungsEintrag nur(AufzeichnungsEintrag::Art art) {
    AufzeichnungsEintrag e;
    e.art = art;
    return e;
}

AufzeichnungsEintrag seite(int nr) {
    auto e = nur(AufzeichnungsEintrag::Art::Seite);
    e.seite = nr;
    return e;
}

AufzeichnungsEintrag text(const Drucker& d, double x, double y, const QString& text) {
    auto e = nur(AufzeichnungsEintrag::Art::Text);
    e.x = x;
    e.y = y;
    e.text = text;
    e.schrift = d.FontName();
    e.groesse = d.FontSize();
    e.fett = d.FontBold();
    e.kursiv = d.FontItalic();
    e.unterstrichen = d.FontUnderline();
    return e;
}

AufzeichnungsEintrag linie(double x1, double y1, double x2, double y2) {
    auto e = nur(AufzeichnungsEintrag::Art::Linie);
    e.x = x1;
    e.y = y1;
    e.x2 = x2;
    e.y2 = y2;
    return e;
}

AufzeichnungsEintrag massstab(const Drucker& d) {
    auto e = nur(AufzeichnungsEintrag::Art::Massstab);
    e.x = d.ScaleLeft();
    e.y = d.ScaleTop();
    return e;
}

}  // namespace eintrag

void AufzeichnungsDrucker::auftragStarten() { liste_.push_back(eintrag::seite(1)); }

void AufzeichnungsDrucker::seiteNeu() { liste_.push_back(eintrag::seite(seite() + 1)); }

void AufzeichnungsDrucker::textAusgeben(double x, double y, const QString& text) {
    liste_.push_back(eintrag::text(*this, x, y, text));
}

void AufzeichnungsDrucker::linieAusgeben(double x1, double y1, double x2, double y2) {
    liste_.push_back(eintrag::linie(x1, y1, x2, y2));
}

void AufzeichnungsDrucker::auftragBeenden() { liste_.push_back(eintrag::nur(AufzeichnungsEintrag::Art::Ende)); }

void AufzeichnungsDrucker::auftragVerwerfen() { liste_.push_back(eintrag::nur(AufzeichnungsEintrag::Art::Verworfen)); }

void AufzeichnungsDrucker::massstabGeaendert() { liste_.push_back(eintrag::massstab(*this)); }

QString AufzeichnungsDrucker::alsText(const Aufzeichnung& liste) {
    QString out;
    for (const auto& e : liste) {
        using A = AufzeichnungsEintrag::Art;
        switch (e.art) {
        case A::Massstab:
            out += QStringLiteral("scale %1 %2\n").arg(zahl(e.x), zahl(e.y));
            break;
        case A::Seite:
            out += QStringLiteral("page %1\n").arg(e.seite);
            break;
        case A::Text:
            out += QStringLiteral("text %1 %2 %3 %4 %5%6%7 %8\n")
                       .arg(zahl(e.x), zahl(e.y), e.schrift, zahl(e.groesse))
                       .arg(QLatin1Char(e.fett ? 'b' : '-'))
                       .arg(QLatin1Char(e.kursiv ? 'i' : '-'))
                       .arg(QLatin1Char(e.unterstrichen ? 'u' : '-'))
                       .arg(zitiert(e.text));
            break;
        case A::Linie:
            out += QStringLiteral("line %1 %2 %3 %4\n").arg(zahl(e.x), zahl(e.y), zahl(e.x2), zahl(e.y2));
            break;
        case A::Ende:
            out += QStringLiteral("end\n");
            break;
        case A::Verworfen:
            out += QStringLiteral("discarded\n");
            break;
        }
    }
    return out;
}

void abspielen(const Aufzeichnung& liste, Drucker& ziel) { abspielen(liste.data(), liste.data() + liste.size(), ziel); }

void abspielen(const AufzeichnungsEintrag* von, const AufzeichnungsEintrag* bis, Drucker& ziel) {
    // Our own printers draw a text without measuring it again for the advance.
    auto* basis = dynamic_cast<DruckerBasis*>(&ziel);
    for (const auto* p = von; p != bis; ++p) {
        const auto& e = *p;
        using A = AufzeichnungsEintrag::Art;
        switch (e.art) {
        case A::Massstab:
            ziel.setScaleLeft(e.x);
            ziel.setScaleTop(e.y);
            break;
        case A::Seite:
            // A job's first page starts with its first output.
            if (e.seite > 1)
                ziel.NewPage();
            else
                ziel.AuftragFreigeben();
            break;
        case A::Text:
            if (ziel.FontName() != e.schrift) ziel.setFontName(e.schrift);
            if (ziel.FontSize() != e.groesse) ziel.setFontSize(e.groesse);
            if (ziel.FontBold() != e.fett) ziel.setFontBold(e.fett);
            if (ziel.FontItalic() != e.kursiv) ziel.setFontItalic(e.kursiv);
            if (ziel.FontUnderline() != e.unterstrichen) ziel.setFontUnderline(e.unterstrichen);
            if (basis) {
                basis->textSetzen(e.x, e.y, e.text);
            } else {
                ziel.setCurrentX(static_cast<float>(e.x));
                ziel.setCurrentY(static_cast<float>(e.y));
                ziel.Print(e.text, true);
            }
            break;
        case A::Linie:
            ziel.Line(e.x, e.y, e.x2, e.y2);
            break;
        case A::Ende:
            ziel.EndDoc();
            break;
        case A::Verworfen:
            ziel.KillDoc();
            break;
        }
    }
}

}  // namespace hmz
