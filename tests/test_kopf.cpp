// The page header on the recording printer, and once as a real PDF.
#include "programm.h"
#include "druck_umgebung.h"
#include "report/qtdrucker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace hmz::test {
namespace {

using Art = AufzeichnungsEintrag::Art;

class Kopf : public DruckUmgebung {
protected:
    // A property's first page (or a later one) with its header.
    void kopfSeite(int seitenNr = 1) {
        Printer().setCurrentY(261);
        druck().SeitenNr = seitenNr - 1;
        SeitenwechselPruefen();
    }
    double zeile() const { return Printer().TextHeight(QStringLiteral("A")); }
};

TEST_F(Kopf, ErsteSeite) {
    kopfSeite();
    const double h = zeile();
    const QStringList erwartet = {
        "Hausverwaltung Gruber", "Immobilien GmbH", "Büro Wien", "Ringstraße 12", "A-1010 Wien",
        "Hauptmietzinsreserve-Abrechnung für 2003", "Objekt-Nr:     00042",
        "für die Liegenschaft:", "Lindengasse 7, 8010 Graz",
        "Abrechnungszeitraum:", "01.01.2003 - 31.12.2003", "Datum:", "05.02.2004",
        "Seite:", "1",
        "Konto", "Bezeichnung", "Datum", "Beleg", "Bu-Text", "Bu-Betrag", "Gesamtbetrag"};
    EXPECT_EQ(textListe(), erwartet);

    // Client block from the top, one empty line before the street, two after the town.
    EXPECT_EQ(text("Hausverwaltung Gruber").y, 0);
    EXPECT_NEAR(text("Ringstraße 12").y, 4 * h, 1e-3);
    EXPECT_NEAR(text("Hauptmietzinsreserve-Abrechnung für 2003").y, 8 * h, 1e-3);

    // Title 12 pt bold underlined; the number beside it in the base font, ending at 183.
    const auto titel = text("Hauptmietzinsreserve-Abrechnung für 2003");
    EXPECT_EQ(titel.groesse, 12);
    EXPECT_TRUE(titel.fett && titel.unterstrichen);
    const auto nr = text("Objekt-Nr:     00042");
    EXPECT_EQ(nr.groesse, 9);
    EXPECT_FALSE(nr.fett || nr.unterstrichen);
    EXPECT_EQ(nr.y, titel.y);
    EXPECT_NEAR(nr.x + Printer().TextWidth(nr.text), 183, 1e-3);
    // The line after the title advances by the base font's height.
    EXPECT_NEAR(text("für die Liegenschaft:").y, titel.y + 2 * h, 1e-3);

    // "Datum:" and "Seite:" start under the "O"; their values end at 183.
    EXPECT_EQ(text("Datum:").x, nr.x);
    EXPECT_EQ(text("Seite:").x, nr.x);
    for (const char* rechts : {"05.02.2004", "1", "Gesamtbetrag"}) {
        const auto e = text(rechts);
        EXPECT_NEAR(e.x + Printer().TextWidth(e.text), 183, 1e-3) << rechts;
    }
    EXPECT_NEAR(text("Bu-Betrag").x + Printer().TextWidth("Bu-Betrag"), 156, 1e-3);
    EXPECT_EQ(text("Lindengasse 7, 8010 Graz").x, 45);
    EXPECT_EQ(text("01.01.2003 - 31.12.2003").x, 45);

    // Column headings framed by two full rules; page 1 ends right below the second.
    std::vector<AufzeichnungsEintrag> linien;
    for (const auto& e : drucker->eintraege())
        if (e.art == Art::Linie) linien.push_back(e);
    ASSERT_EQ(linien.size(), 2u);
    const double seiteY = text("Seite:").y;
    EXPECT_NEAR(linien[0].y, seiteY + 2 * h + 1.5, 1e-3);
    EXPECT_NEAR(text("Konto").y, linien[0].y + 2, 1e-3);
    EXPECT_NEAR(linien[1].y, text("Konto").y + h + 1.5, 1e-3);
    for (const auto& l : linien) {
        EXPECT_EQ(l.x, 0);
        EXPECT_EQ(l.x2, 183);
        EXPECT_EQ(l.y, l.y2);
    }
    EXPECT_NEAR(Printer().CurrentY(), linien[1].y + 2, 1e-3);

    // Left as the statement expects it.
    EXPECT_EQ(Printer().FontSize(), 9);
    EXPECT_FALSE(Printer().FontBold() || Printer().FontUnderline());
    EXPECT_FALSE(druck().KopfAktiv);
}

TEST_F(Kopf, LeereFelder) {
    struct Fall {
        const char* feld;
        Variant wert;
        const char* fehlt;    // this line is gone
        const char* ersatz;   // and this one appears instead ("" for none)
    };
    const Fall faelle[] = {
        {"MandName3", Variant::string(""), "Büro Wien", ""},
        {"MandName3", Variant::null(), "Büro Wien", ""},
        {"MandNation", Variant::string(""), "A-1010 Wien", "1010 Wien"},
        {"MandNation", Variant::null(), "A-1010 Wien", "1010 Wien"},
        {"ObjAnschrift", Variant::string(""), "Lindengasse 7, 8010 Graz", "8010 Graz"},
        {"ObjAnschrift", Variant::string("   "), "Lindengasse 7, 8010 Graz", "8010 Graz"},
        {"ObjAnschrift", Variant::null(), "Lindengasse 7, 8010 Graz", "8010 Graz"},
    };
    for (const auto& f : faelle) {
        SetUp();
        auto& rs = QString(f.feld).startsWith("Obj") ? objekt : mandant;
        const Variant vorher = rs.Fields(f.feld);
        rs.setze(f.feld, f.wert);
        kopfSeite();
        const QStringList t = textListe();
        EXPECT_FALSE(t.contains(f.fehlt)) << f.feld;
        if (*f.ersatz) {
            EXPECT_TRUE(t.contains(f.ersatz)) << f.feld;
        }
        // Without a third name line everything below moves up one line.
        const double titelY = text("Hauptmietzinsreserve-Abrechnung für 2003").y;
        EXPECT_NEAR(titelY, (QString(f.feld) == "MandName3" ? 7 : 8) * zeile(), 1e-3) << f.feld;
        rs.setze(f.feld, vorher);
        TearDown();
    }
    SetUp();
}

TEST_F(Kopf, FolgeseitenUndMehrjahresseiten) {
    // Where the statement goes on after the header, relative to "Seite:".
    auto abstand = [&](int seitenNr, bool mehrjahr) {
        drucker->leeren();
        formular().MehrjahrAktiv = mehrjahr;
        kopfSeite(seitenNr);
        return Printer().CurrentY() - text("Seite:").y;
    };
    const double h = zeile();
    const double ersteSeite = abstand(1, false);
    EXPECT_NEAR(abstand(2, false), ersteSeite + h, 1e-3) << "pages 2 and later have an empty line more";
    EXPECT_TRUE(textListe().contains("2"));

    const double mehrjahr1 = abstand(1, true);
    EXPECT_FALSE(textListe().contains("Konto"));
    EXPECT_EQ(anzahl(Art::Linie), 0);
    EXPECT_NEAR(mehrjahr1, 2 * h, 1e-3) << "page number line and its empty line";
    EXPECT_NEAR(abstand(3, true), 3 * h, 1e-3);
    EXPECT_TRUE(textListe().contains("3"));
}

TEST_F(Kopf, Linien) {
    struct Fall {
        void (*routine)();
        double von, bis, davor, danach;
    };
    for (const Fall f : {Fall{LinieBetraege, 110, 183, 2, 2}, Fall{LinieMitte, 45, 145, 1.5, 2},
                         Fall{LinieGanz, 0, 183, 1.5, 2}}) {
        drucker->leeren();
        Printer().setCurrentX(33);
        Printer().setCurrentY(100);
        f.routine();
        ASSERT_EQ(drucker->eintraege().size(), 2u);  // job start, rule
        const auto& l = drucker->eintraege().back();
        EXPECT_EQ(l.art, Art::Linie);
        EXPECT_EQ(l.x, f.von);
        EXPECT_EQ(l.x2, f.bis);
        EXPECT_EQ(l.y, 100 + f.davor);
        EXPECT_EQ(l.y2, l.y);
        EXPECT_EQ(Printer().CurrentY(), 100 + f.davor + f.danach);
        EXPECT_EQ(Printer().CurrentX(), 33);
        DruckEnde();
    }
}

// Writes a header page to a PDF by replaying the recording; the text comes
// back out of it. With HMZRES_KOPF_PDF set, the PDF is kept there for a look.
TEST_F(Kopf, KopfseiteAlsPdf) {
    kopfSeite();
    DruckText(QStringLiteral("4711"), 0, QStringLiteral("GL"));
    DruckText(QStringLiteral("Mieten Top 1-12"), 12, QStringLiteral("GL"));
    druck().DruckString = QStringLiteral("12.345,60");
    DruckTextRechts(druck().DruckString, 183);
    LinieBetraege();
    DruckEnde();

    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("kopf.pdf"));
    auto pdf = QtDrucker::fuerPdf(pfad);
    abspielen(drucker->eintraege(), *pdf);
    ASSERT_TRUE(QFile::exists(pfad));
    const QString behalten = qEnvironmentVariable("HMZRES_KOPF_PDF");
    if (!behalten.isEmpty()) {
        QFile::remove(behalten);
        QFile::copy(pfad, behalten);
    }

    const auto l = test::programm(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pfad, QStringLiteral("-")}, 10000);
    ASSERT_TRUE(l.beendet);
    const QString text = l.aus;
    for (const char* t : {"Hausverwaltung Gruber", "Ringstraße 12", "Hauptmietzinsreserve-Abrechnung für 2003",
                          "Objekt-Nr: +00042", "Lindengasse 7, 8010 Graz", "Seite: +1\n", "Gesamtbetrag", "12.345,60"})
        EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8(t)))) << t << "\n" << text.toStdString();
}

}  // namespace
}  // namespace hmz::test
