// The page header on the recording printer: its lines and the empty fields it leaves out.
#include "druck_umgebung.h"

namespace hmz::test {
namespace {

class Kopf : public DruckUmgebung {
protected:
    // A property's first page with its header.
    void kopfSeite() {
        Printer().setCurrentY(261);
        druck().SeitenNr = 0;
        SeitenwechselPruefen();
    }
    double zeile() const { return Printer().TextHeight(QStringLiteral("A")); }
};

TEST_F(Kopf, ErsteSeite) {
    kopfSeite();
    const QStringList erwartet = {
        "Hausverwaltung Gruber", "Immobilien GmbH", "Büro Wien", "Ringstraße 12", "A-1010 Wien",
        "Hauptmietzinsreserve-Abrechnung für 2003", "Objekt-Nr:     00042",
        "für die Liegenschaft:", "Lindengasse 7, 8010 Graz",
        "Abrechnungszeitraum:", "01.01.2003 - 31.12.2003", "Datum:", "05.02.2004",
        "Seite:", "1",
        "Konto", "Bezeichnung", "Datum", "Beleg", "Bu-Text", "Bu-Betrag", "Gesamtbetrag"};
    // The statements' dumps pin the positions.
    EXPECT_EQ(textListe(), erwartet);
    EXPECT_FALSE(druck().KopfAktiv);
}

TEST_F(Kopf, LeereFelder) {
    struct Fall {
        const char* feld;
        Variant wert;
        const char* fehlt;    // this line is gone
        const char* ersatz;   // and this one appears instead ("" for none)
    };
    const Fall faelle[] = {
        {"MandName3", Variant::string(""), "Büro Wien", ""},
        {"MandName3", Variant::null(), "Büro Wien", ""},
        {"MandNation", Variant::string(""), "A-1010 Wien", "1010 Wien"},
        {"MandNation", Variant::null(), "A-1010 Wien", "1010 Wien"},
        {"ObjAnschrift", Variant::string(""), "Lindengasse 7, 8010 Graz", "8010 Graz"},
        {"ObjAnschrift", Variant::string("   "), "Lindengasse 7, 8010 Graz", "8010 Graz"},
        {"ObjAnschrift", Variant::null(), "Lindengasse 7, 8010 Graz", "8010 Graz"},
    };
    for (const auto& f : faelle) {
        SetUp();
        auto& rs = QString(f.feld).startsWith("Obj") ? objekt : mandant;
        const Variant vorher = rs.Fields(f.feld);
        rs.setze(f.feld, f.wert);
        kopfSeite();
        const QStringList t = textListe();
        EXPECT_FALSE(t.contains(f.fehlt)) << f.feld;
        if (*f.ersatz) {
            EXPECT_TRUE(t.contains(f.ersatz)) << f.feld;
        }
        // Without a third name line everything below moves up one line (the dumps have none).
        const double titelY = text("Hauptmietzinsreserve-Abrechnung für 2003").y;
        EXPECT_NEAR(titelY, (QString(f.feld) == "MandName3" ? 7 : 8) * zeile(), 1e-3) << f.feld;
        rs.setze(f.feld, vorher);
        TearDown();
    }
    SetUp();
}

}  // namespace
}  // namespace hmz::test
