#include "entry/formular.h"
#include "skriptansicht.h"
#include "statement/lauf.h"

#include <gtest/gtest.h>
#include <optional>

using namespace hmz;
using hmz::test::SkriptAnsicht;

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString keinDatum = "\" ist kein gültiger Datumswert." + crlf +
                          "Bitte ein richtiges Datum im Format MM.JJ oder MM.JJJJ eingeben.";
const QString ganzeZahl = QStringLiteral("Die Objekt-Nr muss eine ganze Zahl von 0 bis 99999 sein.");
const QString unlogisch = "\" ist unlogisch (zu niedrig oder zu hoch). " + crlf +
                          "Bitte ein richtiges Datum im Format MM.JJ oder MM.JJJJ und ohne Tag eingeben.";

}  // namespace

// Refused inputs give their message, title and field; accepted ones the
// full period, also in the fields, which then pass the checks again. A field
// may hold what no typing gives (`roh`): a text, a fraction, a bare number.
TEST(StartPruefungen, RefusalsHaveTheirMessageAndFocusAcceptedInputsTheFullPeriod) {
    struct Fall {
        const char *von, *bis, *abrVon, *abrBis;
        QString meldung;  // empty: accepted
        QString titel;
        Feld fokus;
        QDate erster, letzter;
        std::optional<std::pair<int, Variant>> roh;  // field index and value, set after the typing
    } faelle[] = {
        {"0", "0", "03.03", "05.03", "von- und bis-Objektnummer Null ist ungültig", "", Feld::VonObjNr},
        {"120", "12", "03.03", "05.03", "Bis-Auswahl kleiner Von-Auswahl ist ungültig", "Ungültige Von-Bis-Auswahl",
         Feld::VonObjNr},
        {"1", "5", "0", "05.03", "Abrechnung von MM.JJ-Datum Null nicht zulässig", "", Feld::AbrVonDatum},
        {"1", "5", "03.03", "0", "Abrechnung bis MM.JJ-Datum Null nicht zulässig", "", Feld::AbrBisDatum},
        {"1", "5", "13.03", "05.03", "Das Datum \"Abrechnung von MM.JJ:" + keinDatum, "", Feld::AbrVonDatum},
        {"1", "5", "03.03", "1979", "Das Datum \"Abrechnung bis MM.JJ:" + keinDatum, "", Feld::AbrBisDatum},
        {"1", "5", "12.1979", "05.03", "Das Jahr \"Abrechnung von MM.JJ:" + unlogisch, "", Feld::AbrVonDatum},
        {"1", "5", "03.03", "01.2031", "Das Jahr \"Abrechnung bis MM.JJ:" + unlogisch, "", Feld::AbrBisDatum},
        // two-digit 30 is 1930
        {"1", "9", "01.30", "12.30", "Das Jahr \"Abrechnung von MM.JJ:" + unlogisch, "", Feld::AbrVonDatum},
        {"1", "5", "12.02", "01.03", "Das Jahr in Abrechnung-Von-Datum muss gleich sein dem Jahr in Abrechnung-Bis-Datum",
         "", Feld::AbrVonDatum},
        {"1", "5", "05.03", "03.03", "Das Abrechnung von Datum darf nicht größer dem Abrechnung bis Datum sein.", "",
         Feld::AbrVonDatum},
        {"", "5", "03.03", "05.03", ganzeZahl, "", Feld::VonObjNr, {}, {},
         {{0, Variant::string("1; DROP TABLE ObjDaten")}}},
        {"1", "", "03.03", "05.03", ganzeZahl, "", Feld::BisObjNr, {}, {}, {{1, Variant::dbl(2.5)}}},
        {"1", "", "03.03", "05.03", ganzeZahl, "", Feld::BisObjNr, {}, {}, {{1, Variant::lng(-1)}}},
        {"1", "", "03.03", "05.03", ganzeZahl, "", Feld::BisObjNr, {}, {}, {{1, Variant::lng(100000)}}},
        // a month field holding a number other than 0 is no date, not an empty month
        {"1", "5", "", "05.03", "Das Datum \"Abrechnung von MM.JJ:" + keinDatum, "", Feld::AbrVonDatum, {}, {},
         {{2, Variant::lng(5)}}},
        {"0", "500", "03.03", "05.03", "", "", {}, {2003, 3, 1}, {2003, 5, 31}},
        {"1", "9", "02.04", "02.04", "", "", {}, {2004, 2, 1}, {2004, 2, 29}},
        {"1", "9", "01.80", "12.80", "", "", {}, {1980, 1, 1}, {1980, 12, 31}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::string(f.von) + " " + f.bis + " " + f.abrVon + " " + f.abrBis);
        SkriptAnsicht a;
        a.eingabe(f.von, f.bis, f.abrVon, f.abrBis);
        if (f.roh) a.felder[f.roh->first] = f.roh->second;
        long v = -1, b = -1;
        const bool ok = StartPruefungen(a, v, b);
        EXPECT_EQ(ok, f.meldung.isEmpty());
        if (!f.meldung.isEmpty()) {
            ASSERT_FALSE(a.meldungen.empty());
            EXPECT_EQ(a.meldungen.back().text, f.meldung);
            EXPECT_EQ(a.meldungen.back().titel, f.titel);
            ASSERT_FALSE(a.fokusVerlauf.empty());
            EXPECT_EQ(a.fokusVerlauf.back(), f.fokus);
            continue;
        }
        EXPECT_TRUE(a.meldungen.empty()) << qPrintable(a.letzteMeldung());
        EXPECT_EQ(v, QString(f.von).toLong());
        EXPECT_EQ(b, QString(f.bis).toLong());
        EXPECT_EQ(formular().AbrVonDatum, f.erster);
        EXPECT_EQ(formular().AbrBisDatum, f.letzter);
        EXPECT_EQ(formular().AbrJahr, f.letzter.year());
        EXPECT_EQ(formular().TabellenJahr, f.letzter.year());
        EXPECT_EQ(a.felder[2], Variant::date(f.erster));
        EXPECT_EQ(a.felder[3], Variant::date(f.letzter));
        EXPECT_TRUE(StartPruefungen(a, v, b));
    }
}
