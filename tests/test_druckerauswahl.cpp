// The printer list and the choice of printer; against a real CUPS PDF queue
// when one runs (HMZRES_REQUIRE_CUPS=1 turns its absence into a failure).
#include "programm.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/druckerauswahl.h"
#include "report/pufferdrucker.h"
#include "fehleranzeige_attrappe.h"

#include <QPrinterInfo>
#include <gtest/gtest.h>

namespace hmz {
namespace {

std::vector<test::Fehlerbericht> berichte;

class DruckerAuswahl : public ::testing::Test {
protected:
    void SetUp() override {
        parameter_ = aufruf().AufrufParameter;
        aufruf().AufrufParameter = VariantArray::leer(0, 100);
        test::FehlerAnzeigeAttrappe::registrieren(berichte);
        berichte.clear();
        setzeDrucker(std::make_unique<AufzeichnungsDrucker>(QStringLiteral("buero-laser")));
    }
    void TearDown() override {
        setzeDruckerSammlung({});
        setzeDrucker(nullptr);
        test::FehlerAnzeigeAttrappe::entfernen();
        aufruf().AufrufParameter = parameter_;
        FehlerQuelle().clear();
    }
    VariantArray parameter_;
};

// The list keeps the collection's order; a choice by name makes that printer the current one.
TEST_F(DruckerAuswahl, ListeUndWahl) {
    const QStringList sammlung{"empfang", "buero-laser", "keller"};
    setzeDruckerSammlung([=] { return sammlung; });
    const DruckerListe liste = DruckerListeFuellen();
    ASSERT_EQ(liste.eintraege.size(), 3u);
    for (long i = 0; i < 3; ++i) {
        EXPECT_EQ(liste.eintraege[i].name, sammlung[i]);
    }
    EXPECT_EQ(liste.anzeige, QStringLiteral("buero-laser")) << "the current printer shows first";

    EXPECT_TRUE(DruckerWaehlen(QStringLiteral("keller")));
    EXPECT_EQ(Printer().DeviceName(), QStringLiteral("keller"));
    ASSERT_NE(dynamic_cast<PufferDrucker*>(&Printer()), nullptr);
    EXPECT_TRUE(berichte.empty());
    EXPECT_FALSE(DruckerWaehlen(QStringLiteral("dach")));
    EXPECT_EQ(Printer().DeviceName(), QStringLiteral("keller"));

    aufruf().AufrufParameter = VariantArray::leer(0, 54);
    try {
        DruckerListeFuellen();
        FAIL() << "element 55 is missing";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), fehlernr::Index);
    }
}

// The chosen queue gets the page, and "hmzres printers" lists what Qt lists.
TEST_F(DruckerAuswahl, DruckAufDiePdfWarteschlangeUndBefehlPrinters) {
    if (!test::programm(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 5000).aus.contains("is running")) {
        if (qEnvironmentVariable("HMZRES_REQUIRE_CUPS") == QLatin1String("1"))
            FAIL() << "cupsd is not running (run scripts/setup-debian --tests as root)";
        GTEST_SKIP() << "cupsd is not running; scripts/setup-debian --tests (as root) starts it with a PDF queue";
    }
    const auto pos = druckerSammlung().indexOf(QStringLiteral("hmzres-pdf"));
    ASSERT_GE(pos, 0) << "no queue hmzres-pdf in " << druckerSammlung().join(' ').toStdString();
    const DruckerListe liste = DruckerListeFuellen();
    ASSERT_LT(static_cast<std::size_t>(pos), liste.eintraege.size());
    DruckerWaehlen(liste.eintraege[pos].name);
    ASSERT_EQ(Printer().DeviceName(), QStringLiteral("hmzres-pdf"));

    const QStringList vorher = test::warteschlangenPdfs();
    auto& p = Printer();
    p.setFontName(QStringLiteral("Arial"));
    p.setFontSize(9);
    p.setCurrentX(0);
    p.setCurrentY(0);
    p.Print(QStringLiteral("Probeseite"), false);
    p.EndDoc();
    EXPECT_TRUE(berichte.empty());
    EXPECT_TRUE(test::neueWarteschlangenPdfsEntfernen(vorher)) << "no PDF arrived";

    const auto l = test::hmzres({QStringLiteral("printers")}, 10000);
    ASSERT_TRUE(l.beendet);
    EXPECT_EQ(l.status, 0);
    QStringList zeilen = l.aus.split('\n', Qt::SkipEmptyParts);
    int standard = 0;
    for (QString& z : zeilen)
        if (z.endsWith(QStringLiteral(" (Standard)"))) {
            ++standard;
            z.chop(10);
        }
    EXPECT_EQ(standard, QPrinterInfo::defaultPrinterName().isEmpty() ? 0 : 1);
    EXPECT_EQ(zeilen, QPrinterInfo::availablePrinterNames() + QStringList{QStringLiteral("PDF-Dateien je Objekt")});
}

}  // namespace
}  // namespace hmz
