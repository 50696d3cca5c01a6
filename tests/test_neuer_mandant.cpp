// A client started from nothing, step by step as the README tells it, through
// the master-data layer the modules use: its first statement prints every step.
#include "programm.h"
#include "speicher.h"

#include "entry/zustand.h"
#include "masterdata/buchungen.h"
#include "masterdata/kontenstamm.h"
#include "masterdata/mandant.h"
#include "masterdata/objekte.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

class NeuerMandant : public testing::TestWithParam<Speicherart> {};

Currency betrag(const QString& text) {
    QString grund;
    return **stamm::summeLesen(text, grund);
}

}  // namespace

TEST_P(NeuerMandant, FromInitToTheFirstStatement) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    ASSERT_EQ(hmzres({"init", "--db", s.name(), "--name", "Hausverwaltung Neu"}).status, 0);
    {
        auto db = mandantOeffnen(s.name(), false);
        const auto satz = stamm::mandantLesen(*db);
        ASSERT_TRUE(satz);
        auto neu = *satz;
        neu.name2 = QStringLiteral("Immobilien");
        neu.anschrift = QStringLiteral("Hauptplatz 1");
        neu.plz = QStringLiteral("8010");
        neu.ort = QStringLiteral("Graz");
        neu.monatsStatus = QDate(2005, 12, 31);
        stamm::mandantSpeichern(*db, satz, neu);
        stamm::objektSpeichern(*db, std::nullopt, {7, QStringLiteral("Annenstraße 3"), QStringLiteral("8020"), QStringLiteral("Graz"), 0, {}});
        const stamm::Konto konten[] = {{QStringLiteral("2800"), QStringLiteral("Bank"), {}, 0},
                                       {QStringLiteral("4000"), QStringLiteral("Hauptmietzins"), 1, 0},
                                       {QStringLiteral("4900"), QStringLiteral("Erhaltungsbeitrag"), 50, 0},
                                       {QStringLiteral("7000"), QStringLiteral("Dachreparatur"), 21, 0}};
        for (const auto& k : konten) stamm::kontoSpeichern(*db, 2005, std::nullopt, k);
        for (int j = 1996; j <= 2004; ++j)
            stamm::jahresSummeSpeichern(*db, 7, std::nullopt, {j, betrag(QStringLiteral("%1.000,00").arg(j - 1995)), betrag(QStringLiteral("10,00"))});
        const struct {
            QDate datum;
            const char *text, *betrag, *soll, *haben;
        } paare[] = {
            {QDate(2005, 1, 5), "Miete Jänner", "2.500,00", "2800", "4000"},
            {QDate(2005, 2, 5), "Erhaltungsbeitrag Februar", "300,00", "2800", "4900"},
            {QDate(2005, 6, 30), "Dachdecker Huber", "1.234,56", "7000", "2800"},
        };
        for (const auto& p : paare)
            stamm::paarSpeichern(*db, 2005, 7, {p.datum, {}, p.text, {}, betrag(p.betrag), p.soll, p.haben});
        db->Close();
    }
    const QString pdf = s.pfad(QStringLiteral("hmz2005.pdf"));
    const auto r = hmzres({"print", "--db", s.name(), "--objects", "1-99999", "--period", "01.2005-12.2005", "--pdf", pdf, "--quiet"});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    const QString text = pdfText(pdf);
    for (const char* muster : {"Hausverwaltung Neu", "Hauptplatz 1", "Annenstraße 3, 8020 Graz", "Miete Jänner +2\\.500,00",
                               "Dachdecker Huber +-?1\\.234,56", "Erhaltungsbeitrag Februar +300,00",
                               "2004 +9\\.000,00 +10,00 +9\\.010,00", "2005 +1\\.265,44 +300,00 +1\\.565,44"})
        EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8(muster)))) << muster << "\n" << qPrintable(text);
    // The full year's run stored its own result for next year's table.
    auto db = mandantOeffnen(s.name(), true);
    EXPECT_EQ(stamm::jahresSummenLesen(*db, 7).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(Speicher, NeuerMandant, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);
