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

// Generated clients are printed and compared elsewhere; what only the file
// shows: no password means a plain file, written ahead from the start.
TEST(BulkWriter, PlainFileWrittenAheadWithTheSchemaDefaults) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath(QStringLiteral("plain.db"));
    {
        db::BulkWriter w(ziel, {2003}, QString());
        w.objekt({.nummer = 7});
        w.fertig();
    }
    auto con = testhilfe::oeffnen(ziel, QString());
    EXPECT_EQ(testhilfe::spalte(con.get(), "PRAGMA journal_mode"), QStringList{"wal"});
    EXPECT_EQ(testhilfe::spalte(con.get(), "SELECT ObjGueltigBisDatum || ' ' || ifnull(ObjHvStatusDatum, 'NULL') "
                                           "FROM ObjDaten"),
              QStringList{"1899-12-30 NULL"});
}

}  // namespace
