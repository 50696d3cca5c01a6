#include "core/fehler.h"
#include "demomandant.h"
#include "entry/zustand.h"
#include "sqlhilfe.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hmz;
using testhilfe::spalte;
using testhilfe::zahl;

namespace {

// Bookings that make up a statement balance (the statement's exclusions).
const QString Zaehlt = QStringLiteral(
    "(BuKorrKZ IS NULL OR rtrim(BuKorrKZ) = '') AND NOT BuArt = '90'");

class DemoMandant : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        pfad_ = dir_->filePath(QStringLiteral("demo.db"));
        // A file already there is replaced, not appended to.
        QFile alt(pfad_);
        ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
        alt.write("not a database");
        alt.close();
        demoMandantAnlegen(pfad_);
    }
    static void TearDownTestSuite() { delete dir_; }

    sqlite3* db() {
        if (!con_) con_ = testhilfe::oeffnen(pfad_, DatenbankPasswort);
        return con_.get();
    }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline QString pfad_;
    testhilfe::Datei con_;
};

TEST_F(DemoMandant, YearBalancesAndContainsExcludedBookings) {
    const auto soll = zahl(db(), "SELECT SUM(BuBetrag) FROM ObjKanzleiBuchungen2003 WHERE BuSH = 'S'");
    const auto haben = zahl(db(), "SELECT SUM(BuBetrag) FROM ObjKanzleiBuchungen2003 WHERE BuSH = 'H'");
    EXPECT_GT(soll, 0);
    EXPECT_EQ(soll, haben);
    // The sign factor follows the side on every row.
    EXPECT_EQ(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE NOT ((BuSH = 'H' AND BuSHVorzeichen = 1) "
                         "OR (BuSH = 'S' AND BuSHVorzeichen = -1))"), 0);
    EXPECT_GT(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE rtrim(BuKorrKZ) <> ''"), 0);
    EXPECT_GT(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuArt = '90'"), 0);
    EXPECT_GT(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKorrKZ = ' '"), 0);
    // A Null kind would drop a booking from "NOT BuArt = '90'": every row has one.
    EXPECT_EQ(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuArt IS NULL"), 0);
    // Umlauts arrive as UTF-8 text.
    EXPECT_GT(zahl(db(), QStringLiteral("SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuText1 LIKE '%Jänner%'")), 0);
    // The file is encrypted: without the password it cannot be read.
    try {
        testhilfe::oeffnen(pfad_, QString());
        ADD_FAILURE() << "opened without password";
    } catch (const Fehler& e) {
        EXPECT_EQ(e.Nummer(), 3031);
    }
    EXPECT_FALSE(QFile::exists(pfad_ + QStringLiteral(".tmp")));
}

TEST_F(DemoMandant, StatementAccountsCoverEveryGroupSpecialPositionAndListingMode) {
    const QString gebucht = QStringLiteral(
        "SELECT DISTINCT %1 FROM ObjKanzleiKontenstamm JOIN ObjKanzleiBuchungen2003 ON BuKontoNr = KontoNr "
        "WHERE KontoJJ = 2003 AND KontoHmzresPos BETWEEN 1 AND 50 AND ") + Zaehlt + QStringLiteral(" ORDER BY 1");
    const auto positionen = spalte(db(), gebucht.arg(QStringLiteral("KontoHmzresPos")));
    for (const char* p : {"11", "25", "26", "32", "35", "36", "50"})
        EXPECT_TRUE(positionen.contains(QLatin1String(p))) << p;
    auto inGruppe = [&](int von, int bis) {
        return std::count_if(positionen.begin(), positionen.end(), [&](const QString& p) {
            return p.toInt() >= von && p.toInt() <= bis;
        });
    };
    EXPECT_GE(inGruppe(1, 20), 5);
    EXPECT_GE(inGruppe(21, 49), 8);
    EXPECT_EQ(spalte(db(), gebucht.arg(QStringLiteral("KontoHmzresVerdichtKz"))),
              (QStringList{"NULL", "0", "1", "2", "3"}));
    // The clearing account and an account above 50 carry bookings but never reach a statement.
    EXPECT_EQ(zahl(db(), "SELECT KontoHmzresPos FROM ObjKanzleiKontenstamm WHERE KontoNr = '2800'"), 0);
    EXPECT_GT(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 b JOIN ObjKanzleiKontenstamm k "
                         "ON b.BuKontoNr = k.KontoNr WHERE k.KontoHmzresPos > 50"), 0);
    // Every booked account is in the year's master.
    EXPECT_EQ(zahl(db(), "SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuKontoNr NOT IN "
                         "(SELECT KontoNr FROM ObjKanzleiKontenstamm WHERE KontoJJ = 2003)"), 0);
}

TEST_F(DemoMandant, PropertiesClientRecordAndYearRows) {
    EXPECT_EQ(zahl(db(), "SELECT COUNT(*) FROM ObjDaten"), 8);
    // The run's property selection leaves out the condominium and the property given up in 2002.
    EXPECT_EQ(spalte(db(), "SELECT ObjNummer FROM ObjDaten WHERE ObjTypus = 0 AND "
                           "(ObjGueltigBisDatum >= '2003-12-31' OR ObjGueltigBisDatum = '1899-12-30') ORDER BY 1"),
              (QStringList{"1", "2", "3", "4", "6", "8"}));
    EXPECT_EQ(zahl(db(), "SELECT COUNT(DISTINCT BuObjNr) FROM ObjKanzleiBuchungen2003"), 8);
    EXPECT_EQ(spalte(db(), "SELECT MandNation || ' ' || MandOrt || ' ' || MandEurKurs || ' ' || MandMonStatusDatum "
                           "FROM AllgMandDaten"),
              (QStringList{"A Wien 137603 2003-12-31"}));
    EXPECT_EQ(zahl(db(), "SELECT AllgEinstWert FROM AllgEinstellungen WHERE AllgEinstNr = 149"), 1);
    EXPECT_EQ(zahl(db(), "SELECT COUNT(*) FROM ObjHmzResJahresSummen"), 8 * 9);
    EXPECT_EQ(spalte(db(), "SELECT MIN(HmzJahr) || '-' || MAX(HmzJahr) FROM ObjHmzResJahresSummen"),
              (QStringList{"1994-2002"}));
    // Schilling years carry schilling-sized figures; no euro year reaches them.
    EXPECT_GT(zahl(db(), "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr < 2002"),
              zahl(db(), "SELECT MAX(abs(HmzHMZOhneEHB)) FROM ObjHmzResJahresSummen WHERE HmzJahr >= 2002"));
}

}  // namespace
