#include "dialogtest.h"

#include "dialog/qtkomponenten.h"
#include "shell/fehlermelden.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTreeView>

using namespace hmz;
using namespace hmz::test;

// The search lists the client's ordinary properties by number and filters
// them on number, address and town.
TEST_F(DialogTest, ThePropertySearchListsByNumberAndFiltersOnNumberAddressAndTown) {
    sql("INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjPlz, ObjOrt) VALUES "
        "(12, 0, 'Gartengasse 4', '8010', 'Graz'), (7, 0, 'Hauptstraße 1', '1010', 'Wien'), "
        "(9, 1, 'Lager', '1010', 'Wien'), (30, 0, NULL, NULL, NULL), (120, 0, 'Ringstraße 9', '1010', 'Wien')");
    const QList<ObjektZeile> zeilen = objekteLesen(datenbankPfad);
    ASSERT_EQ(zeilen.size(), 4);
    EXPECT_EQ(zeilen[2].anschrift, "");  // NULL address

    ObjektAuswahlDialog d(zeilen);
    d.show();
    EXPECT_EQ(d.sichtbareZeilen(), 4);
    struct Fall {
        const char* filter;
        int zeilen;
        long erste;
    };
    const Fall faelle[] = {{"wien", 2, 7}, {"00012", 1, 12}, {"garten", 1, 12}, {"Linz", 0, 0}};
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.filter);
        d.filter()->setText(f.filter);
        EXPECT_EQ(d.sichtbareZeilen(), f.zeilen);
        if (f.zeilen > 0) {
            EXPECT_EQ(d.liste()->currentIndex().data(Qt::UserRole).toLongLong(), f.erste);
        }
    }
    d.filter()->setText("ring");
    QTest::keyClick(d.filter(), Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.gewaehlt(), 120);
}

TEST_F(DialogTest, TheErrorDisplayShowsNumberDescriptionSourceAndDetails) {
    oeffnen();
    qtKomponentenRegistrieren();
    QString text, details, titel;
    beiModalemDialog([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        titel = box->windowTitle();
        text = box->text();
        details = box->detailedText();
        box->accept();
    });
    FehlerQuelle().clear();
    mitMeldung("kmoHauptMzRes, in AESelect", [] { throw Fehler(3078, "Tabelle AllgEinstellungen fehlt"); });
    EXPECT_EQ(titel, "Fehler");
    for (const char* teil : {"3078", "Tabelle AllgEinstellungen fehlt", "kmoHauptMzRes, in AESelect"})
        EXPECT_TRUE(text.contains(teil)) << teil;
    EXPECT_TRUE(details.contains("Hilfekontext: 0"));
    EXPECT_TRUE(meldungen.empty());                 // no fallback message
    EXPECT_TRUE(FehlerQuelle().isEmpty());  // a report that arrived clears the source
}
