// The bookings module on both stores: a pair entered in its form is printed,
// a new year's first booking makes the year's table, refused values never
// reach the store, and another program's change is never overwritten.
#include "abgelehnt.h"
#include "demomandant.h"
#include "programm.h"
#include "speicher.h"

#include "entry/zustand.h"
#include "modules/sachbuch.h"
#include "store/postgres/pg_verbindung.h"
#include "store/schema.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

class BuchungenJeSpeicher : public testing::TestWithParam<Speicherart> {};

std::unique_ptr<db::Database> oeffnen(const TestSpeicher& s) { return mandantOeffnen(s.name(), false); }

stamm::BuchungsPaar paar(QDate datum, const QString& soll) {
    return {datum, 1, QStringLiteral("Test"), std::nullopt, Currency::fromUnits(10), soll, QStringLiteral("2800")};
}

}  // namespace

TEST_P(BuchungenJeSpeicher, PairEnteredInTheFormIsPrinted) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    SachbuchDialog w(s.name(), 1, DemoJahr);
    const int vorher = w.tabelle()->rowCount();
    EXPECT_EQ(w.differenz()->text(), "Differenz 0,00");
    EXPECT_TRUE(w.tabelle()->item(0, 9)->text().contains("Art 90")) << qPrintable(w.tabelle()->item(0, 9)->text());
    auto db = oeffnen(s);
    const auto konten = stamm::kontenLesen(*db, DemoJahr);
    db->Close();
    // Datum, Betrag as typed; the field that refuses them (-1: accepted).
    const std::tuple<QString, QString, int> faelle[] = {
        {"15.06.2004", "1,00", BuchungsDialog::Datum}, {"15.06.", "0,00", BuchungsDialog::Betrag},
        {"15.06.", "-5,00", BuchungsDialog::Betrag},   {"31.02.2003", "1,00", BuchungsDialog::Datum},
        {"15.06.", "1.234,56", -1}};
    for (const auto& [datum, betrag, feld] : faelle) {
        BuchungsDialog f(DemoJahr, konten, std::nullopt, {}, &w);
        f.feld(BuchungsDialog::Datum)->setText(datum);
        f.feld(BuchungsDialog::Beleg)->setText("999");
        f.feld(BuchungsDialog::Text1)->setText("Testbuchung Modul");
        f.feld(BuchungsDialog::Betrag)->setText(betrag);
        f.konto(0)->setCurrentIndex(f.konto(0)->findData("7600"));
        f.konto(1)->setCurrentIndex(f.konto(1)->findData("2800"));
        f.accept();
        EXPECT_EQ(f.result() == QDialog::Accepted, feld < 0) << qPrintable(datum + " " + betrag);
        if (feld >= 0) {
            EXPECT_FALSE(f.grund(BuchungsDialog::Feld(feld))->isHidden()) << qPrintable(datum + " " + betrag);
        }
        if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO_BUCHUNGEN"); feld < 0 && !bild.isEmpty())
            f.grab().save(QString(bild).replace(".png", "-paar.png"));
        if (feld < 0) w.paarBuchen(f.paar());
    }
    ASSERT_EQ(w.tabelle()->rowCount(), vorher + 2);
    EXPECT_EQ(w.differenz()->text(), "Differenz 0,00");
    if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO_BUCHUNGEN"); !bild.isEmpty()) w.grab().save(bild);

    const QString pdf = s.pfad(QStringLiteral("o1.pdf"));
    const auto r = hmzres({"print", "--db", s.name(), "--objects", "1-1", "--period", "01.2003-12.2003", "--pdf", pdf, "--quiet"});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    const QString text = pdfText(pdf);
    for (const char* zeile : {"15\\.06\\.03 00999 Testbuchung Modul +-1\\.234,56", "19\\.09\\.03 00093 .* -309,53 +-2\\.121,49",
                              "Summe Ausgaben: +-40\\.444,31", "Hauptmietzinsreserve-Zuwachs: +40\\.127,43"})
        EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8(zeile)))) << zeile;
}

// The first booking of a year makes its table with the index; refused values leave the client as it was.
TEST_P(BuchungenJeSpeicher, NewYearAndRefusals) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto db = oeffnen(s);
    const int neu = DemoJahr + 1;
    stamm::vorjahrUebernehmen(*db, neu);
    const std::function<void()> abgelehnt[] = {
        [&] { stamm::paarSpeichern(*db, neu, 1, paar(QDate(DemoJahr, 12, 31), "7600")); },
        [&] { stamm::paarSpeichern(*db, neu, 1, paar(QDate(neu, 1, 2), "9998")); },
        [&] { stamm::paarSpeichern(*db, neu, 99, paar(QDate(neu, 1, 2), "7600")); },
        [&] { stamm::paarSpeichern(*db, neu, 1, {QDate(neu, 1, 2), {}, " ", {}, Currency::fromUnits(1), "7600", "2800"}); },
    };
    for (const auto& v : abgelehnt) EXPECT_THROW(v(), stamm::Ablehnung);
    EXPECT_FALSE(stamm::buchungsjahre(*db).contains(neu));
    stamm::paarSpeichern(*db, neu, 1, paar(QDate(neu, 1, 2), "7600"));
    stamm::paarSpeichern(*db, neu, 1, paar(QDate(neu, 1, 3), "7600"));
    const auto zeilen = stamm::buchungenLesen(*db, neu, 1);
    ASSERT_EQ(zeilen.size(), 4u);
    EXPECT_EQ(QStringLiteral("%1%2 %3%4 %5").arg(zeilen[0].sh).arg(zeilen[0].vorzeichen).arg(zeilen[1].sh).arg(zeilen[1].vorzeichen).arg(zeilen[3].nr),
              "S-1 H1 4");
    EXPECT_EQ(zeilen[0].art, "01");
    EXPECT_NO_THROW(db->Execute(QStringLiteral("DROP INDEX ") + db::buchungsIndex(neu)));
    db->Close();
    SachbuchDialog w(s.name(), 1, neu);
    QStringList jahre;  // each year with bookings once, then the next
    for (int i = 0; i < w.jahrAuswahl()->count(); ++i) jahre << w.jahrAuswahl()->itemText(i);
    EXPECT_EQ(jahre.last(), QString::number(neu + 1));
    EXPECT_EQ(jahre.removeDuplicates(), 0) << qPrintable(jahre.join(' '));
    EXPECT_EQ(w.summen()->text().simplified(), QStringLiteral("Mandant %1: Soll 20,00 Haben 20,00").arg(neu));
}

// A row shown before another program changed or deleted it is refused, never overwritten.
TEST_P(BuchungenJeSpeicher, RowChangedMeanwhileIsRefused) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto ich = oeffnen(s), anderer = oeffnen(s);
    const auto gezeigt = stamm::buchungenLesen(*ich, DemoJahr, 2);
    ASSERT_GE(gezeigt.size(), 2u);
    stamm::Buchung geaendert = gezeigt[0], meins = gezeigt[0];
    geaendert.betrag = Currency::fromUnits(7);
    meins.betrag = Currency::fromUnits(8);
    stamm::buchungAendern(*anderer, DemoJahr, gezeigt[0], geaendert);
    stamm::buchungLoeschen(*anderer, DemoJahr, gezeigt[1]);
    const std::vector<std::function<void()>> versuche = {
        [&] { stamm::buchungAendern(*ich, DemoJahr, gezeigt[0], meins); },
        [&] { stamm::buchungLoeschen(*ich, DemoJahr, gezeigt[0]); },
        [&] { stamm::buchungAendern(*ich, DemoJahr, gezeigt[1], gezeigt[1]); },
        [&] { stamm::buchungLoeschen(*ich, DemoJahr, gezeigt[1]); },
    };
    alleAbgelehnt(versuche);
    const auto jetzt = stamm::buchungenLesen(*ich, DemoJahr, 2);
    ASSERT_EQ(jetzt.size(), gezeigt.size() - 1);
    EXPECT_EQ(jetzt[0], geaendert);
}

INSTANTIATE_TEST_SUITE_P(Speicher, BuchungenJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

// Another workstation makes a new year's table while this one books the
// year's first pair: this one waits, then books into that table.
TEST_P(BuchungenJeSpeicher, FirstPairOfANewYearWhileAnotherMakesItsTable) {
    if (GetParam() != Speicherart::Server) GTEST_SKIP() << "a file has one writer at a time";
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    const int neu = DemoJahr + 1;
    auto ich = oeffnen(s);
    stamm::vorjahrUebernehmen(*ich, neu);
    db::PgConnection andere(s.name());
    andere.exec(QStringLiteral("BEGIN"));
    for (const QString& sql : db::schemaBuchungsjahr(neu)) andere.exec(andere.translation(sql)->sql);
    // Committed once this workstation waits for it.
    PQsendQuery(andere.pg(), CommitSobaldJemandWartet);
    EXPECT_NO_THROW(stamm::paarSpeichern(*ich, neu, 1, paar(QDate(neu, 1, 2), "7600")));
    while (PGresult* r = PQgetResult(andere.pg())) PQclear(r);
    EXPECT_EQ(stamm::buchungenLesen(*ich, neu, 1).size(), 2u);
}
