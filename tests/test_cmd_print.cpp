// "hmzres print" and "hmzres demo" as a user runs them: exit statuses,
// stderr texts, the PDF; and no command writes over its own input.
#include "programm.h"
#include "testmandant.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace hmz::test;

namespace {


class PrintBefehl : public ::testing::Test {
protected:
    QTemporaryDir ordner;
    QString db, pdf;
    std::unique_ptr<TestMandant> mandant;

    void SetUp() override {
        db = ordner.filePath("mandant.db");
        pdf = ordner.filePath("abrechnung.pdf");
        mandant = std::make_unique<TestMandant>(db);
        auto& m = *mandant;
        m.mandant();
        m.objekt(7).objekt(8);
        m.konto(2003, "4000", "Hauptmietzins", 1, 1);
        m.konto(2003, "7000", "Instandhaltung", 21, 0);
        m.konto(2003, "9999", "Verrechnung", 0, 1);
        m.buchung(7, "4000", QDate(2003, 3, 1), eur("1234.50"));
        m.buchung(7, "7000", QDate(2003, 4, 1), eur("-200.00"), "Dachrinne");
        m.buchung(7, "9999", QDate(2003, 4, 1), eur("-1034.50"));
        m.schliessen();  // the command opens the file itself
    }

    QStringList args(const QString& objekte = "1-99", const QString& periode = "01.03-12.03") const {
        return {"print", "--db", db, "--objects", objekte, "--period", periode, "--pdf", pdf};
    }
};

}  // namespace

TEST_F(PrintBefehl, PrintsThePdfAndStoresTheResult) {
    const auto r = hmzres(args("1-99", "01.2003-12.03") << "--no-eur-ats");
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    EXPECT_TRUE(r.fehler.isEmpty()) << qPrintable(r.fehler);
    EXPECT_TRUE(r.aus.contains("Laufende Objekt-Nr: 00007"));
    EXPECT_TRUE(r.aus.contains("Anzahl verarbeiteter Objekte: 2"));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QString::fromUtf8("Hauptmietzinsreserve-Abrechnung für 2003")));
    EXPECT_TRUE(text.contains("1.234,50"));
    EXPECT_TRUE(text.contains("1.034,50"));
    EXPECT_FALSE(text.contains("(=ATS"));

    auto& m = *mandant;
    EXPECT_EQ(m.abfrage("SELECT HmzObjNr, HmzHMZOhneEHB FROM ObjHmzResJahresSummen ORDER BY 1"),
              (QList<QVariantList>{{qlonglong(7), qlonglong(10345000)}, {qlonglong(8), qlonglong(0)}}));
    EXPECT_EQ(m.abfrage("SELECT AllgEinstWert FROM AllgEinstellungen WHERE AllgEinstNr = 149"),
              (QList<QVariantList>{{qlonglong(0)}}));
}

TEST_F(PrintBefehl, RefusalsAndFailuresHaveTheirExitStatus) {
    auto r = hmzres(args("0-0"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.fehler, QString::fromUtf8("von- und bis-Objektnummer Null ist ungültig\n"));
    r = hmzres(args("1-x"));
    EXPECT_EQ(r.status, 1);
    r = hmzres(args("1-99", "05.03-03.03"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.fehler, QString::fromUtf8("Das Abrechnung von Datum darf nicht größer dem Abrechnung bis Datum sein.\n"));
    r = hmzres(args("50-99"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.fehler, "Keine Objekte zum Drucken gefunden\n");
    r = hmzres(args("1-99", "01.04-12.04"));
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.fehler, QString::fromUtf8("für Buchungsjahr: 2004 ist kein Buchungsbestand existent\n"));
    EXPECT_FALSE(QFile::exists(pdf));

    for (const auto& falsch : {QStringList{"print"}, QStringList{"print", "--db", db},
                               args() << "--printer" << "x", args() << "--on-imbalance" << "maybe",
                               args("17"), QStringList{"frobnicate"}})
        EXPECT_EQ(hmzres(falsch).status, 2) << qPrintable(falsch.join(' '));

    r = hmzres({"print", "--db", ordner.filePath("fehlt.db"), "--objects", "1-9", "--period", "01.03-12.03", "--pdf", pdf});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.fehler.contains("database not found")) << qPrintable(r.fehler);
    r = hmzres({"print", "--db", db, "--objects", "1-9", "--period", "01.03-12.03", "--pdf", ordner.filePath("kein/ordner.pdf")});
    EXPECT_EQ(r.status, 4) << qPrintable(r.fehler);
    EXPECT_FALSE(QFile::exists(ordner.filePath("kein/ordner.pdf")));
}

TEST_F(PrintBefehl, AnImbalanceStopsUnlessToldToContinue) {
    mandant->buchung(8, "4000", QDate(2003, 6, 1), eur("0.01"));
    mandant->schliessen();
    auto r = hmzres(args());
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.fehler.contains("Summe Soll:     1.234,50\r\nSumme Haben: 1.234,51\r\nDifferenz: -0,01\r\n")) << qPrintable(r.fehler);
    EXPECT_FALSE(QFile::exists(pdf));
    r = hmzres(args() << "--on-imbalance" << "continue");
    EXPECT_EQ(r.status, 0) << qPrintable(r.fehler);
    EXPECT_TRUE(QFile::exists(pdf));
}

TEST(DemoBefehl, CreatesTheClientAndPrintsAllStatements) {
    QTemporaryDir ordner;
    const QString db = ordner.filePath("demo.db"), pdf = ordner.filePath("demo.pdf");
    const auto r = hmzres({"demo", "--db", db, "--pdf", pdf});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    EXPECT_TRUE(QFile::exists(db));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Aufstellung der Hauptmietzinsreserve mit Erhaltungsbeitrag"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Jänner 2003")));
    // A second demo run reuses the client and updates its year rows.
    EXPECT_EQ(hmzres({"demo", "--db", db, "--pdf", pdf}).status, 0);
}

TEST_F(PrintBefehl, AnOutputThatIsAnInputIsRefusedBeforeAnythingIsTouched) {
    const QString mdb = ordner.filePath("kunde.mdb"), neu = ordner.filePath("neu.db");
    ASSERT_TRUE(QFile::copy(HMZ_TESTDATA "/nwind.mdb", mdb));
    ASSERT_TRUE(QFile::link(db, ordner.filePath("verweis.db")));
    ASSERT_TRUE(QFile::link(mdb, ordner.filePath("verweis.mdb")));
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(ordner.filePath("hart.db")).constData()), 0);
    const auto inhalt = [](const QString& pfad) {
        QFile f(pfad);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1) : QByteArray();
    };
    const QByteArray dbVorher = inhalt(db), mdbVorher = inhalt(mdb);
    const auto drucken = [](const QString& d, const QString& p) {
        return QStringList{"print", "--db", d, "--objects", "1-99", "--period", "01.03-12.03", "--pdf", p};
    };
    const QString umweg = ordner.path() + "/./mandant.db";
    for (const QStringList& a : {drucken(db, db), drucken(umweg, ordner.filePath("verweis.db")),
                                 drucken(db, ordner.filePath("hart.db")), drucken(db, db + "-wal"),
                                 QStringList{"demo", "--db", ordner.filePath("verweis.db"), "--pdf", db},
                                 QStringList{"demo", "--db", neu, "--pdf", ordner.path() + "/./neu.db"},
                                 QStringList{"import-mdb", "--mdb", mdb, "--db", mdb, "--force"},
                                 QStringList{"import-mdb", "--mdb", ordner.filePath("verweis.mdb"), "--db", mdb, "--force"}}) {
        const auto r = hmzres(a);
        EXPECT_EQ(r.status, 2) << qPrintable(a.join(' ') + "\n" + r.fehler);
    }
    EXPECT_EQ(inhalt(db), dbVorher);
    EXPECT_EQ(inhalt(mdb), mdbVorher);
    EXPECT_FALSE(QFile::exists(neu));
}
