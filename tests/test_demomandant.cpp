// The demo client and the benchmark's generated client: both must balance,
// hold the bookings a statement leaves out, and reach every position group,
// special position and listing mode, or the statement tests that print them
// miss those paths.
#include "../bench/generator.h"
#include "core/fehler.h"
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

// A run's property selection for the whole year 2003.
const char* const Gedruckt = "SELECT ObjNummer FROM ObjDaten WHERE ObjTypus = 0 AND "
                             "(ObjGueltigBisDatum >= '2003-12-31' OR ObjGueltigBisDatum = '1899-12-30') ORDER BY 1";

bench::GeneratorParameter klein(std::uint64_t seed) {
    bench::GeneratorParameter p;
    p.objekte = 60;
    p.buchungen = 6000;
    p.seed = seed;
    return p;
}

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
    const auto e = bench::generieren(gen, klein(7));

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
        EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKontoNr NOT IN "
                           "(SELECT KontoNr FROM ObjKanzleiKontenstamm WHERE KontoJJ = 2003)"), 0);
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
        // Accounts above 50 carry bookings but never reach a statement.
        EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 b JOIN ObjKanzleiKontenstamm k "
                           "ON b.BuKontoNr = k.KontoNr WHERE k.KontoHmzresPos > 50 OR k.KontoHmzresPos = 0"), 0);
        // Schilling years carry schilling-sized figures; no euro year reaches them.
        EXPECT_GT(zahl(db, "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr < 2002"),
                  zahl(db, "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr >= 2002"));
    }

    auto con = testhilfe::oeffnen(demo, DatenbankPasswort);
    sqlite3* db = con.get();
    // The run leaves out the condominium and the property given up in 2002.
    EXPECT_EQ(spalte(db, Gedruckt), (QStringList{"1", "2", "3", "4", "6", "8"}));
    EXPECT_EQ(spalte(db, "SELECT MandNation || ' ' || MandOrt || ' ' || MandEurKurs || ' ' || MandMonStatusDatum "
                         "FROM AllgMandDaten"),
              (QStringList{"A Wien 137603 2003-12-31"}));
    EXPECT_EQ(zahl(db, "SELECT AllgEinstWert FROM AllgEinstellungen WHERE AllgEinstNr = 149"), 1);
    EXPECT_EQ(spalte(db, "SELECT COUNT(*) || ' ' || MIN(HmzJahr) || '-' || MAX(HmzJahr) FROM ObjHmzResJahresSummen"),
              (QStringList{"72 1994-2002"}));
    EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKorrKZ = ' '"), 0);
    EXPECT_GT(zahl(db, QStringLiteral("SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuText1 LIKE '%Jänner%'")),
              0);
    // The file is encrypted: without the password it cannot be read.
    try {
        testhilfe::oeffnen(demo, QString());
        ADD_FAILURE() << "opened without password";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), 3031);
    }
    EXPECT_FALSE(QFile::exists(demo + QStringLiteral(".tmp")));

    con = testhilfe::oeffnen(gen, DatenbankPasswort);
    db = con.get();
    // The figures the benchmark reports are the file's.
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003"), e.buchungen);
    EXPECT_EQ(zahl(db, "SELECT COUNT(DISTINCT BuObjNr) FROM ObjKanzleiBuchungen2003"), e.objekte);
    EXPECT_EQ(spalte(db, Gedruckt).size(), e.gedruckt);
    EXPECT_EQ(e.buchungen, 6000);
    EXPECT_LT(e.gedruckt, e.objekte);
    // 150 statement accounts over all 50 positions plus the clearing account.
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiKontenstamm WHERE KontoJJ = 2003"), 151);
    EXPECT_EQ(zahl(db, "SELECT COUNT(DISTINCT KontoHmzresPos) FROM ObjKanzleiKontenstamm "
                       "WHERE KontoHmzresPos BETWEEN 1 AND 50"), 50);
    EXPECT_EQ(spalte(db, "SELECT COUNT(*) || ' ' || MIN(HmzJahr) || '-' || MAX(HmzJahr) FROM ObjHmzResJahresSummen"),
              (QStringList{"600 1994-2003"}));
}

TEST(BeispielMandant, TheSeedDecidesTheGeneratedContent) {
    QTemporaryDir dir;
    auto inhalt = [&](const QString& name, std::uint64_t seed) {
        auto p = klein(seed);
        p.objekte = 10;
        p.buchungen = 1000;
        bench::generieren(dir.filePath(name), p);
        auto con = testhilfe::oeffnen(dir.filePath(name), DatenbankPasswort);
        return spalte(con.get(), "SELECT group_concat(BuObjNr || BuKontoNr || BuDatum || BuBetrag || BuSH || "
                                 "BuText1, '|') FROM (SELECT * FROM ObjKanzleiBuchungen2003 ORDER BY BuNr)");
    };
    const auto a = inhalt(QStringLiteral("a.db"), 3);
    EXPECT_EQ(inhalt(QStringLiteral("b.db"), 3), a);
    EXPECT_NE(inhalt(QStringLiteral("c.db"), 4), a);
}

}  // namespace
