// Print primitives and page control, read back from the recording printer.
// Where text goes on an ordinary page the statements' dumps pin; here are
// the bounds, the state a page break restores, cutting, and the cancel.
#include "druck_umgebung.h"
#include "report/qtdrucker.h"

#include <QTemporaryDir>

namespace hmz::test {
namespace {

using Art = AufzeichnungsEintrag::Art;
const QString GL = QStringLiteral("GL");

class Druck : public DruckUmgebung {};

TEST_F(Druck, EinrichtenMisstArial9WieDasPdf) {
    // Liberation Sans stands in for Arial; its metrics fix the whole layout.
    auto& p = Printer();
    EXPECT_NEAR(p.TextWidth(QStringLiteral("A")), 2.1177, 0.0005);
    EXPECT_NEAR(p.TextHeight(QStringLiteral("A")), 3.5471, 0.0005);
    EXPECT_EQ(druck().ZeilenHoehe, 4);
    EXPECT_EQ(p.ScaleLeft(), -10);
    EXPECT_EQ(p.ScaleTop(), -5);
    EXPECT_EQ(p.FontName(), QStringLiteral("Arial"));
    EXPECT_EQ(p.FontSize(), 9);

    // The PDF printer measures exactly like the recording one, kerning and all.
    QTemporaryDir dir;
    auto pdf = QtDrucker::fuerPdf(dir.filePath(QStringLiteral("m.pdf")));
    pdf->setFontName(QStringLiteral("Arial"));
    pdf->setFontSize(9);
    for (bool fett : {false, true}) {
        pdf->setFontBold(fett);
        p.setFontBold(fett);
        for (const QString& t : {QStringLiteral("1.234.567,89"), QStringLiteral("Hauptmietzinsreserve-Abrechnung für 2003"),
                                QStringLiteral("Jänner AVAWAY 11 77")})
            EXPECT_DOUBLE_EQ(pdf->TextWidth(t), p.TextWidth(t)) << t.toStdString();
    }
    EXPECT_EQ(pdf->auftrag(), DruckerBasis::Auftrag::Keiner) << "measuring must not start a job";
}

TEST_F(Druck, SeitenwechselGenauAbMehrAls260) {
    struct Fall {
        float y;
        bool neueSeite;
    };
    DruckText(QStringLiteral("Zeile"));  // the job is open: a break is one NewPage
    for (const Fall f : {Fall{259.9f, false}, Fall{260.0f, false}, Fall{260.1f, true}, Fall{300.0f, true}}) {
        drucker->leeren();
        druck().SeiteBegonnen = true;  // not the job's first page
        druck().SeitenNr = 3;
        Printer().setCurrentY(f.y);
        SeitenwechselPruefen();
        EXPECT_EQ(anzahl(Art::Seite), f.neueSeite ? 1 : 0) << f.y;
        EXPECT_EQ(druck().SeitenNr, f.neueSeite ? 4 : 3) << f.y;
        if (!f.neueSeite) {
            EXPECT_EQ(Printer().CurrentY(), f.y);
        }
    }
}

TEST_F(Druck, SeitenwechselStelltSchriftEinzugUndDruckStringWiederHer) {
    for (bool fett : {false, true}) {
        for (bool unterstrichen : {false, true}) {
            auto& p = Printer();
            p.setFontBold(fett);
            p.setFontUnderline(unterstrichen);
            druck().Einzug = 12;
            druck().DruckString = QStringLiteral("Zwischensumme");
            p.setCurrentY(261);
            SeitenwechselPruefen();
            EXPECT_EQ(p.FontBold(), fett);
            EXPECT_EQ(p.FontUnderline(), unterstrichen);
            EXPECT_EQ(p.FontSize(), 9);
            EXPECT_EQ(druck().Einzug, 12);
            EXPECT_EQ(druck().DruckString, QStringLiteral("Zwischensumme"));
            EXPECT_FALSE(druck().KopfAktiv);
            EXPECT_GT(p.CurrentY(), 30) << "below the header";
        }
    }
}

TEST_F(Druck, TextKuerzen) {
    auto& p = Printer();
    const double w = p.TextWidth(QStringLiteral("Instandhaltung"));
    struct Fall {
        QString text;
        double max;
        QString erwartet;
    };
    const Fall faelle[] = {
        {QStringLiteral("Instandhaltung"), std::ceil(w), QStringLiteral("Instandhaltung")},  // fits: unchanged
        {QStringLiteral("Instandhaltung   "), std::ceil(w), QStringLiteral("Instandhaltung   ")},  // blanks not measured
        {QStringLiteral("WWWWWW"), 0, QStringLiteral("W")},  // never fits: first character
        {QStringLiteral("W"), 0, QString()},                 // one character that does not fit
        {QStringLiteral("WW"), -5, QString("W")},            // a negative width ends as well
        {QString(), 0, QString()},
    };
    for (const auto& f : faelle) {
        QString t = f.text;
        druck().DruckString = QStringLiteral("alt");
        TextKuerzen(t, f.max);
        EXPECT_EQ(t, f.erwartet) << f.text.toStdString();
        EXPECT_EQ(druck().DruckString, f.erwartet) << f.text.toStdString();
    }

    // Cutting takes the trailing blanks first, then characters, until the
    // width rounded to whole millimetres fits.
    QString t = QStringLiteral("Betriebskosten Hausbetreuung   ");
    TextKuerzen(t, 20);
    EXPECT_LE(std::nearbyint(p.TextWidth(t.trimmed())), 20);
    EXPECT_GT(std::nearbyint(p.TextWidth(QStringLiteral("Betriebskosten Hausbetreuung").left(t.size() + 1))), 20);
    EXPECT_TRUE(QStringLiteral("Betriebskosten Hausbetreuung").startsWith(t));
}

TEST_F(Druck, LeerZeilen) {
    auto& p = Printer();
    DruckPosNull();
    LeerZeilen(0);
    EXPECT_EQ(p.CurrentY(), 0);
    LeerZeilen(2);
    EXPECT_NEAR(p.CurrentY(), 2 * p.TextHeight(QStringLiteral("A")), 1e-4);

    aufruf().DialogGeladen = false;
    DruckPosNull();
    LeerZeilen(3);
    EXPECT_EQ(p.CurrentY(), 0);
    EXPECT_TRUE(texte().empty());
}

TEST_F(Druck, AbbruchZeileUndVerworfenerAuftrag) {
    neuesObjekt();
    SeitenwechselPruefen();
    DruckText(QStringLiteral("Einnahmen"));

    // The cancel: the line goes into the job without a page break, then the job is discarded.
    druck().KopfAktiv = true;
    Printer().setCurrentY(275);
    druck().DruckString = QStringLiteral("DRUCK VOM ANWENDER ABGEBROCHEN");
    DruckZeile(druck().DruckString);
    Printer().KillDoc();
    druck().DruckGestoppt = true;
    EXPECT_EQ(anzahl(Art::Seite), 1);
    EXPECT_EQ(text(QStringLiteral("DRUCK VOM ANWENDER ABGEBROCHEN")).y, 275);
    EXPECT_EQ(drucker->eintraege().back().art, Art::Verworfen);

    // The statement finishes its step: DruckZeile prints nothing, DruckText
    // writes into the discarded job, and the run's two DruckEnde hand nothing over.
    const auto vorher = drucker->eintraege().size();
    const float y = Printer().CurrentY();
    DruckZeile(QStringLiteral("nach dem Abbruch"));
    EXPECT_EQ(Printer().CurrentY(), y);
    DruckText(QStringLiteral("Rest der Zeile"));
    Printer().Line(0, 100, 183, 100);
    DruckEnde();
    DruckText(QStringLiteral("noch ein Rest"));
    DruckEnde();
    EXPECT_EQ(drucker->eintraege().size(), vorher);

    // The next run prints again.
    DruckStart();
    neuesObjekt();
    SeitenwechselPruefen();
    DruckEnde();
    EXPECT_EQ(drucker->eintraege().back().art, Art::Ende);
    EXPECT_EQ(anzahl(Art::Seite), 2);
}

TEST_F(Druck, DumpUndAbspielen) {
    drucker->leeren();
    auto& p = Printer();
    DruckPosNull();
    FettEin();
    DruckText(QStringLiteral("Miete \"Top 1\""), 12.345, GL);
    FettAus();
    p.setFontUnderline(true);
    DruckText(QStringLiteral("Ä"), 60);
    UnterstreichenAus();
    p.Line(0, 10.004, 183, 10.004);
    p.NewPage();
    DruckText(QStringLiteral("Seite zwei"));
    p.setScaleLeft(-12);
    DruckEnde();
    const QString erwartet = QStringLiteral(
        "page 1\n"
        "text 12.35 0.00 Arial 9.00 b-- \"Miete \\\"Top 1\\\"\"\n"
        "text 60.00 0.00 Arial 9.00 --u \"Ä\"\n"
        "line 0.00 10.00 183.00 10.00\n"
        "page 2\n"
        "text 0.00 -5.00 Arial 9.00 --- \"Seite zwei\"\n"
        "scale -12.00 -5.00\n"
        "end\n");
    EXPECT_EQ(drucker->dump(), erwartet);

    // Replaying onto another printer gives the same list.
    AufzeichnungsDrucker kopie;
    kopie.setScaleLeft(-10);
    kopie.setScaleTop(-5);
    kopie.leeren();
    abspielen(drucker->eintraege(), kopie);
    EXPECT_EQ(kopie.dump(), erwartet);
}

}  // namespace
}  // namespace hmz::test
