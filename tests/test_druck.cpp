// Print primitives, page control and the page header, read back from the
// recording printer. Where text goes on an ordinary page the statements'
// dumps pin; here are the bounds, the state a page break restores, cutting,
// the cancel, and the header's lines and the empty fields it leaves out.
#include "entry/formular.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/druck.h"
#include "report/kopf.h"
#include "report/qtdrucker.h"
#include "speicher_recordset.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace hmz::test {
namespace {

using Art = AufzeichnungsEintrag::Art;
const QString GL = QStringLiteral("GL");

// A recording printer as the current printer, the print state of a run
// start, a fixed client and property, and the global state put back after
// each test.
class Druck : public ::testing::Test {
protected:
    static auto felder() {
        auto& f = formular();
        return std::tie(aufruf().DialogGeladen, f.AbrJahr, f.AbrVonDatum, f.AbrBisDatum, f.ObjNrText,
                        f.MehrjahrAktiv);
    }

    void SetUp() override {
        auto d = std::make_unique<AufzeichnungsDrucker>();
        drucker = d.get();
        setzeDrucker(std::move(d));
        gespeichert_ = felder();
        felder() = std::tuple(true, 2003, QDate(2003, 1, 1), QDate(2003, 12, 31), QStringLiteral("00042"), false);
        setzeDruckDatum(QDate(2004, 2, 5));
        setzeKopfDatensaetze(&mandant, &objekt);
        druck() = DruckZustand{};
        DruckStart();
        drucker->leeren();
    }

    void TearDown() override {
        setzeKopfDatensaetze(nullptr, nullptr);
        setzeDruckDatum(QDate());
        setzeDrucker(nullptr);
        druck() = DruckZustand{};
        felder() = gespeichert_;
    }

    // The start of a property's statement: the next check opens a page with its header.
    void neuesObjekt() {
        Printer().setCurrentY(static_cast<float>(druck().SeitenEndeY + 1));
        druck().SeitenNr = 0;
    }

    QStringList textListe() const {
        QStringList r;
        for (const auto& e : drucker->eintraege())
            if (e.art == Art::Text) r << e.text;
        return r;
    }
    // The first recorded text equal to t; fails the test if there is none.
    AufzeichnungsEintrag text(const QString& t) const {
        for (const auto& e : drucker->eintraege())
            if (e.art == Art::Text && e.text == t) return e;
        ADD_FAILURE() << "no text " << t.toStdString();
        return {};
    }
    int anzahl(Art art) const {
        int n = 0;
        for (const auto& e : drucker->eintraege()) n += e.art == art;
        return n;
    }

    AufzeichnungsDrucker* drucker = nullptr;
    // A record of texts, as the client and property tables hold them.
    static SpeicherRecordset satz(std::initializer_list<std::pair<const char*, const char*>> felder) {
        SpeicherRecordset::Zeile z;
        for (const auto& [name, wert] : felder) z[QString::fromUtf8(name)] = Variant::string(QString::fromUtf8(wert));
        return SpeicherRecordset({z});
    }
    SpeicherRecordset mandant = satz({{"MandName", "Hausverwaltung Gruber"}, {"MandName2", "Immobilien GmbH"},
                                      {"MandName3", "Büro Wien"}, {"MandAnschrift", "Ringstraße 12"},
                                      {"MandNation", "A"}, {"MandPlz", "1010"}, {"MandOrt", "Wien"}});
    SpeicherRecordset objekt = satz({{"ObjAnschrift", "Lindengasse 7  "}, {"ObjPlz", "8010"}, {"ObjOrt", "Graz"}});

private:
    std::tuple<bool, int, QDate, QDate, QString, bool> gespeichert_;
};

TEST_F(Druck, EinrichtenMisstArial9WieDasPdf) {
    // Liberation Sans stands in for Arial; its metrics fix the whole layout
    // (the statements' dumps pin them). The PDF printer measures exactly like
    // the recording one, kerning and all.
    auto& p = Printer();
    EXPECT_NEAR(p.TextHeight(QStringLiteral("A")), 3.5471, 0.0005);
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

TEST_F(Druck, SeitenwechselAbMehrAls260StelltDenZustandWiederHer) {
    DruckText(QStringLiteral("Zeile"));  // the job is open: a break is one NewPage
    auto& p = Printer();
    for (const float y : {259.9f, 260.0f, 260.1f, 300.0f}) {
        for (const int schrift : {0, 1, 2, 3}) {
            const bool fett = schrift & 1, unterstrichen = schrift & 2, neueSeite = y > 260;
            SCOPED_TRACE(testing::Message() << y << " font " << schrift);
            drucker->leeren();
            druck().SeiteBegonnen = true;  // not the job's first page
            druck().SeitenNr = 3;
            druck().Einzug = 12;
            druck().DruckString = QStringLiteral("Zwischensumme");
            p.setFontBold(fett);
            p.setFontUnderline(unterstrichen);
            p.setCurrentY(y);
            SeitenwechselPruefen();
            EXPECT_EQ(anzahl(Art::Seite), neueSeite ? 1 : 0);
            EXPECT_EQ(druck().SeitenNr, neueSeite ? 4 : 3);
            if (neueSeite) {
                EXPECT_GT(p.CurrentY(), 30) << "below the header";
            } else {
                EXPECT_EQ(p.CurrentY(), y);
            }
            EXPECT_EQ(p.FontBold(), fett);
            EXPECT_EQ(p.FontUnderline(), unterstrichen);
            EXPECT_EQ(p.FontSize(), 9);
            EXPECT_EQ(druck().Einzug, 12);
            EXPECT_EQ(druck().DruckString, QStringLiteral("Zwischensumme"));
            EXPECT_FALSE(druck().KopfAktiv);
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
    EXPECT_TRUE(textListe().isEmpty());
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
}

TEST_F(Druck, DumpEscapesQuotesAndRoundsToHundredths) {
    // The statements' dumps have every other kind of entry but no quote.
    DruckPosNull();
    DruckText(QStringLiteral("Miete \"Top 1\""), 12.345, GL);
    Printer().Line(0, 10.004, 183, 10.004);
    DruckEnde();
    EXPECT_EQ(drucker->dump(), QStringLiteral("page 1\n"
                                              "text 12.35 0.00 Arial 9.00 --- \"Miete \\\"Top 1\\\"\"\n"
                                              "line 0.00 10.00 183.00 10.00\n"
                                              "end\n"));
}

TEST_F(Druck, KopfMitLeerenFeldern) {
    const QStringList voll = {
        "Hausverwaltung Gruber", "Immobilien GmbH", "Büro Wien", "Ringstraße 12", "A-1010 Wien",
        "Hauptmietzinsreserve-Abrechnung für 2003", "Objekt-Nr:     00042",
        "für die Liegenschaft:", "Lindengasse 7, 8010 Graz",
        "Abrechnungszeitraum:", "01.01.2003 - 31.12.2003", "Datum:", "05.02.2004",
        "Seite:", "1",
        "Konto", "Bezeichnung", "Datum", "Beleg", "Bu-Text", "Bu-Betrag", "Gesamtbetrag"};
    struct Fall {
        const char* feld;  // "": all fields filled
        Variant wert;
        const char* fehlt;   // this line is gone
        const char* ersatz;  // and this one appears instead ("" for none)
    };
    const Fall faelle[] = {
        {"", Variant(), "", ""},
        {"MandName3", Variant::string(""), "Büro Wien", ""},
        {"MandName3", Variant::null(), "Büro Wien", ""},
        {"MandNation", Variant::string(""), "A-1010 Wien", "1010 Wien"},
        {"ObjAnschrift", Variant::string("   "), "Lindengasse 7, 8010 Graz", "8010 Graz"},
        {"ObjAnschrift", Variant::null(), "Lindengasse 7, 8010 Graz", "8010 Graz"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.feld);
        drucker->leeren();
        auto& rs = QString(f.feld).startsWith("Obj") ? objekt : mandant;
        const Variant vorher = *f.feld ? rs.Fields(f.feld) : Variant();
        if (*f.feld) rs.setze(f.feld, f.wert);
        neuesObjekt();
        SeitenwechselPruefen();
        EXPECT_FALSE(druck().KopfAktiv);
        QStringList erwartet = voll;
        if (*f.fehlt) erwartet[erwartet.indexOf(f.fehlt)] = f.ersatz;
        erwartet.removeAll(QString());
        // The statements' dumps pin the positions; without a third name line
        // everything below moves up one line (the dumps have none).
        EXPECT_EQ(textListe(), erwartet);
        EXPECT_NEAR(text("Hauptmietzinsreserve-Abrechnung für 2003").y,
                    (QString(f.feld) == "MandName3" ? 7 : 8) * Printer().TextHeight(QStringLiteral("A")), 1e-3);
        if (*f.feld) rs.setze(f.feld, vorher);
    }
}

}  // namespace
}  // namespace hmz::test
