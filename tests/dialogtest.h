// Fixture for tests that drive the real run dialog on the offscreen
// platform: messages are recorded and answered, the help viewer and the
// error display are replaced by recorders, the settings file lives in a
// temporary profile folder.
#pragma once

#include "dialog/frmhauptmzres.h"
#include "dialog/inputfeld.h"
#include "store/datenzugriff.h"
#include "entry/formular.h"
#include "store/schema.h"
#include "entry/zustand.h"
#include "dialog/hilfe.h"
#include "shell/komponenten.h"
#include "fehleranzeige_attrappe.h"
#include "skriptansicht.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace hmz::test {

// Runs `tun` on the next modal dialog as soon as its event loop is up.
inline void beiModalemDialog(std::function<void(QWidget*)> tun) {
    QTimer::singleShot(0, qApp, [tun] {
        if (QWidget* w = QApplication::activeModalWidget()) tun(w);
    });
}

class DialogTest : public ::testing::Test, protected test::MeldungsSkript {
protected:
    QTemporaryDir profil;
    QTemporaryDir daten;
    QString datenbankPfad;
    QStringList geoeffneteHilfe;
    bool hilfeAnzeigbar = true;  // what the replaced help viewer answers
    std::unique_ptr<frmHauptMzRes> dlg;
    std::vector<Fehlerbericht> gemeldet;  // what the error display was asked to show

    VariantArray standardParameter() const {
        VariantArray a = VariantArray::leer(0, 100);
        a.at(0) = Variant::string(datenbankPfad);
        a.at(4) = Variant::string(QStringLiteral("Access;"));
        a.at(5) = Variant::date(QDate(2003, 3, 15));
        a.at(11) = Variant::lng(2003);
        a.at(55) = Variant::integer(0);
        a.at(58) = Variant::integer(2);
        return a;
    }

    void parameter(const VariantArray& a) {
        auto& z = aufruf();
        z.AufrufParameter = a;
        z.DatenbankPfad = a.at(0).toString();
        z.MonatsStatusDatum = a.at(5).toDate();
        z.Buchungsjahr = a.at(11).toLong();
    }

    // A statement on the test's client database (encrypted, with the schema of 2003).
    void sql(const QString& text) {
        auto db = db::Engine::instance().OpenDatabase(datenbankPfad, false, false, QStringLiteral(";pwd=") + DatenbankPasswort);
        db->Execute(text);
        db->Close();
    }

    // An empty client database with the tables of 2003, as the one the test works on.
    void datenbankAnlegen(const QString& pfad) {
        datenbankPfad = pfad;
        auto db = db::Engine::instance().CreateDatabase(datenbankPfad, DatenbankPasswort);
        db::schemaAnlegen(*db, {2003});
        db->Close();
    }

    void SetUp() override {
        qputenv("USERPROFILE", profil.path().toUtf8());
        datenbankAnlegen(daten.filePath(QStringLiteral("mandant.db")));
        parameter(standardParameter());
        hilfe() = HilfeZustand{};
        auto& f = formular();
        f.VerarbeitungLaeuft = f.LaufEnde = f.AbbruchBestaetigt = f.Abbruch = false;
        frmHauptMzRes::meldungsHook() = [this](const Meldung& m) { return beantworten(m); };
        frmHauptMzRes::hilfeOeffner() = [this](const QUrl& u) {
            geoeffneteHilfe << u.toLocalFile() + (u.hasFragment() ? "#" + u.fragment() : QString());
            return hilfeAnzeigbar;
        };
        FehlerAnzeigeAttrappe::registrieren(gemeldet);
    }

    void TearDown() override {
        dlg.reset();
        for (db::DataControl* c : formular().datenControls) c->trennen();
        frmHauptMzRes::meldungsHook() = nullptr;
        frmHauptMzRes::hilfeOeffner() = nullptr;
        for (const QString& n : {komponenten::FehlerAnzeigeName, komponenten::Sachbuch, komponenten::HmzResStamm,
                                 komponenten::ObjektAuswahl, komponenten::KontenStamm})
            entferneKomponente(n);
        setzeOberflaeche(nullptr);
        qunsetenv("USERPROFILE");
    }

    frmHauptMzRes& oeffnen() {
        dlg = std::make_unique<frmHauptMzRes>();
        dlg->show();
        dlg->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return *dlg;
    }

    QStringList texte() const {
        QStringList t;
        for (const Meldung& m : meldungen) t << m.text;
        return t;
    }

    // "number source" of every report, in order.
    QStringList quellen() const {
        QStringList q;
        for (const auto& f : gemeldet) q << QString::number(f.nummer) + QLatin1Char(' ') + f.quelle;
        return q;
    }

    InputFeld* feld(Feld f) const { return dlg->feld(f); }
    QWidget* fokusWidget() const { return QApplication::focusWidget(); }
};

}  // namespace hmz::test
