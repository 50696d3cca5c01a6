// "hmzres init": an encrypted, empty client database with the schema.
#include "programm.h"
#include "sqlhilfe.h"
#include "store/datenzugriff.h"
#include "store/schema.h"
#include "entry/zustand.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int hmzres(const QStringList& args, QString* fehlerText = nullptr) {
    const auto l = hmz::test::hmzres(QStringList{"init"} + args, 20000);
    if (fehlerText) *fehlerText = l.fehler;
    return l.status;
}

}  // namespace

TEST(CmdInit, CreatesAnEncryptedEmptyDatabaseOnce) {
    QTemporaryDir dir;
    const QString datei = dir.filePath("neu.db");
    ASSERT_EQ(hmzres({"--db", datei}), 0);

    auto db = hmz::db::Engine::instance().OpenDatabase(datei, false, false, ";pwd=" + hmz::DatenbankPasswort);
    const int jahr = QDate::currentDate().year();
    for (const QString& tabelle : {QStringLiteral("AllgMandDaten"), QStringLiteral("AllgEinstellungen"), QStringLiteral("ObjDaten"),
                                   QStringLiteral("ObjKanzleiKontenstamm"), QStringLiteral("ObjHmzResJahresSummen"),
                                   hmz::db::buchungsTabelle(jahr)})
        EXPECT_TRUE(db->OpenRecordset("SELECT * FROM " + tabelle)->Eof()) << tabelle.toStdString();
    EXPECT_FALSE(db->OpenRecordset("SELECT name FROM sqlite_master WHERE name = '" + hmz::db::buchungsIndex(jahr) + "'")->Eof());
    EXPECT_EQ(hmz::testhilfe::spalte(hmz::db::sqliteHandle(*db), "PRAGMA journal_mode"), QStringList{"wal"});
    db->Close();
    EXPECT_THROW(hmz::db::Engine::instance().OpenDatabase(datei, false, false, ";PWD="), hmz::Fehler);

    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray vorher = f.readAll();
    f.close();
    QString text;
    EXPECT_EQ(hmzres({"--db", datei}, &text), 4);
    EXPECT_TRUE(text.contains("already exists")) << text.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), vorher);

    EXPECT_EQ(hmzres({"--db"}), 2);
    EXPECT_EQ(hmzres({"--db", dir.filePath("fehlt/neu.db")}, &text), 4);
    EXPECT_TRUE(text.contains("ist kein gültiger Pfad")) << text.toStdString();
}
