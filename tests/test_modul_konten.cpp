// The account master and the ten-year overview through their windows, on
// both stores: typed by keyboard, printed, and never saved over another
// program's change.
#include "demomandant.h"
#include "programm.h"
#include "speicher.h"

#include "entry/zustand.h"
#include "masterdata/kontenstamm.h"
#include "modules/hmzresstamm.h"
#include "modules/kontenstamm.h"
#include "store/datenzugriff.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

class ModulKontenJeSpeicher : public testing::TestWithParam<Speicherart> {};

std::unique_ptr<db::Database> oeffnen(const TestSpeicher& s) {
    return db::Engine::instance().OpenDatabase(s.name(), false, false, QStringLiteral(";pwd=") + DatenbankPasswort);
}

QString drucken(const TestSpeicher& s, const QString& name) {
    const QString pdf = s.pfad(name + QStringLiteral(".pdf"));
    const auto r = hmzres({"print", "--db", s.name(), "--objects", "1-1", "--period", "01.2003-12.2003", "--pdf", pdf, "--quiet"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.fehler);
    return pdfText(pdf);
}

Currency betragNach(const QString& text, const QString& label) {
    const auto m = QRegularExpression(label + QStringLiteral(" +(-?[0-9.]+,[0-9]{2})")).match(text);
    QString grund;
    return m.hasMatch() ? stamm::betragLesen(m.captured(1), false, grund).value_or(Currency()) : Currency::fromRaw(-1);
}

// The form that the next key opens modally gets `tasten`, with its title.
void imFormular(std::function<void(QDialog*)> tasten) {
    QTimer::singleShot(0, [tasten] {
        auto* f = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!f) return ADD_FAILURE() << "no form opened";
        QApplication::setActiveWindow(f);
        if (QTest::qWaitForWindowActive(f) && f->focusWidget()) tasten(f);
        else f->reject(), ADD_FAILURE() << "the form has no focus" << qPrintable(f->windowTitle());
    });
}

}  // namespace

// Ins opens the form, Enter moves on and saves on the last field, Esc
// cancels; the account added so, booked, is printed with its balance.
TEST_P(ModulKontenJeSpeicher, AccountTypedIntoTheFormIsPrinted) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    const QString vorher = drucken(s, QStringLiteral("vorher"));

    KontenStammDialog d(s.name(), DemoJahr);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.tabelle()->setFocus();
    const int n = d.tabelle()->rowCount();
    imFormular([](QDialog* f) {
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Konto ändern"));
        QTest::keyClick(f->focusWidget(), Qt::Key_Escape);
    });
    QTest::keyClick(d.tabelle(), Qt::Key_Return);
    imFormular([](QDialog* f) {
        QTest::keyClicks(f->focusWidget(), QStringLiteral("4711"));
        QTest::keyClick(f->focusWidget(), Qt::Key_Escape);
    });
    QTest::keyClick(d.tabelle(), Qt::Key_Insert);
    ASSERT_EQ(d.tabelle()->rowCount(), n);
    imFormular([](QDialog* f) {
        for (const QString eingabe : {QStringLiteral("4711"), QStringLiteral("Neues Konto"), QStringLiteral("12")}) {
            QWidget* feld = f->focusWidget();
            QTest::keyClicks(feld, eingabe);
            QTest::keyClick(feld, Qt::Key_Return);
            EXPECT_TRUE(f->isVisible()) << qPrintable(eingabe);
            EXPECT_NE(f->focusWidget(), feld) << qPrintable(eingabe);
        }
        QTest::keyClick(f->focusWidget(), Qt::Key_Enter);
        EXPECT_FALSE(f->isVisible());
    });
    QTest::keyClick(d.tabelle(), Qt::Key_Insert);
    ASSERT_EQ(d.tabelle()->rowCount(), n + 1);

    auto db = oeffnen(s);
    for (const auto& [konto, sh, vz] : {std::tuple{"2800", "S", -1}, std::tuple{"4711", "H", 1}})
        db->Execute(QStringLiteral("INSERT INTO ObjKanzleiBuchungen%1 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuBetrag, BuSH, "
                                   "BuSHVorzeichen, BuArt) VALUES (1, ?, ?, 77, 'Testbuchung', ?, ?, ?, '01')")
                        .arg(DemoJahr),
                    {Variant::string(konto), Variant::date(QDate(DemoJahr, 5, 8)), Variant::currency(Currency::fromRaw(12345600)),
                     Variant::string(sh), Variant::lng(vz)});
    db->Close();
    const QString nachher = drucken(s, QStringLiteral("nachher"));
    EXPECT_TRUE(nachher.contains(QRegularExpression(QStringLiteral("12 +4711 +Neues Konto +08\\.05\\.03 +00077 +Testbuchung +1\\.234,56"))));
    for (const QString label : {QStringLiteral("Summe Einnahmen:"), QStringLiteral("Hmzreserve mit Erhaltungsbeitr:")})
        EXPECT_EQ(betragNach(nachher, label) - betragNach(vorher, label), Currency::fromRaw(12345600)) << qPrintable(label);
}

// An account shown before another program changed or deleted it is refused, never overwritten.
TEST_P(ModulKontenJeSpeicher, AccountChangedMeanwhileIsRefused) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto ich = oeffnen(s), anderer = oeffnen(s);
    const stamm::Konto a{QStringLiteral("8001"), QStringLiteral("A"), 30, 0}, b{QStringLiteral("8002"), QStringLiteral("B"), 31, 1};
    for (const auto& k : {a, b}) stamm::kontoSpeichern(*ich, DemoJahr, std::nullopt, k);
    stamm::Konto a2 = a;
    a2.bezeichnung = QStringLiteral("vom anderen");
    stamm::kontoSpeichern(*anderer, DemoJahr, a, a2);
    stamm::kontoLoeschen(*anderer, DemoJahr, b);
    const std::function<void()> versuche[] = {
        [&] { stamm::kontoSpeichern(*ich, DemoJahr, a, {a.nr, QStringLiteral("meins"), 30, 0}); },
        [&] { stamm::kontoSpeichern(*ich, DemoJahr, a, {QStringLiteral("8003"), a.bezeichnung, 30, 0}); },
        [&] { stamm::kontoLoeschen(*ich, DemoJahr, a); },
        [&] { stamm::kontoSpeichern(*ich, DemoJahr, b, {b.nr, QStringLiteral("meins"), 31, 1}); },
        [&] { stamm::kontoLoeschen(*ich, DemoJahr, b); },
    };
    for (const auto& v : versuche) {
        try {
            v();
            ADD_FAILURE() << "saved over another program's change";
        } catch (const stamm::Ablehnung& e) {
            EXPECT_TRUE(e.geaendert);
            EXPECT_EQ(e.grund, stamm::GeaendertText);
        }
    }
    int gefunden = 0;
    for (const auto& k : stamm::kontenLesen(*ich, DemoJahr)) {
        EXPECT_NE(k.nr, b.nr);
        EXPECT_NE(k.nr, QStringLiteral("8003"));
        if (k.nr != a.nr) continue;
        EXPECT_EQ(k, a2);
        ++gefunden;
    }
    EXPECT_EQ(gefunden, 1);
}

// The overview shows the ten-year table the statement printed: schilling
// years converted with their stored figures, euro years as stored, the totals.
TEST_P(ModulKontenJeSpeicher, TenYearOverviewEqualsThePrintedTable) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    const QString pdf = drucken(s, QStringLiteral("zehn"));
    ZehnjahresDialog d(s.name(), 1, DemoJahr);
    const QTableWidget* t = d.tabelle();
    ASSERT_EQ(t->rowCount(), 11);
    const auto zelle = [&](int r, int c) { return QRegularExpression::escape(t->item(r, c)->text()); };
    for (int r = 0; r < 11; ++r) {
        const QString zeile = QStringLiteral("%1 +%2 +%3 +%4").arg(r < 10 ? zelle(r, 0) : QString(), zelle(r, 1), zelle(r, 2), zelle(r, 3));
        EXPECT_TRUE(pdf.contains(QRegularExpression(zeile))) << qPrintable(zeile);
        const QString ats = QStringLiteral("ATS %1 +ATS %2 +ATS %3").arg(zelle(r, 4), zelle(r, 5), zelle(r, 6));
        EXPECT_EQ(t->item(r, 4)->text().isEmpty(), r >= 8) << r;
        if (r < 8) EXPECT_TRUE(pdf.contains(QRegularExpression(ats))) << qPrintable(ats);
    }
    if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO_ZEHNJAHR"); !bild.isEmpty()) d.grab().save(bild);
}

INSTANTIATE_TEST_SUITE_P(Speicher, ModulKontenJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);
