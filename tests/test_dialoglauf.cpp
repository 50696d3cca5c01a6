// Runs started from the real dialog: progress, one print job, pause and
// cancel through frmKill, what a run locks while it goes, and what a
// second host call starts from. What the run does with each answer, with an
// empty range or with the euro box is the run driver's test.
#include "programm.h"
#include "dialogtest.h"

#include "dialog/frmkill.h"
#include "report/drucker.h"
#include "report/druckerauswahl.h"
#include "report/qtdrucker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSettings>

using namespace hmz;
using namespace hmz::test;

namespace {

class DialogLauf : public DialogTest {
protected:
    QString pdf;
    QStringList latsch;        // every text lblLatsch showed
    QStringList nachAbbruch;   // lblLatsch texts after the cancel was answered
    bool abbruchBeantwortet = false;

    // Properties 1 to `bis`, each with one balanced pair of 1000 in March 2003.
    void objekte(int bis) {
        sql("INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '4000', 'Mieteinnahmen', 1, 1)");
        for (int nr = 1; nr <= bis; ++nr) {
            sql(QStringLiteral("INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjPlz, ObjOrt) "
                               "VALUES (%1, 0, 'Gasse %1', '1010', 'Wien')").arg(nr));
            sql(QStringLiteral("INSERT INTO ObjKanzleiBuchungen2003 (BuObjNr, BuKontoNr, BuDatum, BuBetrag, BuSH, "
                               "BuSHVorzeichen) VALUES (%1, '4000', '2003-03-05', 10000000, 'H', 1), "
                               "(%1, '2800', '2003-03-05', 10000000, 'S', -1)").arg(nr));
        }
    }

    void SetUp() override {
        DialogTest::SetUp();
        sql("INSERT INTO AllgMandDaten VALUES ('Hausverwaltung', '', '', 'Ring 1', '', '1010', 'Wien', 137603, '2003-12-31')");
        sql("INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '2800', 'Bank', NULL, NULL)");
        objekte(3);
        pdf = daten.filePath("lauf.pdf");
        setzeDrucker(QtDrucker::fuerPdf(pdf));
    }

    void TearDown() override {
        setzeDrucker(nullptr);
        DialogTest::TearDown();
    }

    frmHauptMzRes& eingeben(const char* von, const char* bis) {
        auto& d = oeffnen();
        QObject::connect(&d, &frmHauptMzRes::latschGeaendert, [this](const QString& t) {
            latsch << t;
            if (abbruchBeantwortet) nachAbbruch << t;
        });
        feld(Feld::VonObjNr)->setText(von);
        feld(Feld::BisObjNr)->setText(bis);
        feld(Feld::AbrVonDatum)->setText("01.03");
        feld(Feld::AbrBisDatum)->setText("12.03");
        return d;
    }

    // At the first sight of property `nr` the cancel button is clicked at the
    // next event point and frmKill is answered with "Ja" or "Nein".
    void abbrechenBei(frmHauptMzRes& d, const QString& nr, bool ja) {
        auto einmal = std::make_shared<bool>(false);
        QObject::connect(&d, &frmHauptMzRes::latschGeaendert, [=, this, &d](const QString& t) {
            if (*einmal || t != "Laufende Objekt-Nr: " + nr) return;
            *einmal = true;
            QTimer::singleShot(0, &d, [=, this, &d] {
                beiModalemDialog([=, this](QWidget* w) {
                    auto* k = qobject_cast<frmKill*>(w);
                    ASSERT_NE(k, nullptr);
                    abbruchBeantwortet = true;
                    (ja ? k->cmdAbbrechen() : k->cmdFortsetzen())->click();
                });
                d.cmdDruckenAbbrechen()->click();
            });
        });
    }

    QString pdfText() const { return test::pdfText(pdf, false); }

    void leerlaufMitFokus(frmHauptMzRes& d) {
        EXPECT_FALSE(d.picLatsch()->isVisible());
        EXPECT_TRUE(d.cmdOK()->isVisible() && d.cmdOK()->isEnabled());
        EXPECT_TRUE(d.cmdBeenden()->isVisible());
        EXPECT_FALSE(formular().VerarbeitungLaeuft);
        // The window's focus child: after frmKill the offscreen platform activates no window.
        EXPECT_EQ(d.focusWidget(), feld(Feld::VonObjNr));
    }
};

}  // namespace

// "Nein" goes on with the same property; the printer box stays locked while
// the run prints, so the one job keeps its printer.
TEST_F(DialogLauf, NeinInFrmKillGoesOnWithTheSamePropertyToOnePdfOfThreeOnTheSamePrinter) {
    setzeDruckerSammlung([] { return QStringList{"eins", "zwei"}; });
    auto& d = eingeben("1", "3");
    Drucker* drucker = &Printer();
    bool gesperrt = false;
    QObject::connect(&d, &frmHauptMzRes::latschGeaendert, [&](const QString& t) {
        if (t != "Laufende Objekt-Nr: 00002") return;
        gesperrt = !d.cmbPrinter()->isEnabled();
        QTest::keyClick(d.cmbPrinter(), Qt::Key_Down);  // the user picks another printer
    });
    abbrechenBei(d, "00002", false);
    QTest::mouseClick(d.cmdOK(), Qt::LeftButton);
    setzeDruckerSammlung(nullptr);
    ASSERT_TRUE(abbruchBeantwortet);
    EXPECT_TRUE(latsch.contains("Soll/Haben prüfen - kurze Wartezeit"));
    // Nothing of property 1 again, and property 2 is not started anew before 3.
    EXPECT_FALSE(nachAbbruch.contains("Laufende Objekt-Nr: 00001"));
    EXPECT_TRUE(nachAbbruch.contains("Laufende Objekt-Nr: 00003"));
    EXPECT_EQ(d.lblObjAnz()->text(), "3");
    EXPECT_EQ(texte(), QStringList());
    leerlaufMitFokus(d);
    EXPECT_TRUE(gesperrt);
    EXPECT_EQ(&Printer(), drucker);
    EXPECT_TRUE(d.cmbPrinter()->isEnabled());
    const QString text = pdfText();
    for (const char* nr : {"00001", "00002", "00003"}) EXPECT_TRUE(text.contains(nr)) << nr;
    EXPECT_TRUE(gemeldet.empty());
}

// A queue gone since the list was read is refused, the box keeps the current printer.
TEST_F(DialogLauf, AQueueThatHasGoneIsRefusedAndTheBoxKeepsTheCurrentPrinter) {
    QStringList sammlung{"eins", "zwei", "drei"};
    setzeDruckerSammlung([&] { return sammlung; });
    auto& d = eingeben("1", "1");
    QTest::keyClick(d.cmbPrinter(), Qt::Key_Up);
    sammlung.removeOne("zwei");
    QTest::keyClick(d.cmbPrinter(), Qt::Key_Up);
    EXPECT_EQ(d.cmbPrinter()->currentText() + Printer().DeviceName(), "dreidrei");
    sammlung.removeOne("drei");
    d.cmdOK()->click();
    setzeDruckerSammlung(nullptr);
    const QString weg = QString::fromUtf8("Der Drucker „%1“ ist nicht mehr eingerichtet; bitte einen anderen Drucker wählen.");
    EXPECT_EQ(texte(), (QStringList{weg.arg("zwei"), weg.arg("drei")}));
}

TEST_F(DialogLauf, ThePrinterBoxSaysWhereTheRunPrintsAndOffersAFolderPerProperty) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, daten.filePath("einstellungen"));
    const QString ordner = daten.filePath("je");
    QDir().mkpath(ordner);
    QString antwort;
    frmHauptMzRes::ordnerWahl() = [&](QWidget*, const QString&) { return antwort; };
    auto& d = eingeben("1", "3");
    auto* box = d.cmbPrinter();
    // The current printer writes a PDF file: the box says so; the folder entry comes last.
    EXPECT_EQ(box->currentText(), "PDF-Datei: " + QFileInfo(pdf).absoluteFilePath());
    const int je = box->count() - 1;
    ASSERT_EQ(box->itemText(je), "PDF-Dateien je Objekt");

    // A cancelled folder choice keeps the printer and the box.
    box->setCurrentIndex(je);
    emit box->activated(je);
    EXPECT_EQ(box->currentText(), "PDF-Datei: " + QFileInfo(pdf).absoluteFilePath());

    antwort = ordner;
    box->setCurrentIndex(je);
    emit box->activated(je);
    EXPECT_EQ(box->currentIndex(), je);
    d.cmdOK()->click();
    EXPECT_EQ(QDir(ordner).entryList(QDir::Files),
              (QStringList{"HMZ-2003-00001.pdf", "HMZ-2003-00002.pdf", "HMZ-2003-00003.pdf"}));
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(d.lblDruckZiel()->text(), "3 PDF-Dateien geschrieben in " + QFileInfo(ordner).absoluteFilePath());
    frmHauptMzRes::ordnerWahl() = nullptr;
}

TEST_F(DialogLauf, WithoutADefaultQueueTheRunReachesTheQueueTheBoxShows) {
    const auto lp = test::programm("lpstat", {"-r", "-d"}, 5000);
    if (!lp.aus.contains("is running")) GTEST_SKIP() << "cupsd is not running";
    if (!lp.aus.contains("no system default destination")) GTEST_SKIP() << "CUPS has a default queue here";
    setzeDrucker(nullptr);  // as a new user: nobody chose a printer yet
    const QStringList vorher = warteschlangenPdfs();
    auto& d = eingeben("1", "1");
    const QString gezeigt = d.cmbPrinter()->currentText();
    ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(gezeigt)) << qPrintable(gezeigt);
    d.cmdOK()->click();
    EXPECT_EQ(d.lblObjAnz()->text(), "1");
    EXPECT_EQ(Printer().DeviceName(), gezeigt);
    EXPECT_FALSE(QFile::exists("hmzres.pdf"));
    EXPECT_TRUE(neueWarteschlangenPdfsEntfernen(vorher)) << "nothing reached " << qPrintable(gezeigt);
}

// Start, Beenden or the close box while a cancelled run unwinds change nothing; a second host
// call for another client then never uses the first client's data.
TEST_F(DialogLauf, StartIsRefusedUntilACancelledRunHasEndedAndTheNextClientIsOnItsOwn) {
    auto& erster = eingeben("1", "3");
    abbrechenBei(erster, "00002", true);
    bool geklickt = false;
    frmHauptMzRes::meldungsHook() = [&](const Meldung& m) {
        // Right after confirming, while property 2 still unwinds, the user clicks start.
        if (m.text == "Verarbeitung durch Anwender abgebrochen" && !geklickt)
            QTimer::singleShot(0, &erster, [&] {
                geklickt = true;
                QTest::mouseClick(erster.cmdOK(), Qt::LeftButton);
                QTest::mouseClick(erster.cmdBeenden(), Qt::LeftButton);
                erster.close();
            });
        return beantworten(m);
    };
    erster.cmdOK()->click();
    ASSERT_TRUE(geklickt);  // before the run returned
    EXPECT_EQ(latsch.count("Soll/Haben prüfen - kurze Wartezeit"), 1);
    EXPECT_FALSE(QFile::exists(pdf));
    leerlaufMitFokus(erster);
    EXPECT_TRUE(erster.isVisible() && aufruf().DialogGeladen);
    erster.reject();

    // The second client: its settings and client record cannot be read.
    const QString ersterPfad = datenbankPfad;
    datenbankAnlegen(daten.filePath("zweiter.db"));
    sql("DROP TABLE AllgEinstellungen");
    sql("DROP TABLE AllgMandDaten");
    objekte(1);
    parameter(standardParameter());
    auto& zweiter = eingeben("1", "1");
    zweiter.chkEuroAusweisen()->setChecked(false);
    zweiter.cmdOK()->click();

    EXPECT_FALSE(gemeldet.empty());
    EXPECT_FALSE(QFile::exists(pdf) && pdfText().contains("Hausverwaltung")) << "the first client's header";
    auto db = db::Engine::instance().OpenDatabase(ersterPfad, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
    auto rs = db->OpenRecordset("SELECT AllgEinstWert FROM AllgEinstellungen WHERE AllgEinstNr = 149");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("AllgEinstWert").toLong(), 1) << "the euro setting went into the first client";
}
