#include "../bench/generator.h"
#include "entry/zustand.h"
#include "sqlhilfe.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hmz;
using testhilfe::spalte;
using testhilfe::zahl;

namespace {

bench::GeneratorParameter klein(std::uint64_t seed) {
    bench::GeneratorParameter p;
    p.objekte = 60;
    p.buchungen = 6000;
    p.seed = seed;
    return p;
}

TEST(BenchGenerator, SmallClientHasTheShapeOfTheLargeOne) {
    QTemporaryDir dir;
    const QString pfad = dir.filePath(QStringLiteral("bench.db"));
    const auto e = bench::generieren(pfad, klein(7));
    auto con = testhilfe::oeffnen(pfad, DatenbankPasswort);
    sqlite3* db = con.get();

    EXPECT_EQ(e.objekte, 60);
    EXPECT_EQ(e.buchungen, 6000);
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjDaten"), 60);
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003"), 6000);
    EXPECT_EQ(zahl(db, "SELECT COUNT(DISTINCT BuObjNr) FROM ObjKanzleiBuchungen2003"), 60);
    // The run selects what the generator says it will.
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjDaten WHERE ObjTypus = 0 AND "
                       "(ObjGueltigBisDatum >= '2003-12-31' OR ObjGueltigBisDatum = '1899-12-30')"),
              e.gedruckt);
    EXPECT_LT(e.gedruckt, 60);

    EXPECT_EQ(zahl(db, "SELECT SUM(CASE BuSH WHEN 'S' THEN BuBetrag ELSE -BuBetrag END) FROM ObjKanzleiBuchungen2003"), 0);
    EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKorrKZ = 'K'"), 0);
    EXPECT_GT(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuArt = '90'"), 0);

    // 150 statement accounts over all 50 positions plus the clearing account.
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiKontenstamm WHERE KontoJJ = 2003"), 151);
    EXPECT_EQ(zahl(db, "SELECT COUNT(DISTINCT KontoHmzresPos) FROM ObjKanzleiKontenstamm "
                       "WHERE KontoHmzresPos BETWEEN 1 AND 50"), 50);
    // Income and expenditure each see every listing mode.
    EXPECT_EQ(spalte(db, "SELECT DISTINCT (KontoHmzresPos > 20) || ':' || ifnull(KontoHmzresVerdichtKz, 'N') "
                         "FROM ObjKanzleiKontenstamm WHERE KontoHmzresPos BETWEEN 1 AND 49 ORDER BY 1"),
              (QStringList{"0:0", "0:1", "0:2", "0:3", "0:N", "1:0", "1:1", "1:2", "1:3", "1:N"}));
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKontoNr NOT IN "
                       "(SELECT KontoNr FROM ObjKanzleiKontenstamm)"), 0);

    // Ten year rows per property, schillings before 2002.
    EXPECT_EQ(zahl(db, "SELECT COUNT(*) FROM ObjHmzResJahresSummen"), 600);
    EXPECT_EQ(spalte(db, "SELECT MIN(HmzJahr) || '-' || MAX(HmzJahr) FROM ObjHmzResJahresSummen"),
              (QStringList{"1994-2003"}));
}

TEST(BenchGenerator, SeedDecidesTheContent) {
    QTemporaryDir dir;
    const QString inhalt = QStringLiteral(
        "SELECT group_concat(BuObjNr || BuKontoNr || BuDatum || BuBetrag || BuSH || BuText1, '|') "
        "FROM (SELECT * FROM ObjKanzleiBuchungen2003 ORDER BY BuNr)");
    auto digest = [&](const QString& name, std::uint64_t seed) {
        auto p = klein(seed);
        p.objekte = 10;
        p.buchungen = 1000;
        const QString pfad = dir.filePath(name);
        bench::generieren(pfad, p);
        auto con = testhilfe::oeffnen(pfad, DatenbankPasswort);
        return spalte(con.get(), inhalt);
    };
    const auto a = digest(QStringLiteral("a.db"), 3);
    EXPECT_EQ(digest(QStringLiteral("b.db"), 3), a);
    EXPECT_NE(digest(QStringLiteral("c.db"), 4), a);
}

}  // namespace
