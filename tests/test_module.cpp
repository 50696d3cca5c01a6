// The built-in modules over the master-data layer, on both stores: what they
// store is what the statements print, and another program's change is never
// overwritten.
#include "abgelehnt.h"
#include "demomandant.h"
#include "dialogtest.h"
#include "programm.h"
#include "speicher.h"

#include "entry/zustand.h"
#include "masterdata/kontenstamm.h"
#include "masterdata/objekte.h"
#include "modules/eingebaut.h"
#include "modules/hmzresstamm.h"
#include "modules/kontenstamm.h"
#include "shell/komponenten.h"
#include "store/postgres/pg_verbindung.h"

#include <QRegularExpression>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

class ModulJeSpeicher : public testing::TestWithParam<Speicherart> {};

std::unique_ptr<db::Database> oeffnen(const TestSpeicher& s) {
    return db::Engine::instance().OpenDatabase(s.name(), false, false, QStringLiteral(";pwd=") + DatenbankPasswort);
}

stamm::JahresSumme summe(int jahr, const QString& ohne, const QString& ehb) {
    QString grund;
    return {jahr, *stamm::summeLesen(ohne, grund), *stamm::summeLesen(ehb, grund)};
}

}  // namespace

// Nine earlier years typed anew into the module's form come back in the property's ten-year table.
TEST_P(ModulJeSpeicher, YearResultsEnteredArePrinted) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto db = oeffnen(s);
    for (const auto& z : stamm::jahresSummenLesen(*db, 1)) stamm::jahresSummeLoeschen(*db, 1, z);
    db->Close();
    {
        HmzResStammDialog d(s.name(), 1);
        for (int j = 1994; j <= 2002; ++j) {
            beiModalemDialog([j](QWidget* w) {
                auto* f = static_cast<JahresSummeDialog*>(w);
                const QString werte[] = {QString::number(j), QStringLiteral("%1.000,51").arg(j - 1993), QStringLiteral("-0,50")};
                for (int i = 0; i < 3; ++i) f->feld(i)->setText(werte[i]);
                f->accept();
            });
            d.neu();
        }
        ASSERT_EQ(d.tabelle()->rowCount(), 9);
        EXPECT_EQ(d.tabelle()->item(7, 3)->text(), "8.000,01");
        EXPECT_EQ(d.tabelle()->item(7, 4)->text(), "ATS");
        EXPECT_EQ(d.tabelle()->item(8, 4)->text(), "EUR");
        if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO"); !bild.isEmpty()) d.grab().save(bild);
    }
    const QString pdf = s.pfad(QStringLiteral("o1.pdf"));
    const auto r = hmzres({"print", "--db", s.name(), "--objects", "1-1", "--period", "01.2003-12.2003", "--pdf", pdf, "--quiet"});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    const QString text = pdfText(pdf);
    for (int k = 1; k <= 8; ++k)
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("ATS %1\\.000,51 +ATS -0,50 +ATS %1\\.000,01").arg(k)))) << k;
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("2002 +9\\.000,51 +-0,50 +9\\.000,01"))));
}

// A row shown before another program changed or deleted it is refused, never overwritten.
TEST_P(ModulJeSpeicher, YearResultChangedMeanwhileIsRefused) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto ich = oeffnen(s), anderer = oeffnen(s);
    const auto gezeigt = stamm::jahresSummenLesen(*ich, 2);
    ASSERT_GE(gezeigt.size(), 2u);
    stamm::jahresSummeSpeichern(*anderer, 2, gezeigt[0], summe(gezeigt[0].jahr, QStringLiteral("1,00"), {}));
    stamm::jahresSummeLoeschen(*anderer, 2, gezeigt[1]);
    const std::vector<std::function<void()>> versuche = {
        [&] { stamm::jahresSummeSpeichern(*ich, 2, gezeigt[0], summe(gezeigt[0].jahr, QStringLiteral("2,00"), {})); },
        [&] { stamm::jahresSummeLoeschen(*ich, 2, gezeigt[0]); },
        [&] { stamm::jahresSummeSpeichern(*ich, 2, gezeigt[1], summe(gezeigt[1].jahr, QStringLiteral("2,00"), {})); },
    };
    alleAbgelehnt(versuche);
    const auto jetzt = stamm::jahresSummenLesen(*ich, 2);
    EXPECT_EQ(jetzt.size(), gezeigt.size() - 1);
    EXPECT_EQ(jetzt[0], summe(gezeigt[0].jahr, QStringLiteral("1,00"), {}));
}

// The account master: keys trimmed and unique, accounts in use kept, the
// year before copied once.
TEST_P(ModulJeSpeicher, AccountRules) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto db = oeffnen(s);
    const auto konten = stamm::kontenLesen(*db, DemoJahr);
    const stamm::Konto bank = konten.front(), neu{QStringLiteral(" 9999 "), QStringLiteral("Neu"), 30, 0};
    const long n = stamm::buchungenMitKonto(*db, DemoJahr, bank.nr);
    ASSERT_GT(n, 0);
    stamm::kontoSpeichern(*db, DemoJahr, std::nullopt, neu);
    const std::function<void()> abgelehnt[] = {
        [&] { stamm::kontoSpeichern(*db, DemoJahr, std::nullopt, neu); },
        [&] { stamm::kontoSpeichern(*db, DemoJahr, std::nullopt, {QStringLiteral("  "), {}, {}, {}}); },
        [&] { stamm::kontoSpeichern(*db, DemoJahr, bank, {bank.nr + QStringLiteral("X"), {}, {}, {}}); },
        [&] { stamm::kontoLoeschen(*db, DemoJahr, bank); },
    };
    for (const auto& v : abgelehnt) EXPECT_THROW(v(), stamm::Ablehnung);
    try {
        stamm::kontoLoeschen(*db, DemoJahr, bank);
    } catch (const stamm::Ablehnung& a) {
        EXPECT_TRUE(a.grund.contains(QStringLiteral("%1 Buchungen").arg(n))) << qPrintable(a.grund);
    }
    EXPECT_EQ(stamm::kontenLesen(*db, DemoJahr).size(), konten.size() + 1);
    EXPECT_EQ(stamm::vorjahrUebernehmen(*db, DemoJahr + 1), static_cast<int>(konten.size() + 1));
    EXPECT_EQ(stamm::vorjahrUebernehmen(*db, DemoJahr + 1), 0);
    EXPECT_TRUE(stamm::fehlendeKonten(*db, DemoJahr).isEmpty());
    KontenStammDialog d(s.name(), DemoJahr);
    EXPECT_EQ(d.tabelle()->rowCount(), static_cast<int>(konten.size() + 1));
    if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO_KONTEN"); !bild.isEmpty()) d.grab().save(bild);
}

INSTANTIATE_TEST_SUITE_P(Speicher, ModulJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

// The built-in modules take every module name the host left free, and only those.
TEST(EingebauteModule, TakeOnlyTheNamesTheHostLeftFree) {
    struct Eigenes : ModulKomponente {
        void starten(VariantArray&) override {}
    };
    const QString namen[] = {komponenten::Sachbuch, komponenten::HmzResStamm, komponenten::ObjektAuswahl, komponenten::KontenStamm};
    for (const auto& n : namen) entferneKomponente(n);
    registriereKomponente(komponenten::KontenStamm, [] { return std::make_unique<Eigenes>(); });
    eingebauteModuleRegistrieren();
    for (const auto& n : namen) {
        const auto k = erzeugeKomponente(n);
        EXPECT_EQ(dynamic_cast<Eigenes*>(k.get()) != nullptr, n == komponenten::KontenStamm) << qPrintable(n);
    }
    for (const auto& n : namen) entferneKomponente(n);
}

// A key another workstation takes between this one's look and its write (a
// server lets both look at once) is refused as taken, never as a store error.
TEST_P(ModulJeSpeicher, AKeyTakenMeanwhileIsRefusedAsTaken) {
    if (GetParam() != Speicherart::Server) GTEST_SKIP() << "a file has one writer at a time";
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto ich = oeffnen(s);
    const struct {
        const char* sql;
        std::function<void()> speichern;
        const char* grund;
    } faelle[] = {
        {"INSERT INTO ObjDaten (ObjNummer) VALUES (50)", [&] { stamm::objektSpeichern(*ich, std::nullopt, {50, "Neu", {}, {}, 0, {}}); },
         "Das Objekt 50 gibt es schon."},
        {"INSERT INTO ObjKanzleiKontenstamm (KontoJJ, KontoNr) VALUES (2003, '8888')",
         [&] { stamm::kontoSpeichern(*ich, DemoJahr, std::nullopt, {"8888", "Neu", 30, 0}); }, "Das Konto 8888 gibt es im Jahr 2003 schon."},
        {"INSERT INTO ObjHmzResJahresSummen (HmzObjNr, HmzJahr) VALUES (1, 1950)",
         [&] { stamm::jahresSummeSpeichern(*ich, 1, std::nullopt, {1950, {}, {}}); }, "Für das Jahr 1950 ist schon ein Ergebnis gespeichert."},
    };
    for (const auto& f : faelle) {
        db::PgConnection andere(s.name());
        andere.exec(QStringLiteral("BEGIN; ") + f.sql);
        PQsendQuery(andere.pg(), CommitSobaldJemandWartet);
        try {
            f.speichern();
            ADD_FAILURE() << "saved: " << f.grund;
        } catch (const stamm::Ablehnung& a) {
            EXPECT_TRUE(a.geaendert && a.grund == QString::fromUtf8(f.grund)) << qPrintable(a.grund);
        }
        while (PGresult* r = PQgetResult(andere.pg())) PQclear(r);
    }
}
