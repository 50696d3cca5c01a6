// Import of Access files into the embedded store, checked against what
// mdb-export prints for the same real files, plus the fixed tables of the
// component, damaged files and the command line.
#include "programm.h"
#include "sqlhilfe.h"
#include "core/currency.h"
#include "core/fehler.h"
#include "entry/zustand.h"
#include "importer/accessfile.h"
#include "importer/mdbimport.h"
#include "store/speicher.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>

using namespace hmz;
using namespace hmz::importer;
using namespace Qt::StringLiterals;

namespace {

const QString Nwind = QStringLiteral(HMZ_TESTDATA "/nwind.mdb");
const QString Accdb = QStringLiteral(HMZ_TESTDATA "/ASampleDatabase.accdb");

// The imported store, opened with the component's password.
testhilfe::Datei store(const QString& pfad) { return testhilfe::oeffnen(pfad, DatenbankPasswort); }
QString wert(const testhilfe::Datei& db, const QString& sql) { return testhilfe::spalte(db.get(), sql).value(0); }

QString q(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

struct Export {
    QStringList header;
    std::vector<QList<QByteArray>> rows;  // a text field keeps its quote mark \x02 around it
};

// What mdb-export prints for a table, with separators that no text holds.
std::optional<Export> mdbExport(const QString& file, const QString& table) {
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty()) return std::nullopt;
    static QHash<QString, Export> schonGelesen;
    const QString schluessel = file + u'|' + table;
    if (schonGelesen.contains(schluessel)) return schonGelesen.value(schluessel);
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {"-b", "strip", "-d", "\x1f", "-R", "\x1e", "-q", "\x02", "-T",
                                           "%Y-%m-%d %H:%M:%S", file, table});
    p.waitForFinished(30000);
    QList<QByteArray> zeilen = p.readAllStandardOutput().split('\x1e');
    zeilen.removeLast();
    Export e;
    for (const QByteArray& f : zeilen.takeFirst().split('\x1f')) e.header << QString::fromUtf8(f);
    for (const QByteArray& z : zeilen) e.rows.push_back(z.split('\x1f'));
    schonGelesen.insert(schluessel, e);
    return e;
}

// Both real files imported once for all tests of the suite.
class ImportMdb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        nwind_ = new ImportResult(importMdb({Nwind, path(Nwind), false, {}, nullptr}));
        accdb_ = new ImportResult(importMdb({Accdb, path(Accdb), false, {}, nullptr}));
    }
    static void TearDownTestSuite() {
        delete nwind_;
        delete accdb_;
        delete dir_;
    }
    static QString path(const QString& mdb) { return dir_->filePath(QFileInfo(mdb).completeBaseName() + ".db"); }

    static inline QTemporaryDir* dir_ = nullptr;
    static inline ImportResult* nwind_ = nullptr;
    static inline ImportResult* accdb_ = nullptr;
};

TEST_F(ImportMdb, EveryTableAndSampledColumnsEqualMdbExport) {
    for (const QString& mdb : {Nwind, Accdb}) {
        const AccessFile access(mdb);
        const auto db = store(path(mdb));
        const ImportResult& r = mdb == Nwind ? *nwind_ : *accdb_;
        ASSERT_EQ(r.tables.size(), access.tables().size());
        EXPECT_TRUE(r.problems.isEmpty()) << r.problems.value(0).text.toStdString();
        for (const QString& t : access.tables()) {
            const auto e = mdbExport(mdb, t);
            if (!e) GTEST_SKIP() << "mdb-export is not installed";
            EXPECT_EQ(wert(db, "SELECT count(*) FROM " + q(t)).toLong(), static_cast<long>(e->rows.size()))
                << t.toStdString();
        }
    }
    EXPECT_EQ(nwind_->tables.size(), 9);

    enum Art { Geld, Datum, Text, Zahl };
    struct Probe {
        QString mdb, table, column;
        Art art;
    } proben[] = {
        {Nwind, "Orders", "Freight", Geld},
        {Nwind, "Orders", "ShippedDate", Datum},
        {Nwind, "Customers", "Region", Text},
        {Nwind, "Products", "Discontinued", Zahl},
        {Nwind, "Employees", "Notes", Text},  // a memo
        {Accdb, "Asset Items", "Cost", Geld},
        {Accdb, "Asset Items", "Acquired", Datum},
        {Accdb, "Asset Items", "Comments", Text},
    };
    // Opening an encrypted store derives the key, which takes a while: once per file.
    const auto nwindStore = store(path(Nwind)), accdbStore = store(path(Accdb));
    for (const Probe& p : proben) {
        SCOPED_TRACE((p.table + "." + p.column).toStdString());
        const auto e = mdbExport(p.mdb, p.table);
        const auto spalte = e->header.indexOf(p.column);
        ASSERT_GE(spalte, 0);
        // Each value with its storage class, which must be the column's.
        const QString sql = QStringLiteral("SELECT typeof(%1) || ':' || ifnull(%1, '') FROM %2 ORDER BY rowid");
        const QStringList werte =
            testhilfe::spalte((p.mdb == Nwind ? nwindStore : accdbStore).get(), sql.arg(q(p.column), q(p.table)));
        ASSERT_EQ(werte.size(), static_cast<qsizetype>(e->rows.size()));
        for (qsizetype i = 0; i < werte.size(); ++i) {
            QByteArray soll = e->rows[static_cast<std::size_t>(i)].value(spalte);
            if (soll.isEmpty()) {
                // mdb-export prints Null and an empty text alike.
                EXPECT_TRUE(werte[i] == "null:" || werte[i] == "text:") << "row " << i + 1;
                continue;
            }
            if (soll.startsWith('\x02')) soll = soll.mid(1, soll.size() - 2);
            QString erwartet;
            switch (p.art) {
            case Geld: erwartet = "integer:" + QString::number(Currency::parse(soll.toStdString()).value().raw()); break;
            case Datum: erwartet = "text:" + QString::fromUtf8(soll).remove(" 00:00:00"); break;
            case Text: erwartet = "text:" + QString::fromUtf8(soll); break;
            case Zahl: erwartet = "integer:" + QString::fromUtf8(soll); break;
            }
            EXPECT_EQ(werte[i], erwartet) << "row " << i + 1;
        }
    }
    // Umlauts arrive as UTF-8, not as the file's code page or twice encoded.
    EXPECT_EQ(wert(nwindStore, "SELECT City FROM Customers WHERE CustomerID = 'FRANK'"), u"München");
    EXPECT_EQ(wert(nwindStore, "SELECT CompanyName FROM Customers WHERE CustomerID = 'BERGS'"), u"Berglunds snabbköp");
    // Null stays Null, it does not become an empty text.
    EXPECT_EQ(wert(nwindStore, "SELECT count(*) FROM Customers WHERE Region IS NULL"), "60");
    EXPECT_EQ(wert(nwindStore, "SELECT count(*) FROM Customers WHERE Region = ''"), "0");

    // Encrypted, written ahead, with the component's tables empty beside the copied ones.
    EXPECT_THROW(testhilfe::oeffnen(path(Nwind), QString()), Fehler);
    EXPECT_EQ(nwind_->createdEmpty, (QStringList{"AllgMandDaten", "AllgEinstellungen", "ObjDaten",
                                                 "ObjKanzleiKontenstamm", "ObjHmzResJahresSummen"}));
    EXPECT_EQ(wert(nwindStore, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(wert(nwindStore, "SELECT count(*) FROM ObjDaten"), "0");
    // The copied tables keep the Access types where the store has them.
    const QString orders = wert(nwindStore, "SELECT sql FROM sqlite_master WHERE name = 'Orders'");
    EXPECT_TRUE(orders.contains("\"Freight\" CURRENCY"));
    EXPECT_TRUE(orders.contains("\"OrderDate\" DATE"));
    EXPECT_EQ(wert(nwindStore, "SELECT typeof(Picture) FROM Categories WHERE length(Picture) > 1000 LIMIT 1"), "blob");
}

// Lists the folder so that a leftover temporary file shows up.
QStringList entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A copy of an Access file with some bytes changed. Pages are 2048 bytes in
// nwind.mdb, 4096 in the .accdb; the offsets were found by looking into them.
QString beschaedigt(const QTemporaryDir& dir, const QString& quelle, const char* name, qint64 offset, const QByteArray& bytes) {
    QFile in(quelle);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray inhalt = in.readAll();
    inhalt.replace(offset, bytes.size(), bytes);
    QFile out(dir.filePath(QString::fromLatin1(name)));
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(inhalt);
    return out.fileName();
}

const QByteArray Genullt(4096, '\0');

TEST(ImportMdbFailures, DamagedFilesGiveAClearErrorAndNoTarget) {
    QTemporaryDir dir;
    const auto teil = [&](const QString& quelle, qint64 laenge, const QString& name) {
        QFile in(quelle);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        QFile out(dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(in.read(laenge));
        return out.fileName();
    };
    const qint64 nwind = QFileInfo(Nwind).size(), accdb = QFileInfo(Accdb).size();
    QFile text(dir.filePath("text.mdb"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(8192, 'x'));
    text.close();
    struct Fall {
        QString mdb;
        const char* meldung = "";  // besides the file's name
        long nummer = 3343;
    } faelle[] = {
        {teil(Nwind, nwind / 2 + 1000, "schief.mdb")},          // cut inside a page
        {teil(Accdb, accdb / 2 / 4096 * 4096, "halb.accdb")},  // in half, on a page boundary
        {text.fileName()},
        {dir.filePath("fehlt.mdb"), "", 3024},
        // 4 KB zeroed in the catalog's properties: libmdb alone loops there without end.
        {beschaedigt(dir, Accdb, "katalog.accdb", 434286, Genullt)},
        // The catalog's usage map points nowhere: libmdb alone crashes.
        {beschaedigt(dir, Accdb, "karte.accdb", 2 * 4096 + 55, "\xff\x15")},
        // A catalog text whose length runs past its page: read past the buffer before.
        {beschaedigt(dir, beschaedigt(dir, Accdb, "laenge.accdb", 2 * 4096 + 362, QByteArray(1, '\0')), "laenge.accdb",
                     73225, "\x1f\xf8")},
        // Page 399 is the first data page of "Orders": without its type byte libmdb
        // skips it and would deliver 813 of the 830 orders. Page 449 is its definition.
        {beschaedigt(dir, Nwind, "daten.mdb", 399 * 2048, Genullt.first(1)), "'Orders' nennt 830 Zeilen, 813 waren lesbar"},
        {beschaedigt(dir, Nwind, "def.mdb", 449 * 2048, Genullt.first(1)), "die Definition der Tabelle 'Orders' ist nicht lesbar"},
    };
    QStringList quellen{"text.mdb"};
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.mdb.toStdString());
        quellen << QFileInfo(f.mdb).fileName();
        const QString ziel = dir.filePath("ziel.db");
        try {
            importMdb({f.mdb, ziel, false, {}, nullptr});
            ADD_FAILURE() << "imported";
        } catch (const Fehler& e) {
            EXPECT_EQ(e.Nummer(), f.nummer);
            EXPECT_TRUE(e.Beschreibung().contains(QFileInfo(f.mdb).fileName())) << e.Beschreibung().toStdString();
            EXPECT_TRUE(e.Beschreibung().contains(f.meldung)) << e.Beschreibung().toStdString();
        }
        EXPECT_FALSE(QFile::exists(ziel));
    }
    QStringList uebrig = entries(dir);
    for (const QString& k : quellen) uebrig.removeAll(k);
    EXPECT_TRUE(uebrig.isEmpty()) << uebrig.join(", ").toStdString();
}

TEST(ImportMdbFailures, AnExistingTargetIsReplacedOnlyWhenAskedAndNeverByAFailedImport) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    const auto inhalt = [&] {
        QFile f(ziel);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    QFile bisher(ziel);
    ASSERT_TRUE(bisher.open(QIODevice::WriteOnly) && bisher.write("bisher") == 6);
    bisher.close();
    EXPECT_THROW(importMdb({Accdb, ziel, false, {}, nullptr}), Fehler);
    EXPECT_EQ(inhalt(), "bisher");

    // Interrupted while the first table is copied: the old file stays as it was.
    std::atomic<bool> abbruch{false};
    ImportOptions opt{Accdb, ziel, true, [&](const QString&, long, bool) { abbruch = true; }, &abbruch};
    EXPECT_THROW(importMdb(opt), Fehler);
    EXPECT_EQ(inhalt(), "bisher");
    EXPECT_EQ(entries(dir), QStringList{"kunde.db"});

    const ImportResult r = importMdb({Accdb, ziel, true, {}, nullptr});
    EXPECT_EQ(r.tables.value(0).rowsWritten, 65);
    EXPECT_EQ(entries(dir), QStringList{"kunde.db"});
    EXPECT_EQ(wert(store(ziel), "SELECT count(*) FROM \"Asset Items\""), "65");
}

// Rows of a table as a test writes them down.
class FakeTable : public TableSource {
public:
    FakeTable(QString name, std::vector<AccessColumn> columns, std::vector<std::vector<SourceValue>> rows,
              int failAt = 0)
        : name_(std::move(name)), columns_(std::move(columns)), rows_(std::move(rows)), failAt_(failAt) {}
    QString name() const override { return name_; }
    const std::vector<AccessColumn>& columns() const override { return columns_; }
    bool next(std::vector<SourceValue>& values, std::vector<QString>& problems) override {
        if (++pos_ == failAt_) throw Fehler(3343, QStringLiteral("page unreadable"));
        if (pos_ > static_cast<int>(rows_.size())) return false;
        values = rows_[static_cast<std::size_t>(pos_ - 1)];
        problems.assign(values.size(), {});
        return true;
    }

private:
    QString name_;
    std::vector<AccessColumn> columns_;
    std::vector<std::vector<SourceValue>> rows_;
    int failAt_;
    int pos_ = 0;
};

AccessColumn col(const char* name, ColumnKind kind) { return {QString::fromLatin1(name), 0, kind, {}}; }

// Days since 1899-12-30 of a date in 2003.
double tag2003(int monat, int tag) { return QDate(1899, 12, 30).daysTo(QDate(2003, monat, tag)); }

FakeTable buchungen(int failAt = 0) {
    using S = SourceValue;
    return FakeTable(
        "objkanzleibuchungen2003",
        {col("BuNr", ColumnKind::Integer), col("BuObjNr", ColumnKind::Integer), col("BuKontoNr", ColumnKind::Text),
         col("BuDatum", ColumnKind::DateTime), col("BuBetrag", ColumnKind::Currency), col("BuSH", ColumnKind::Text),
         col("BuSHVorzeichen", ColumnKind::Integer), col("BuBearbeiter", ColumnKind::Text)},
        {
            {S::ofInteger(1), S::ofInteger(1), S::ofInteger(2800), S::ofDateTime(tag2003(1, 15)), S::ofMoney(12345000),
             S::ofText("H"), S::ofInteger(1), S::ofText("Grün")},
            {S::ofInteger(2), S::ofInteger(1), S::ofText("4000"), S::ofDateTime(tag2003(2, 1) + 0.5),
             S::ofMoney(-5000), S::ofText("S"), S::ofInteger(-1), S::null()},
            {S::ofInteger(3), S::null(), S::ofText("4000"), S::ofDateTime(tag2003(3, 1)), S::ofMoney(1),
             S::ofText("S"), S::ofInteger(-1), S::null()},  // no property: the schema refuses it
            {S::ofInteger(1), S::ofInteger(2), S::ofText("4000"), S::ofDateTime(tag2003(4, 1)), S::ofMoney(1),
             S::ofText("S"), S::ofInteger(-1), S::null()},  // BuNr twice
        },
        failAt);
}

TEST(ImportTables, ComponentTablesGetTheFixedSchemaTheirExtraColumnsTheBookingsIndexOrNoTarget) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    const ImportResult r = importTables(
        {"objkanzleibuchungen2003", "OBJDATEN"},
        [](const QString& name) -> std::unique_ptr<TableSource> {
            if (name == "OBJDATEN")
                return std::make_unique<FakeTable>(name, std::vector{col("ObjNummer", ColumnKind::Integer),
                                                                    col("ObjOrt", ColumnKind::Text)},
                                                   std::vector<std::vector<SourceValue>>{
                                                       {SourceValue::ofInteger(7), SourceValue::ofText("Wien")}});
            return std::make_unique<FakeTable>(buchungen());
        },
        {{}, ziel, false, {}, nullptr});

    ASSERT_EQ(r.tables.size(), 2);
    EXPECT_EQ(r.tables[0].name, "ObjKanzleiBuchungen2003");
    EXPECT_EQ(r.tables[0].rowsRead, 4);
    EXPECT_EQ(r.tables[0].rowsWritten, 2);
    EXPECT_EQ(r.tables[1].name, "ObjDaten");
    EXPECT_FALSE(r.createdEmpty.contains("ObjDaten"));
    EXPECT_TRUE(r.createdEmpty.contains("AllgMandDaten"));
    EXPECT_TRUE(r.holdsClientTables());

    // What did not arrive as it was, with table, row and column.
    ASSERT_EQ(r.problems.size(), 3);
    EXPECT_EQ(r.problems[0].row, 2);
    EXPECT_EQ(r.problems[0].column, "BuDatum");
    EXPECT_TRUE(r.problems[0].text.contains("12:00:00"));
    EXPECT_EQ(r.problems[1].row, 3);
    EXPECT_TRUE(r.problems[1].text.contains("NOT NULL")) << r.problems[1].text.toStdString();
    EXPECT_EQ(r.problems[2].row, 4);
    EXPECT_TRUE(r.problems[2].text.contains("UNIQUE")) << r.problems[2].text.toStdString();

    const auto db = store(ziel);
    // An account number read as a number stays text; Null stays Null.
    EXPECT_EQ(testhilfe::spalte(db.get(), "SELECT BuKontoNr || ' ' || typeof(BuKontoNr) || ' ' || BuDatum || ' ' || "
                                          "BuBetrag || ' ' || typeof(BuBetrag) || ' ' || ifnull(BuBearbeiter, 'Null') "
                                          "FROM ObjKanzleiBuchungen2003 ORDER BY BuNr"),
              (QStringList{u"2800 text 2003-01-15 12345000 integer Grün"_s, "4000 text 2003-02-01 -5000 integer Null"}));
    EXPECT_EQ(wert(db, "SELECT ObjTypus FROM ObjDaten WHERE ObjNummer = 7"), "0");  // the schema's default
    const QString plan = testhilfe::spalte(db.get(),
                                           "EXPLAIN QUERY PLAN SELECT sum(BuBetrag) FROM ObjKanzleiBuchungen2003 WHERE "
                                           "BuObjNr = 1 AND BuKontoNr = '2800' AND BuDatum <= '2003-12-31'", 3)
                             .join("\n");
    EXPECT_TRUE(plan.contains("ObjKanzleiBuchungen2003_ObjKonto")) << plan.toStdString();

    // A table that fails half-way leaves no target.
    QTemporaryDir leer;
    const auto halb = [](const QString&) { return std::make_unique<FakeTable>(buchungen(2)); };
    EXPECT_THROW(importTables({"ObjKanzleiBuchungen2003"}, halb, {{}, leer.filePath("kunde.db"), false, {}, nullptr}), Fehler);
    EXPECT_TRUE(entries(leer).isEmpty()) << entries(leer).join(", ").toStdString();
}

TEST(ImportCli, ExitStatusSummaryAndProgress) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    const auto importieren = [](const QStringList& args, int ms = 60000) {
        return test::hmzres(QStringList{"import-mdb"} + args, ms);
    };
    auto l = importieren({"--mdb", Accdb, "--db", ziel});
    EXPECT_EQ(l.status, 0);
    for (const char* zeile : {"Asset Items: 65 Zeilen\n", "Alle Werte wurden übernommen.", "enthält keine der Mandantentabellen"})
        EXPECT_TRUE(l.aus.contains(zeile)) << l.aus.toStdString();
    l = importieren({"--mdb", Accdb, "--db", ziel});
    EXPECT_EQ(l.status, 4);
    EXPECT_TRUE(l.fehler.contains("--force")) << l.fehler.toStdString();
    EXPECT_EQ(importieren({"--mdb", Accdb, "--db", ziel, "--force"}).status, 0);
    EXPECT_EQ(importieren({"--mdb", Accdb}).status, 2);

    // A file libmdb alone reads forever, printing one warning without end:
    // refused as damaged, each warning said once.
    const QString schleife = beschaedigt(dir, Accdb, "schleife.accdb", 441583, Genullt);
    l = importieren({"--mdb", schleife, "--db", dir.filePath("neu.db")}, 10000);
    ASSERT_TRUE(l.beendet);
    EXPECT_EQ(l.status, 4);
    EXPECT_TRUE(l.fehler.contains("beschädigt")) << l.fehler.toStdString();
    const QStringList zeilen = l.fehler.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(QSet<QString>(zeilen.begin(), zeilen.end()).size(), zeilen.size()) << l.fehler.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("neu.db")));

    // The first picture of "Categories" starts on page 25; a broken row table
    // there loses that picture: the rest is imported, the loss named, exit 5.
    const QString bild = beschaedigt(dir, Nwind, "bild.mdb", 25 * 2048 + 10, QByteArray("\xff\x1f", 2));
    l = importieren({"--mdb", bild, "--db", dir.filePath("bild.db")});
    EXPECT_EQ(l.status, 5);
    EXPECT_TRUE(l.aus.contains("Nicht übernommen (1):\n  Categories, Zeile 1, Spalte Picture: nur 0 von 10746 Bytes lesbar"))
        << l.aus.toStdString();
    EXPECT_TRUE(l.aus.contains("Categories           8 Zeilen")) << l.aus.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("bild.db")));
}

TEST(ImportCli, ASignalEndsTheImportAndLeavesNoTarget) {
    // Whatever the import is doing when the signal comes (starting, writing
    // its temporary file, done): it ends, and there is either no target or a
    // complete one. The moments are found in the folder and the output, not
    // on the clock; the wait is only a bound against hanging (the import
    // itself ends half a second after the signal at the latest).
    for (const int moment : {0, 1, 2}) {
        QTemporaryDir dir;
        const QString ziel = dir.filePath("kunde.db");
        QProcess p;
        p.start(QStringLiteral(HMZ_BINARY), {"import-mdb", "--mdb", Accdb, "--db", ziel});
        ASSERT_TRUE(p.waitForStarted());
        QByteArray aus;
        const auto erreicht = [&] {
            aus += p.readAllStandardOutput();
            return moment == 0 || (moment == 1 && !entries(dir).isEmpty()) || (moment == 2 && aus.contains("übernommen"));
        };
        for (QDeadlineTimer frist(30000); !erreicht() && p.state() == QProcess::Running && !frist.hasExpired();) p.waitForFinished(1);
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(30000)) << "moment " << moment;
        const QStringList da = entries(dir);
        if (p.exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(da, p.exitCode() == 0 ? QStringList{"kunde.db"} : QStringList{}) << "moment " << moment;
            if (p.exitCode() != 0) {
                EXPECT_EQ(p.exitCode(), 143) << "moment " << moment;
            }
        } else {
            // Ended by the signal itself: before the handler was set or once the client was complete.
            EXPECT_TRUE(da.isEmpty() || da == QStringList{"kunde.db"}) << da.join(", ").toStdString();
        }
    }
}

TEST(ImportCli, ASignalDiscardsAnUnfinishedLoadButLetsACommittingOneFinish) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    {
        auto l = db::dateiSpeicher().laden(ziel, {}, false);
        l->Execute("CREATE TABLE t (a INTEGER)");
        ASSERT_EQ(entries(dir).size(), 1);
        EXPECT_TRUE(discardUnfinishedStore());
        EXPECT_TRUE(entries(dir).isEmpty());
    }
    auto l = db::dateiSpeicher().laden(ziel, {}, false);
    l->Execute("CREATE TABLE t (a INTEGER)");
    l->Fertig();
    EXPECT_FALSE(discardUnfinishedStore());
    EXPECT_EQ(entries(dir), QStringList{"kunde.db"});
}

}  // namespace
