#include "core/fehler.h"
#include "store/bulkwriter.h"
#include "sqlhilfe.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hmz;

namespace {

TEST(BulkWriter, FailedWriteLeavesTheOldFileAndNoLeftovers) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath(QStringLiteral("mandant.db"));
    QFile alt(ziel);
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write("old client");
    alt.close();
    {
        db::BulkWriter w(ziel, {2003}, QStringLiteral("geheim"));
        w.objekt({.nummer = 1});
        db::BuchungZeile b;
        b.objNr = 1;
        b.kontoNr = QStringLiteral("4000");
        b.datum = QDate(2004, 1, 1);  // no table for 2004
        try {
            w.buchung(b);
            ADD_FAILURE() << "booked into a missing year";
        } catch (const Fehler& e) {
            EXPECT_EQ(e.Nummer(), 3078);
        }
    }
    ASSERT_TRUE(alt.open(QIODevice::ReadOnly));
    EXPECT_EQ(alt.readAll(), QByteArray("old client"));
    EXPECT_FALSE(QFile::exists(ziel + QStringLiteral(".tmp")));
}

TEST(BulkWriter, StoredRepresentation) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath(QStringLiteral("plain.db"));
    {
        db::BulkWriter w(ziel, {2003}, QString());
        db::ObjektZeile o;
        o.nummer = 7;
        w.objekt(o);
        w.konto(2003, {QStringLiteral("4000"), QStringLiteral("Miete"), std::nullopt, 2});
        db::BuchungZeile b;
        b.objNr = 7;
        b.kontoNr = QStringLiteral("4000");
        b.datum = QDate(2003, 3, 5);
        b.betrag = *Currency::parse("1234.5");
        b.sh = 'H';
        b.art = QStringLiteral("01");
        w.buchung(b);
        b.sh = 'S';
        b.korrKz = QStringLiteral("K");
        w.buchung(b);
        w.fertig();
    }
    // An empty password writes a plain file.
    auto con = testhilfe::oeffnen(ziel, QString());
    using testhilfe::spalte;
    EXPECT_EQ(spalte(con.get(), "PRAGMA journal_mode"), QStringList{"wal"});  // written ahead from the start
    EXPECT_EQ(spalte(con.get(), "SELECT ObjGueltigBisDatum || ' ' || ifnull(ObjHvStatusDatum, 'NULL') FROM ObjDaten"),
              QStringList{"1899-12-30 NULL"});
    EXPECT_EQ(spalte(con.get(), "SELECT ifnull(KontoHmzresPos, 'NULL') || ' ' || KontoHmzresVerdichtKz "
                                "FROM ObjKanzleiKontenstamm"),
              QStringList{"NULL 2"});
    EXPECT_EQ(spalte(con.get(), "SELECT BuDatum || ' ' || BuBetrag || ' ' || BuSH || ' ' || BuSHVorzeichen || ' ' || "
                                "ifnull(BuKorrKZ, 'NULL') FROM ObjKanzleiBuchungen2003 ORDER BY BuNr"),
              (QStringList{"2003-03-05 12345000 H 1 NULL", "2003-03-05 12345000 S -1 K"}));
}

}  // namespace
