#include "dialogtest.h"

#include "dialog/frmkill.h"
#include "dialog/hilfefenster.h"
#include "dialog/qtkomponenten.h"
#include "modules/objektstamm.h"
#include "shell/fehlermelden.h"
#include "statement/lauf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace hmz;
using namespace hmz::test;

namespace {

class SuchModul : public ModulKomponente {
public:
    static inline long antwort = 0;
    static inline int gestartet = 0;
    static inline Variant jahrBeimStart;
    void starten(VariantArray& p) override {
        ++gestartet;
        jahrBeimStart = p.at(11);
    }
    long gewaehlteObjektNr() const override { return antwort; }
};

// A help context table of 71 entries, all `fuellung` but entry 65.
Variant hilfeTabelle(const Variant& fuellung, int eintrag65) {
    VariantArray kontexte = VariantArray::leer(0, 70);
    for (auto& k : kontexte.elemente) k = fuellung;
    kontexte.at(65) = Variant::integer(eintrag65);
    return Variant::array(kontexte);
}

}  // namespace

// Each start shows the call and the stored euro setting with the progress
// panel hidden; a failure on the way is reported and the dialog still opens.
TEST_F(DialogTest, StartUpShowsTheCallAndTheEuroSettingAndReportsFailures) {
    VariantArray dezember = standardParameter(), longs = standardParameter(), kurz = VariantArray::leer(0, 11);
    dezember.at(5) = Variant::date(QDate(1999, 12, 1));
    dezember.at(60) = hilfeTabelle(Variant::integer(0), 4711);
    longs.at(60) = hilfeTabelle(Variant::lng(7), 7);  // a help table of Longs is not taken
    for (long i = 0; i <= 11; ++i) kurz.at(i) = standardParameter().at(i);  // ends before the printer element
    struct Fall {
        VariantArray parameter;
        const char* zeile149;  // the stored euro setting; nullptr: none
        QString monatsStatus;
        bool haken;
        int kontext;  // what F1 gives the focused control
        QStringList quellen;
    };
    const Fall faelle[] = {
        {dezember, nullptr, "12.99", true, 4711, {}},
        {longs, "0", "03.03", false, 0, {}},
        {kurz, "0", "03.03", false, 0, {"9 kmoHauptMzRes, in Form_Load"}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.parameter.obereGrenze());
        parameter(f.parameter);
        sql("DELETE FROM AllgEinstellungen");
        if (f.zeile149) sql(QStringLiteral("INSERT INTO AllgEinstellungen VALUES (149, %1, 'x')").arg(f.zeile149));
        gemeldet.clear();
        meldungen.clear();  // F1 of the row before found no help file
        hilfe() = HilfeZustand{};
        auto& d = oeffnen();
        EXPECT_EQ(d.lblAuswahlMonStatus()->text(), f.monatsStatus);
        EXPECT_FALSE(d.picLatsch()->isVisible());
        EXPECT_TRUE(aufruf().DialogGeladen);
        EXPECT_EQ(d.chkEuroAusweisen()->isChecked(), f.haken);
        EXPECT_EQ(formular().EurAtsAusweisen, f.haken);
        EXPECT_EQ(quellen(), f.quellen);
        EXPECT_TRUE(meldungen.empty());
        feld(Feld::AbrBisDatum)->setFocus();
        QTest::keyClick(feld(Feld::AbrBisDatum), Qt::Key_F1);
        EXPECT_EQ(hilfeKontext(feld(Feld::AbrBisDatum)), f.kontext);
        if (f.kontext == 0) {
            EXPECT_EQ(hilfe().HilfeKontexte, std::vector<int>(201, 0));
        }
        d.reject();
        EXPECT_FALSE(aufruf().DialogGeladen);
    }
}

TEST_F(DialogTest, InputFieldsDeliverNumbersAndMonths) {
    auto& d = oeffnen();
    InputFeld* von = feld(Feld::VonObjNr);
    von->setFocus();
    QTest::keyClicks(von, "1a2-3 ");
    EXPECT_EQ(von->text(), "123");
    EXPECT_EQ(d.feldWert(Feld::VonObjNr), Variant::lng(123));
    EXPECT_TRUE(d.feldWert(Feld::BisObjNr).istEmpty());

    InputFeld* monat = feld(Feld::AbrVonDatum);
    monat->setFocus();
    QTest::keyClicks(monat, "03x.03");
    EXPECT_EQ(monat->text(), "03.03");
    EXPECT_EQ(d.feldWert(Feld::AbrVonDatum), Variant::date(QDate(2003, 3, 1)));

    // What the run writes back reads back the same.
    d.setzeFeldWert(Feld::AbrBisDatum, Variant::date(QDate(2004, 2, 29)));
    EXPECT_EQ(d.feldWert(Feld::AbrBisDatum), Variant::date(QDate(2004, 2, 29)));
}

TEST_F(DialogTest, AFailedMonthKeepsTheFocusAndTheOtherMonthIsNotCheckedMeanwhile) {
    auto& d = oeffnen();
    InputFeld* von = feld(Feld::AbrVonDatum);
    InputFeld* bis = feld(Feld::AbrBisDatum);
    von->setFocus();
    QTest::keyClicks(von, "13.03");
    QTest::keyClick(von, Qt::Key_Tab);
    ASSERT_EQ(meldungen.size(), 1u);
    EXPECT_EQ(meldungen[0].text,
              "Das Datum \"Abrechnung von MM.JJ:\" ist kein gültiger Datumswert.\r\n"
              "Bitte ein richtiges Datum im Format MM.JJ oder MM.JJJJ eingeben.");
    EXPECT_EQ(fokusWidget(), von);

    // A click elsewhere asks again and the click does not reach its target.
    bool geklickt = false;
    QObject::connect(d.cmdSachbuch(), &QPushButton::clicked, [&] { geklickt = true; });
    QTest::mouseClick(d.cmdSachbuch(), Qt::LeftButton);
    EXPECT_EQ(meldungen.size(), 2u);
    EXPECT_EQ(fokusWidget(), von);
    EXPECT_FALSE(geklickt);

    // While "von" holds the failed check, leaving "bis" checks nothing.
    bis->setFocus();
    bis->setText("99.99");
    QTest::keyClick(bis, Qt::Key_Tab);
    EXPECT_EQ(meldungen.size(), 2u);
    EXPECT_NE(fokusWidget(), bis);

    // Corrected, "von" lets the focus go, and "bis" is checked again.
    von->setFocus();
    von->setText("03.2030");
    QTest::keyClick(von, Qt::Key_Tab);
    EXPECT_EQ(meldungen.size(), 2u);
    EXPECT_NE(fokusWidget(), von);
    bis->setFocus();
    QTest::keyClick(bis, Qt::Key_Tab);
    EXPECT_EQ(meldungen.size(), 3u);
    EXPECT_EQ(fokusWidget(), bis);
}

// While running the panel covers the start and close buttons and the cancel
// button takes Enter; paused, there is nothing to cancel.
TEST_F(DialogTest, TheProgressPanelReplacesTheButtonsWhileARunGoes) {
    auto& d = oeffnen();
    for (const Aussehen a : {Aussehen::Laeuft, Aussehen::Angehalten}) {
        d.aussehen(a);
        EXPECT_TRUE(d.picLatsch()->isVisible());
        EXPECT_FALSE(d.cmdOK()->isVisible() || d.cmdOK()->isEnabled() || d.cmdBeenden()->isVisible());
        EXPECT_EQ(d.cmdDruckenAbbrechen()->isVisible(), a == Aussehen::Laeuft);
    }
    EXPECT_EQ(d.lblDruckLaeuft()->text().trimmed(), "Verarbeitung angehalten");
    d.aussehen(Aussehen::Fortgesetzt);
    EXPECT_TRUE(d.cmdDruckenAbbrechen()->isDefault());
    EXPECT_EQ(fokusWidget(), d.cmdDruckenAbbrechen());
    d.aussehen(Aussehen::Leerlauf);
    EXPECT_FALSE(d.picLatsch()->isVisible());
    EXPECT_TRUE(d.cmdOK()->isVisible() && d.cmdOK()->isEnabled() && d.cmdBeenden()->isVisible());
}

TEST_F(DialogTest, FrmKillAnswersThroughTheFlagAndEscClosesOnlyWhenIdle) {
    auto& d = oeffnen();
    formular().AbbruchBestaetigt = true;  // opening clears it
    beiModalemDialog([&](QWidget* w) {
        auto* k = qobject_cast<frmKill*>(w);
        ASSERT_NE(k, nullptr);
        EXPECT_FALSE(formular().AbbruchBestaetigt);
        k->cmdFortsetzen()->click();
    });
    EXPECT_FALSE(d.abbruchBestaetigen());
    beiModalemDialog([](QWidget* w) { qobject_cast<frmKill*>(w)->cmdAbbrechen()->click(); });
    EXPECT_TRUE(d.abbruchBestaetigen());
    EXPECT_TRUE(formular().AbbruchBestaetigt);

    // During a run Esc and the close box ask instead of closing; Esc in frmKill is "Nein".
    formular().VerarbeitungLaeuft = true;
    d.aussehen(Aussehen::Laeuft);
    int gefragt = 0;
    const auto esc = [&](QWidget* w) {
        ++gefragt;
        QTest::keyClick(w, Qt::Key_Escape);
    };
    beiModalemDialog(esc);
    QTest::keyClick(d.cmdDruckenAbbrechen(), Qt::Key_Escape);
    beiModalemDialog(esc);
    d.close();
    EXPECT_EQ(gefragt, 2);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(formular().AbbruchBestaetigt);

    formular().VerarbeitungLaeuft = false;
    d.aussehen(Aussehen::Leerlauf);
    feld(Feld::AbrVonDatum)->setFocus();
    QTest::keyClick(feld(Feld::AbrVonDatum), Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(aufruf().DialogGeladen);
}

TEST_F(DialogTest, HelpChecksTheFileBeforeOpeningIt) {
    QTemporaryDir ordner;
    const QString datei = ordner.filePath("hmzres.chm");
    struct Fall {
        QString hilfeDatei;
        QString meldung;
        int geoeffnet;
        bool anzeigbar = true;  // whether a viewer can be started
    };
    const QString fehlt = ordner.filePath("fehlt.chm");
    const Fall faelle[] = {
        {"", "Die Definition für den App.Helpfile = leer\r\nEs kann keine Onlinehilfe angezeigt werden !", 0},
        {fehlt, "Die Hilfedatei (App.HelpFile) " + fehlt + " ist nicht auffindbar.\r\nEs kann keine Onlinehilfe angezeigt werden !", 0},
        {"hmzres.chm", "", 1},  // relative to the working folder; the viewer gets the whole path
        {datei, "Die Hilfedatei " + datei + " kann nicht angezeigt werden: es ist kein Programm zum Anzeigen eingerichtet.", 1,
         false},
    };
    ASSERT_TRUE(QFile(datei).open(QIODevice::WriteOnly));
    const QString vorher = QDir::currentPath();
    QDir::setCurrent(ordner.path());
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.hilfeDatei.toStdString());
        VariantArray a = standardParameter();
        a.at(7) = Variant::string(fall.hilfeDatei);
        parameter(a);
        hilfeAnzeigbar = fall.anzeigbar;
        auto& d = oeffnen();
        for (int weg = 0; weg < 2; ++weg) {  // the help button, then F1
            meldungen.clear();
            geoeffneteHilfe.clear();
            if (weg == 0)
                QTest::mouseClick(d.cmdHilfe(), Qt::LeftButton);
            else
                QTest::keyClick(fokusWidget(), Qt::Key_F1);
            EXPECT_EQ(texte(), fall.meldung.isEmpty() ? QStringList() : QStringList{fall.meldung});
            EXPECT_EQ(geoeffneteHilfe.size(), fall.geoeffnet);
        }
        if (fall.geoeffnet) {
            EXPECT_EQ(geoeffneteHilfe.value(0), datei);
        }
    }
    QDir::setCurrent(vorher);
}

// The property search fills both numbers and focuses the first; the account
// master gets the year of the to-month.
TEST_F(DialogTest, ModulesGetTheirInputAndGiveTheirChoice) {
    SuchModul::antwort = 42;
    SuchModul::gestartet = 0;
    registriereKomponente(komponenten::ObjektAuswahl, [] { return std::make_unique<SuchModul>(); });
    registriereKomponente(komponenten::KontenStamm, [] { return std::make_unique<SuchModul>(); });
    auto& d = oeffnen();
    feld(Feld::VonObjNr)->setText("1");
    feld(Feld::BisObjNr)->setText("9");
    feld(Feld::AbrBisDatum)->setFocus();
    QTest::keyClick(feld(Feld::AbrBisDatum), Qt::Key_F2);
    EXPECT_EQ(feld(Feld::VonObjNr)->text(), "42");
    EXPECT_EQ(feld(Feld::BisObjNr)->text(), "42");
    EXPECT_EQ(fokusWidget(), feld(Feld::VonObjNr));

    SuchModul::antwort = 0;  // nothing chosen: the numbers stay
    feld(Feld::AbrBisDatum)->setFocus();
    d.cmdObjAusw()->click();
    EXPECT_EQ(feld(Feld::VonObjNr)->text(), "42");
    EXPECT_EQ(fokusWidget(), feld(Feld::VonObjNr));
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_TRUE(gemeldet.empty());

    struct Fall {
        const char* bisMonat;
        Variant jahr;
        QStringList fehler;
    };
    const Fall faelle[] = {
        {"0", Variant::lng(2003), {}},
        {"05.04", Variant::lng(2004), {}},
        // A full date as the run leaves it: reported, year kept, module started anyway.
        {"31.05.2005", Variant::lng(2004), {"13 kmoHauptmzres, in cmdKontenStamm_Click"}},
    };
    int starts = SuchModul::gestartet;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.bisMonat);
        gemeldet.clear();
        feld(Feld::AbrBisDatum)->setText(f.bisMonat);
        d.cmdKontenStamm()->click();
        EXPECT_EQ(SuchModul::gestartet, ++starts);
        EXPECT_EQ(SuchModul::jahrBeimStart, f.jahr);
        EXPECT_EQ(quellen(), f.fehler);
    }
}

TEST_F(DialogTest, ModulesThatAreNotInstalledSaySoWithoutAStuckPointer) {
    auto& d = oeffnen();
    // A host that registers no module gets the reports of a component that cannot be created.
    d.cmdHmzResStamm()->click();
    EXPECT_EQ(quellen(), (QStringList{"429 kmoHauptmzres, in cmdHmzResStamm_Click",
                                      "91 kmoHauptmzres, in cmdHmzResStamm_Click"}));
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(DialogTest, HelpOpensTheFieldsAnchorOrTheDialogsTopic) {
    const QString seite = QStringLiteral(HMZ_SOURCE_DIR "/share/hmzres/hilfe/laufdialog.html");
    VariantArray a = standardParameter();
    a.at(7) = Variant::string(QStringLiteral(HMZ_SOURCE_DIR "/share/hmzres/hilfe/index.html"));
    a.at(60) = hilfeTabelle(Variant::integer(0), 1000);
    parameter(a);
    auto& d = oeffnen();
    const std::pair<QWidget*, QString> faelle[] = {
        {feld(Feld::AbrBisDatum), "#inpAbrBisDatum"}, {d.chkEuroAusweisen(), "#chkEuroAusweisen"}, {d.lblAuswahlMonStatus(), "#kontext-1000"}};
    for (const auto& [fokus, anker] : faelle) {
        fokus->setFocusPolicy(Qt::StrongFocus), fokus->setFocus();
        QTest::keyClick(fokus, Qt::Key_F1);
        EXPECT_EQ(geoeffneteHilfe.last(), seite + anker);
    }
    EXPECT_TRUE(hilfeFensterZeigen(QUrl::fromLocalFile(seite)) && !hilfeFensterZeigen(QUrl::fromLocalFile("x.chm")));
    // A module's F1 opens its own paragraph of the same help.
    ObjektStammDialog objekte(a.at(0).toString());
    objekte.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&objekte));
    QTest::keyClick(&objekte, Qt::Key_F1);
    EXPECT_EQ(geoeffneteHilfe.last(), QStringLiteral(HMZ_SOURCE_DIR "/share/hmzres/hilfe/module.html#objekte"));
}
