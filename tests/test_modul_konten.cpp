// The account master and the ten-year overview through their windows, on both stores.
#include "abgelehnt.h"
#include "demomandant.h"
#include "programm.h"
#include "speicher.h"
#include "entry/zustand.h"
#include "modules/hmzresstamm.h"
#include "modules/kontenstamm.h"
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
auto oeffnen(const TestSpeicher& s) { return db::Engine::instance().OpenDatabase(s.name(), false, false, ";pwd=" + DatenbankPasswort); }
QString drucken(const TestSpeicher& s, const QString& pdf) {
    const auto r = hmzres({"print", "--db", s.name(), "--objects", "1-1", "--period", "01.2003-12.2003", "--pdf", s.pfad(pdf), "--quiet"});
    EXPECT_EQ(r.status, 0) << qPrintable(r.fehler);
    return pdfText(s.pfad(pdf));
}
// The form that the next key opens modally gets the keys of `tasten`.
void imFormular(std::function<void(QDialog*)> tasten) {
    QTimer::singleShot(0, [tasten] {
        auto* f = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!f) return ADD_FAILURE() << "no form opened";
        QApplication::setActiveWindow(f);
        if (QTest::qWaitForWindowActive(f) && f->focusWidget()) tasten(f);
        else f->reject(), ADD_FAILURE() << "the form has no focus";
    });
}
}  // namespace

// Esc cancels; Ins opens a form in which Enter moves on and saves on the last field. The account,
// booked, is printed with its balance; the ten-year overview shows the printed table (ATS converted).
TEST_P(ModulKontenJeSpeicher, AccountTypedIntoTheFormIsPrinted) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    const QString vorher = drucken(s, "vorher.pdf");
    KontenStammDialog d(s.name(), DemoJahr);
    d.show();
    QApplication::setActiveWindow(&d);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    const int n = d.tabelle()->rowCount();
    imFormular([](QDialog* f) { QTest::keyClicks(f->focusWidget(), "4711"), QTest::keyClick(f->focusWidget(), Qt::Key_Escape); });
    QTest::keyClick(d.tabelle(), Qt::Key_Insert);  // cancelled: the next Ins adds the only new row
    imFormular([](QDialog* f) {
        for (const char* eingabe : {"4711", "Neues Konto", "12"}) {
            QWidget* feld = f->focusWidget();
            QTest::keyClicks(feld, eingabe);
            QTest::keyClick(feld, Qt::Key_Return);
            EXPECT_TRUE(f->isVisible() && f->focusWidget() != feld) << eingabe;
        }
        QTest::keyClick(f->focusWidget(), Qt::Key_Enter);
        EXPECT_FALSE(f->isVisible());
    });
    QTest::keyClick(d.tabelle(), Qt::Key_Insert);
    ASSERT_EQ(d.tabelle()->rowCount(), n + 1);

    for (const auto& [konto, sh, vz] : {std::tuple{"2800", "S", -1}, std::tuple{"4711", "H", 1}})
        oeffnen(s)->Execute("INSERT INTO ObjKanzleiBuchungen2003 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuBetrag, BuSH, BuSHVorzeichen, "
                    "BuArt) VALUES (1, ?, ?, 77, 'Testbuchung', ?, ?, ?, '01')",
                    {Variant::string(konto), Variant::date(QDate(2003, 5, 8)), Variant::currency(Currency::fromRaw(12345600)),
                     Variant::string(sh), Variant::lng(vz)});
    const QString pdf = drucken(s, "nachher.pdf");
    EXPECT_TRUE(pdf.contains(QRegularExpression("12 +4711 +Neues Konto +08\\.05\\.03 +00077 +Testbuchung +1\\.234,56")));
    auto betrag = [g = QString()](const QString& t, const QString& label) mutable {
        return stamm::betragLesen(QRegularExpression(label + " +(-?[0-9.]+,[0-9]{2})").match(t).captured(1), false, g).value();
    };
    for (const QString label : {"Summe Einnahmen:", "Hmzreserve mit Erhaltungsbeitr:"})
        EXPECT_EQ(betrag(pdf, label) - betrag(vorher, label), Currency::fromRaw(12345600)) << qPrintable(label);

    ZehnjahresDialog z(s.name(), 1, DemoJahr);
    ASSERT_EQ(z.tabelle()->rowCount(), 11);  // 1994 to 2003 and the totals
    const auto zelle = [&](int r, int c) { return QRegularExpression::escape(z.tabelle()->item(r, c)->text()); };
    for (int r = 0; r < 11; ++r) {
        // A converted year has its stored schilling figures right below; the others have none.
        QString zeile = QString("%1 +%2 +%3 +%4").arg(r < 10 ? zelle(r, 0) : "", zelle(r, 1), zelle(r, 2), zelle(r, 3));
        EXPECT_EQ(z.tabelle()->item(r, 4)->text().isEmpty(), r >= 8) << r;
        if (r < 8) zeile += QString("\\s+ATS %1 +ATS %2 +ATS %3").arg(zelle(r, 4), zelle(r, 5), zelle(r, 6));
        EXPECT_TRUE(pdf.contains(QRegularExpression(zeile))) << qPrintable(zeile);
    }
    if (const QString bild = qEnvironmentVariable("HMZRES_BILDSCHIRMFOTO_ZEHNJAHR"); !bild.isEmpty()) z.grab().save(bild);
}

// An account shown before another program changed or deleted it is refused, never overwritten.
TEST_P(ModulKontenJeSpeicher, AccountChangedMeanwhileIsRefused) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    auto ich = oeffnen(s), anderer = oeffnen(s);
    const stamm::Konto a{"8001", "A", 30, 0}, b{"8002", "B", 31, 1}, a2{"8001", "vom anderen", 30, 0};
    for (const auto& k : {a, b}) stamm::kontoSpeichern(*ich, DemoJahr, std::nullopt, k);
    stamm::kontoSpeichern(*anderer, DemoJahr, a, a2);
    stamm::kontoLoeschen(*anderer, DemoJahr, b);
    std::vector<std::function<void()>> versuche;
    for (const stamm::Konto& alt : {a, b}) {
        versuche.push_back([&, alt] { stamm::kontoLoeschen(*ich, DemoJahr, alt); });
        versuche.push_back([&, alt] { stamm::kontoSpeichern(*ich, DemoJahr, alt, {"8003", "meins", 30, 0}); });
    }
    alleAbgelehnt(versuche);
    const auto konten = stamm::kontenLesen(*ich, DemoJahr);  // the other program's a2 alone
    EXPECT_EQ(std::count_if(konten.begin(), konten.end(), [](const auto& k) { return k.nr.startsWith("800"); }), 1);
    EXPECT_EQ(std::count(konten.begin(), konten.end(), a2), 1);
}

INSTANTIATE_TEST_SUITE_P(Speicher, ModulKontenJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);
