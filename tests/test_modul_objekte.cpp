// The property master and the client record through their editors, on both
// stores: what they store is what the statements print, the rules refuse at
// the field or in the window, and another program's change is never overwritten.
#include "demomandant.h"
#include "dialogtest.h"
#include "programm.h"
#include "speicher.h"

#include "dialog/qtkomponenten.h"
#include "entry/zustand.h"
#include "modules/mandantsatz.h"
#include "modules/objektstamm.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

class ObjekteJeSpeicher : public testing::TestWithParam<Speicherart> {};

std::unique_ptr<db::Database> oeffnen(const TestSpeicher& s) { return mandantOeffnen(s.name(), false); }

// The form filled in and accepted: empty when it took the values, else the reasons shown at its fields.
template <class Formular>
QString ausfuellen(Formular& f, const std::vector<std::pair<typename Formular::Feld, QString>>& werte) {
    for (const auto& [feld, text] : werte) f.feld(feld)->setText(text);
    f.accept();
    QStringList gruende;
    for (QLabel* l : f.template findChildren<QLabel*>())
        if (l->isVisibleTo(&f) && l->styleSheet().contains("b00000") && !l->text().isEmpty()) gruende << l->text();
    return f.result() == QDialog::Accepted ? QString() : gruende.join(" | ") + "!";
}

QString drucken(const TestSpeicher& s, const char* objekte) {
    const QString pdf = s.pfad(QStringLiteral("o.pdf"));
    const auto r = hmzres({"print", "--db", s.name(), "--objects", objekte, "--period", "01.2003-12.2003", "--pdf", pdf, "--quiet"});
    return r.status == 0 ? pdfText(pdf) : r.fehler;
}

void bild(QWidget& w, const char* variable) {
    if (const QString datei = qEnvironmentVariable(variable); !datei.isEmpty()) w.grab().save(datei);
}

}  // namespace

// A property made in the master, given bookings, is printed with them; the
// rules of its number refuse at the field or in the window, with the reason.
TEST_P(ObjekteJeSpeicher, NewPropertyIsPrintedAndKeepsItsNumber) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    ObjektStammDialog w(s.name());
    using F = ObjektDialog;
    const struct {
        std::vector<std::pair<F::Feld, QString>> felder;
        const char* grund;  // empty: the form takes it
    } formulare[] = {
        {{{F::Nr, "0"}}, "Die Objekt-Nr ist eine Zahl von 1 bis 99999."},
        {{{F::Nr, "-5"}}, "Die Objekt-Nr ist eine Zahl von 1 bis 99999."},
        {{{F::Nr, "42"}, {F::Typus, "x"}, {F::GueltigBis, "31.02.2003"}}, "Der Typus ist eine ganze Zahl"},
        {{{F::Nr, "42"}, {F::Typus, ""}, {F::GueltigBis, "31.02."}}, "'31.02.\\d{4}' ist kein Datum"},
        {{{F::Nr, "42"}, {F::Anschrift, "Neubaugasse 5"}, {F::Plz, "1070"}, {F::Ort, "Wien"}, {F::GueltigBis, ""}}, ""},
    };
    stamm::Objekt neu;
    for (const auto& f : formulare) {
        ObjektDialog d(std::nullopt);
        const QString r = ausfuellen(d, f.felder);
        EXPECT_TRUE(QString(f.grund).isEmpty() ? r.isEmpty() : r.contains(QRegularExpression(f.grund))) << r.toStdString();
        neu = d.wert();
    }
    w.speichern(std::nullopt, neu);
    ASSERT_TRUE(w.meldung()->text().isEmpty()) << qPrintable(w.meldung()->text());
    bild(w, "HMZRES_BILDSCHIRMFOTO_OBJEKTE");

    const QString csv = s.pfad(QStringLiteral("b.csv"));
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BuObjNr;BuKontoNr;BuDatum;BuBetrag;BuSH;BuText1\n42;4000;15.03.2003;1.234,56;H;Miete Neubau\n"
            "42;7000;20.03.2003;234,56;S;Dach Neubau\n42;2800;20.03.2003;1.000,00;S;Bank\n");
    f.close();
    ASSERT_EQ(stamm::csvImportieren({s.name(), stamm::Tabelle::Buchungen, csv, DemoJahr}), 0);
    const QString text = drucken(s, "42-42");
    EXPECT_TRUE(text.contains("Objekt-Nr:     00042") && text.contains("Neubaugasse 5, 1070 Wien")) << qPrintable(text);
    EXPECT_TRUE(text.contains("März 2003") && text.contains("1.234,56") && text.contains("Dach Neubau")) << qPrintable(text);
    EXPECT_TRUE(text.contains(QRegularExpression("1\\.000,00"))) << qPrintable(text);

    auto db = oeffnen(s);
    // Property 8 keeps only a year result.
    for (const auto& z : stamm::jahresSummenLesen(*db, 8)) stamm::jahresSummeLoeschen(*db, 8, z);
    stamm::jahresSummeSpeichern(*db, 8, std::nullopt, {1999, Currency::fromUnits(5), {}});
    db->Execute("DELETE FROM ObjKanzleiBuchungen2003 WHERE BuObjNr = 8");
    db->Close();
    w.laden();
    const auto objekt = [&](long nr) {
        for (const auto& o : w.zeilen())
            if (o.nr == nr) return o;
        return stamm::Objekt{};
    };
    const stamm::Objekt o42 = objekt(42), o8 = objekt(8), frei{43, "Frei 1", {}, {}, 3, QDate(2004, 1, 31)};
    const struct {
        std::function<void()> tun;
        const char* meldung;  // empty: it went through
    } schritte[] = {
        {[&] { w.speichern(std::nullopt, {42, "Doppelt"}); }, "Das Objekt 42 gibt es schon."},
        {[&] { w.speichern(o42, {43, o42.anschrift}); }, "Das Objekt 42 kann nicht umnummeriert werden: zu ihm gehören 3 Buchungen (2003: 3) und Jahresergebnisse 2003."},
        {[&] { w.entfernen(o42); }, "Das Objekt 42 kann nicht gelöscht werden: zu ihm gehören 3 Buchungen (2003: 3) und Jahresergebnisse 2003."},
        {[&] { w.entfernen(o8); }, "Das Objekt 8 kann nicht gelöscht werden: zu ihm gehören Jahresergebnisse 1999."},
        {[&] { w.speichern(std::nullopt, frei); }, ""},
        {[&] { w.speichern(frei, {44, "Frei 2"}); }, ""},
        {[&] { w.entfernen({44, "Frei 2"}); }, ""},
    };
    for (const auto& s : schritte) {
        s.tun();
        EXPECT_EQ(w.meldung()->text().toStdString(), s.meldung);
    }
    EXPECT_EQ(objekt(42), o42);
    EXPECT_EQ(objekt(8), o8);
    EXPECT_EQ(objekt(44).nr, 0);
}

// The client record changed through its form prints in the page header.
TEST_P(ObjekteJeSpeicher, ClientRecordIsPrintedInTheHeader) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    using F = MandantDialog;
    MandantDialog d(s.name());
    const int jahr = stamm::mandantLesen(*oeffnen(s))->monatsStatus.year();
    EXPECT_TRUE(ausfuellen(d, {{F::EuroKurs, "0"}, {F::MonatsStatus, ""}}).contains("Der Euro-Kurs muss größer als 0 sein"));
    EXPECT_EQ(ausfuellen(d, {{F::EuroKurs, "13,76031"}}),
              "'13,76031' hat mehr als 4 Nachkommastellen (es wird nicht gerundet) | Das Monatsstatus-Datum fehlt (TT.MM.JJJJ).!");
    bild(d, "HMZRES_BILDSCHIRMFOTO_MANDANT");
    EXPECT_EQ(ausfuellen(d, {{F::Name, "Hausverwaltung Neubau GmbH"}, {F::Name2, "Zweigstelle West"}, {F::Name3, "z. H. Frau Probst"},
                             {F::Anschrift, "Kaiserstraße 8"}, {F::Nation, "A"}, {F::Plz, "1070"}, {F::Ort, "Wien"}, {F::EuroKurs, ""},
                             {F::MonatsStatus, "31.12."}}),
              "");
    auto db = oeffnen(s);
    const auto m = stamm::mandantLesen(*db);
    db->Close();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->euroKurs, std::nullopt);
    EXPECT_EQ(m->monatsStatus, QDate(jahr, 12, 31));
    const QString text = drucken(s, "1-1");
    for (const char* zeile : {"Hausverwaltung Neubau GmbH", "Zweigstelle West", "z. H. Frau Probst", "Kaiserstraße 8", "A-1070 Wien"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(zeile))) << zeile << qPrintable(text.left(600));
}

// A row another program changed or deleted since it was shown is refused in
// both editors and stays as the other program left it.
TEST_P(ObjekteJeSpeicher, ConcurrentChangeIsRefused) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    ObjektStammDialog w(s.name());
    MandantDialog d(s.name());
    auto anderer = oeffnen(s);
    const auto objekte = stamm::alleObjekteLesen(*anderer);
    stamm::Objekt geaendert = objekte[0];
    geaendert.anschrift = "Anderes Programm";
    stamm::objektSpeichern(*anderer, objekte[0], geaendert);
    stamm::objektSpeichern(*anderer, std::nullopt, {77, "Neu"});
    stamm::objektLoeschen(*anderer, {77, "Neu"});
    auto m = *stamm::mandantLesen(*anderer);
    m.name = "Anderes Programm";
    stamm::mandantSpeichern(*anderer, stamm::mandantLesen(*anderer), m);
    const std::function<void()> versuche[] = {
        [&] { w.speichern(objekte[0], {objekte[0].nr, "Meins"}); },
        [&] { w.entfernen(objekte[0]); },
        [&] { w.speichern(stamm::Objekt{77, "Neu"}, {77, "Meins"}); },
    };
    for (const auto& v : versuche) {
        v();
        EXPECT_EQ(w.meldung()->text(), stamm::GeaendertText);
    }
    EXPECT_EQ(w.zeilen()[0], geaendert);
    EXPECT_EQ(ausfuellen(d, {{MandantDialog::Name, "Meins"}}), stamm::GeaendertText + "!");
    EXPECT_EQ(d.feld(MandantDialog::Name)->text(), "Anderes Programm");  // reloaded
    EXPECT_EQ(stamm::mandantLesen(*anderer)->name, "Anderes Programm");
}

// The property search lists what the run prints, and after the master closes
// it lists what the master left.
TEST(ObjektAuswahl, ReloadsAfterThePropertyMaster) {
    TestSpeicher s(Speicherart::Datei);
    demoMandantAnlegen(s.name());
    ObjektAuswahlDialog d(s.name());
    EXPECT_EQ(d.sichtbareZeilen(), objekteLesen(s.name()).size());
    QStringList knoepfe;
    for (auto* k : d.findChildren<QPushButton*>()) knoepfe << k->text();
    EXPECT_TRUE(knoepfe.contains("Objekte…") && knoepfe.contains("Mandant…")) << qPrintable(knoepfe.join(","));
    bild(d, "HMZRES_BILDSCHIRMFOTO_AUSWAHL");
    QTimer::singleShot(0, [&] {
        auto* master = qobject_cast<ObjektStammDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(master);
        master->speichern(std::nullopt, {99, "Neu"});
        master->accept();
    });
    const int vorher = d.sichtbareZeilen();
    d.objekteZeigen();
    EXPECT_EQ(d.sichtbareZeilen(), vorher + 1);
}

INSTANTIATE_TEST_SUITE_P(Speicher, ObjekteJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);
