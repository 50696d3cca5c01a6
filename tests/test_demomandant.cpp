// The demo client and the benchmark's generated client: both must balance,
// hold the bookings a statement leaves out, and reach every position group,
// special position and listing mode, or the statement tests that print them
// miss those paths.
#include "../bench/generator.h"
#include "demomandant.h"
#include "entry/zustand.h"
#include "sqlhilfe.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hmz;
using testhilfe::spalte;
using testhilfe::zahl;

namespace {

TEST(BeispielMandant, BalancedWithExcludedBookingsAndEveryPositionAndListingMode) {
    QTemporaryDir dir;
    const QString demo = dir.filePath(QStringLiteral("demo.db"));
    {
        QFile alt(demo);  // a file already there is replaced, not appended to
        ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
        alt.write("not a database");
    }
    demoMandantAnlegen(demo);
    const QString gen = dir.filePath(QStringLiteral("bench.db"));
    bench::GeneratorParameter p;
    p.objekte = 60;
    p.buchungen = 6000;
    p.seed = 7;
    const auto e = bench::generieren(gen, p);

    for (const QString& pfad : {demo, gen}) {
        SCOPED_TRACE(pfad.toStdString());
        auto con = testhilfe::oeffnen(pfad, DatenbankPasswort);
        sqlite3* db = con.get();
        EXPECT_GT(zahl(db, "SELECT SUM(BuBetrag) FROM ObjKanzleiBuchungen2003 WHERE BuSH = 'S'"), 0);
        EXPECT_EQ(zahl(db, "SELECT SUM(BuBetrag * BuSHVorzeichen) FROM ObjKanzleiBuchungen2003"), 0);
        // The sign factor follows the side on every row.
        EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE NOT ((BuSH = 'H' AND "
                           "BuSHVorzeichen = 1) OR (BuSH = 'S' AND BuSHVorzeichen = -1))"), 0);
        EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKorrKZ = 'K'"), 0);
        EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuArt = '90'"), 0);
        // A Null kind would drop a booking from "NOT BuArt = '90'": every row has one.
        EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuArt IS NULL"), 0);
        // Booked, counting statement accounts: the special positions and every
        // listing mode on both sides.
        const QString gebucht = QStringLiteral(
            "SELECT DISTINCT %1 FROM ObjKanzleiKontenstamm JOIN ObjKanzleiBuchungen2003 ON BuKontoNr = KontoNr "
            "WHERE KontoJJ = 2003 AND KontoHmzresPos BETWEEN 1 AND %2 AND (BuKorrKZ IS NULL OR "
            "rtrim(BuKorrKZ) = '') AND NOT BuArt = '90' ORDER BY 1");
        const auto positionen = spalte(db, gebucht.arg("KontoHmzresPos").arg(50));
        for (const char* p : {"1", "11", "21", "25", "26", "32", "35", "36", "50"})
            EXPECT_TRUE(positionen.contains(QLatin1String(p))) << p;
        const QString seiteUndModus = "(KontoHmzresPos > 20) || ':' || ifnull(KontoHmzresVerdichtKz, 'N')";
        EXPECT_EQ(spalte(db, gebucht.arg(seiteUndModus).arg(49)),
                  (QStringList{"0:0", "0:1", "0:2", "0:3", "0:N", "1:0", "1:1", "1:2", "1:3", "1:N"}));
        // Schilling years carry schilling-sized figures; no euro year reaches them.
        EXPECT_GT(zahl(db, "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr < 2002"),
                  zahl(db, "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr >= 2002"));
    }

    // The run leaves out the demo's condominium and the property given up in 2002.
    auto con = testhilfe::oeffnen(demo, DatenbankPasswort);
    EXPECT_EQ(spalte(con.get(), "SELECT ObjNummer FROM ObjDaten WHERE ObjTypus = 0 AND (ObjGueltigBisDatum >= "
                                "'2003-12-31' OR ObjGueltigBisDatum = '1899-12-30') ORDER BY 1"),
              (QStringList{"1", "2", "3", "4", "6", "8"}));
    // The figures the benchmark reports are the file's.
    con = testhilfe::oeffnen(gen, DatenbankPasswort);
    EXPECT_EQ(zahl(con.get(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003"), e.buchungen);
    EXPECT_EQ(zahl(con.get(), "SELECT COUNT(DISTINCT BuObjNr) FROM ObjKanzleiBuchungen2003"), e.objekte);
}

}  // namespace
