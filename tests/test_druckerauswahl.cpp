// The printer list and the choice of printer; against a real CUPS PDF queue
// when one runs (HMZRES_REQUIRE_CUPS=1 turns its absence into a failure).
#include "programm.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/druckerauswahl.h"
#include "report/pufferdrucker.h"
#include "fehleranzeige_attrappe.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace hmz {
namespace {

const QString PdfWarteschlange = QStringLiteral("hmzres-pdf");

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

TEST_F(DruckerAuswahl, ListeInSammlungsreihenfolgeMitPosition) {
    const QStringList sammlung{"empfang", "buero-laser", "hmzres-pdf"};
    setzeDruckerSammlung([=] { return sammlung; });
    for (const Variant& element55 : {Variant(), Variant::integer(0), Variant::integer(1), Variant::string("1")}) {
        aufruf().AufrufParameter.at(55) = element55;
        aufruf().AufrufParameter.at(58) = Variant::integer(2);
        const DruckerListe liste = DruckerListeFuellen();
        ASSERT_EQ(liste.eintraege.size(), 3u);
        for (long i = 0; i < 3; ++i) {
            EXPECT_EQ(liste.eintraege[i].name, sammlung[i]);
            EXPECT_EQ(liste.eintraege[i].position, i);
        }
        EXPECT_EQ(liste.anzeige, QStringLiteral("buero-laser")) << "the current printer shows first";
    }

    aufruf().AufrufParameter = VariantArray::leer(0, 54);
    try {
        DruckerListeFuellen();
        FAIL() << "element 55 is missing";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), fehlernr::Index);
    }
}

TEST_F(DruckerAuswahl, WahlMachtDenDruckerZumAktuellen) {
    setzeDruckerSammlung([] { return QStringList{"empfang", "keller"}; });
    DruckerWaehlen(1);
    EXPECT_EQ(Printer().DeviceName(), QStringLiteral("keller"));
    ASSERT_NE(dynamic_cast<PufferDrucker*>(&Printer()), nullptr);
    EXPECT_TRUE(berichte.empty());

    // A position the collection does not have: reported, the printer stays.
    for (long falsch : {2L, -1L}) {
        DruckerWaehlen(falsch);
        EXPECT_EQ(Printer().DeviceName(), QStringLiteral("keller"));
    }
    ASSERT_EQ(berichte.size(), 2u);
    EXPECT_EQ(berichte[0].nummer, fehlernr::Index);
    EXPECT_EQ(berichte[0].quelle, QStringLiteral("gvuRechwesen, in cmbPrinter_Click"));
}

bool cupsLaeuft() {
    const auto l = test::programm(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 5000);
    return l.beendet && l.aus.contains("is running");
}

// Where the PDF queue puts its output for this user.
QStringList ausgabeOrdner() {
    return {QDir::homePath() + QStringLiteral("/PDF"), QStringLiteral("/root/PDF"),
            QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
}

QStringList pdfDateien() {
    QStringList r;
    for (const QString& ordner : ausgabeOrdner())
        for (const QFileInfo& f : QDir(ordner).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
            r << f.absoluteFilePath();
    return r;
}

TEST_F(DruckerAuswahl, DruckAufDiePdfWarteschlange) {
    if (!cupsLaeuft()) {
        if (qEnvironmentVariable("HMZRES_REQUIRE_CUPS") == QLatin1String("1"))
            FAIL() << "cupsd is not running (run scripts/setup-debian as root)";
        GTEST_SKIP() << "cupsd is not running; scripts/setup-debian (as root) starts it with a PDF queue";
    }
    const QStringList sammlung = druckerSammlung();
    const auto pos = sammlung.indexOf(PdfWarteschlange);
    ASSERT_GE(pos, 0) << "no queue " << PdfWarteschlange.toStdString() << " in " << sammlung.join(' ').toStdString();

    const DruckerListe liste = DruckerListeFuellen();
    ASSERT_LT(static_cast<std::size_t>(pos), liste.eintraege.size());
    DruckerWaehlen(liste.eintraege[pos].position);
    ASSERT_EQ(Printer().DeviceName(), PdfWarteschlange);

    const QStringList vorher = pdfDateien();
    auto& p = Printer();
    p.setFontName(QStringLiteral("Arial"));
    p.setFontSize(9);
    p.setCurrentX(0);
    p.setCurrentY(0);
    p.Print(QStringLiteral("Probeseite"), false);
    p.EndDoc();
    EXPECT_TRUE(berichte.empty());

    // cups-pdf renders through Ghostscript: wait, bounded, for the file.
    QStringList neu;
    const QDateTime bis = QDateTime::currentDateTime().addSecs(10);
    while (neu.isEmpty() && QDateTime::currentDateTime() < bis) {
        QThread::msleep(100);
        for (const QString& f : pdfDateien())
            if (!vorher.contains(f) && QFileInfo(f).size() > 0) neu << f;
    }
    ASSERT_FALSE(neu.isEmpty()) << "no PDF arrived in " << ausgabeOrdner().join(", ").toStdString();
    for (const QString& f : neu) QFile::remove(f);
}

TEST_F(DruckerAuswahl, BefehlPrinters) {
    const auto l = test::hmzres({QStringLiteral("printers")}, 10000);
    ASSERT_TRUE(l.beendet);
    EXPECT_EQ(l.status, 0);
    QStringList zeilen = l.aus.split('\n', Qt::SkipEmptyParts);
    int standard = 0;
    for (QString& z : zeilen)
        if (z.endsWith(QStringLiteral(" (default)"))) {
            ++standard;
            z.chop(10);
        }
    EXPECT_LE(standard, 1);
    EXPECT_EQ(zeilen, QPrinterInfo::availablePrinterNames());

    QProcess falsch;
    falsch.start(QStringLiteral(HMZ_BINARY), {QStringLiteral("printers"), QStringLiteral("--all")});
    ASSERT_TRUE(falsch.waitForFinished(10000));
    EXPECT_EQ(falsch.exitCode(), 2);
}

}  // namespace
}  // namespace hmz
