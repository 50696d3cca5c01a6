// Import of Access files into the embedded store, checked against what
// mdb-export prints for the same real files, plus the fixed tables of the
// component, damaged files and the command line.
#include "programm.h"
#include "core/currency.h"
#include "core/fehler.h"
#include "entry/zustand.h"
#include "importer/accessfile.h"
#include "importer/mdbimport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>

using namespace hmz;
using namespace hmz::importer;

namespace {

const QString Nwind = QStringLiteral(HMZ_TESTDATA "/nwind.mdb");
const QString Accdb = QStringLiteral(HMZ_TESTDATA "/ASampleDatabase.accdb");

using Cell = std::optional<QByteArray>;  // nullopt for Null

// The imported store, opened with the component's password.
class StoreFile {
public:
    explicit StoreFile(const QString& path, bool withKey = true) {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY, nullptr);
        if (withKey) {
            const QByteArray key = DatenbankPasswort.toUtf8();
            sqlite3_key(db_, key.constData(), static_cast<int>(key.size()));
        }
    }
    ~StoreFile() { sqlite3_close(db_); }

    // Every row of a query, each cell as text; first result code in rc.
    std::vector<std::vector<Cell>> rows(const QString& sql, int* rc = nullptr) const {
        std::vector<std::vector<Cell>> r;
        sqlite3_stmt* st = nullptr;
        int code = sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &st, nullptr);
        while (code == SQLITE_OK && (code = sqlite3_step(st)) == SQLITE_ROW) {
            std::vector<Cell> zeile;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                if (sqlite3_column_type(st, i) == SQLITE_NULL)
                    zeile.emplace_back();
                else
                    zeile.emplace_back(QByteArray(reinterpret_cast<const char*>(sqlite3_column_blob(st, i)),
                                                  sqlite3_column_bytes(st, i)));
            }
            r.push_back(std::move(zeile));
            code = SQLITE_OK;
        }
        sqlite3_finalize(st);
        if (rc) *rc = code;
        EXPECT_TRUE(rc || code == SQLITE_DONE) << sql.toStdString() << ": " << sqlite3_errmsg(db_);
        return r;
    }
    QByteArray value(const QString& sql) const {
        const auto r = rows(sql);
        return r.empty() || !r[0][0] ? QByteArray() : *r[0][0];
    }

private:
    sqlite3* db_ = nullptr;
};

QString q(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

struct CsvField {
    QByteArray text;
    bool quoted = false;
};

// mdb-export's CSV: quoted texts with doubled quotes, newlines inside quotes,
// Null and empty text both as nothing.
std::vector<std::vector<CsvField>> parseCsv(const QByteArray& csv) {
    std::vector<std::vector<CsvField>> zeilen;
    std::vector<CsvField> zeile;
    CsvField feld;
    bool inQuotes = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
                feld.text += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                feld.text += c;
            }
        } else if (c == '"') {
            inQuotes = feld.quoted = true;
        } else if (c == ',') {
            zeile.push_back(std::exchange(feld, {}));
        } else if (c == '\n') {
            zeile.push_back(std::exchange(feld, {}));
            zeilen.push_back(std::exchange(zeile, {}));
        } else {
            feld.text += c;
        }
    }
    return zeilen;
}

struct Export {
    QStringList header;
    std::vector<std::vector<CsvField>> rows;
    int column(const QString& name) const { return static_cast<int>(header.indexOf(name)); }
};

std::optional<Export> mdbExport(const QString& file, const QString& table) {
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty()) return std::nullopt;
    static QHash<QString, Export> schonGelesen;
    const QString schluessel = file + u'|' + table;
    if (schonGelesen.contains(schluessel)) return schonGelesen.value(schluessel);
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table});
    p.waitForFinished(30000);
    auto zeilen = parseCsv(p.readAllStandardOutput());
    Export e;
    for (const auto& f : zeilen.front()) e.header << QString::fromUtf8(f.text);
    zeilen.erase(zeilen.begin());
    e.rows = std::move(zeilen);
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

TEST_F(ImportMdb, EveryTableArrivesWithTheRowCountOfMdbExport) {
    for (const QString& mdb : {Nwind, Accdb}) {
        const AccessFile access(mdb);
        const StoreFile store(path(mdb));
        const ImportResult& r = mdb == Nwind ? *nwind_ : *accdb_;
        ASSERT_EQ(r.tables.size(), access.tables().size());
        EXPECT_TRUE(r.problems.isEmpty()) << r.problems.value(0).text.toStdString();
        for (const QString& t : access.tables()) {
            const auto e = mdbExport(mdb, t);
            if (!e) GTEST_SKIP() << "mdb-export is not installed";
            EXPECT_EQ(store.value("SELECT count(*) FROM " + q(t)).toLong(), static_cast<long>(e->rows.size()))
                << t.toStdString();
        }
    }
    EXPECT_EQ(nwind_->tables.size(), 9);
}

TEST_F(ImportMdb, SampledColumnsEqualMdbExport) {
    enum Art { Geld, Datum, Text, Zahl };
    struct Probe {
        QString mdb, table, column;
        Art art;
    } proben[] = {
        {Nwind, "Orders", "Freight", Geld},
        {Nwind, "Orders", "OrderDate", Datum},
        {Nwind, "Orders", "ShippedDate", Datum},
        {Nwind, "Orders", "ShipName", Text},
        {Nwind, "Customers", "CompanyName", Text},
        {Nwind, "Customers", "City", Text},
        {Nwind, "Customers", "Region", Text},
        {Nwind, "Umsätze", "Freight", Geld},
        {Nwind, "Umsätze", "ShipCity", Text},
        {Nwind, "Order Details", "UnitPrice", Geld},
        {Nwind, "Products", "UnitPrice", Geld},
        {Nwind, "Order Details", "Quantity", Zahl},
        {Nwind, "Products", "Discontinued", Zahl},
        {Nwind, "Employees", "Notes", Text},
        {Accdb, "Asset Items", "Cost", Geld},
        {Accdb, "Asset Items", "Acquired", Datum},
        {Accdb, "Asset Items", "Description", Text},
        {Accdb, "Asset Items", "Comments", Text},
    };
    // Opening an encrypted store derives the key, which takes a while: once per file.
    const StoreFile nwindStore(path(Nwind)), accdbStore(path(Accdb));
    for (const Probe& p : proben) {
        SCOPED_TRACE((p.table + "." + p.column).toStdString());
        const auto e = mdbExport(p.mdb, p.table);
        if (!e) GTEST_SKIP() << "mdb-export is not installed";
        const int spalte = e->column(p.column);
        ASSERT_GE(spalte, 0);
        const StoreFile& store = p.mdb == Nwind ? nwindStore : accdbStore;
        const auto werte = store.rows(QStringLiteral("SELECT %1, typeof(%1) FROM %2 ORDER BY rowid").arg(q(p.column), q(p.table)));
        ASSERT_EQ(werte.size(), e->rows.size());
        for (std::size_t i = 0; i < werte.size(); ++i) {
            const CsvField& soll = e->rows[i][static_cast<std::size_t>(spalte)];
            const Cell& ist = werte[i][0];
            if (soll.text.isEmpty() && !soll.quoted) {
                // mdb-export prints Null and an empty text alike.
                EXPECT_TRUE(!ist || ist->isEmpty()) << "row " << i + 1;
                continue;
            }
            ASSERT_TRUE(ist.has_value()) << "row " << i + 1;
            switch (p.art) {
            case Geld: {
                const auto c = Currency::parse(soll.text.toStdString());
                ASSERT_TRUE(c) << soll.text.toStdString();
                EXPECT_EQ(*werte[i][1], "integer");
                EXPECT_EQ(ist->toLongLong(), c->raw()) << "row " << i + 1;
                break;
            }
            case Datum: {
                QByteArray tag = soll.text;
                if (tag.endsWith(" 00:00:00")) tag.chop(9);
                EXPECT_EQ(*ist, tag) << "row " << i + 1;
                break;
            }
            case Text: EXPECT_EQ(QString::fromUtf8(*ist), QString::fromUtf8(soll.text)) << "row " << i + 1; break;
            case Zahl:
                EXPECT_EQ(*werte[i][1], "integer");
                EXPECT_EQ(*ist, soll.text) << "row " << i + 1;
                break;
            }
        }
    }
    // Umlauts arrive as UTF-8, not as the file's code page or twice encoded.
    const StoreFile& store = nwindStore;
    EXPECT_EQ(QString::fromUtf8(store.value("SELECT City FROM Customers WHERE CustomerID = 'FRANK'")), u"München");
    EXPECT_EQ(QString::fromUtf8(store.value("SELECT CompanyName FROM Customers WHERE CustomerID = 'BERGS'")),
              u"Berglunds snabbköp");
    // Null stays Null, it does not become an empty text.
    EXPECT_EQ(store.value("SELECT count(*) FROM Customers WHERE Region IS NULL"), "60");
    EXPECT_EQ(store.value("SELECT count(*) FROM Customers WHERE Region = ''"), "0");
}

TEST_F(ImportMdb, TheStoreIsEncryptedAndHasTheComponentsTables) {
    int rc = 0;
    StoreFile(path(Nwind), false).rows(QStringLiteral("SELECT count(*) FROM sqlite_master"), &rc);
    EXPECT_EQ(rc, SQLITE_NOTADB);

    const QStringList fest{"AllgMandDaten", "AllgEinstellungen", "ObjDaten", "ObjKanzleiKontenstamm",
                           "ObjHmzResJahresSummen"};
    EXPECT_EQ(nwind_->createdEmpty, fest);
    const StoreFile store(path(Nwind));
    EXPECT_EQ(store.value("PRAGMA journal_mode"), "wal");
    for (const QString& t : fest) EXPECT_EQ(store.value("SELECT count(*) FROM " + t), "0") << t.toStdString();
    // The copied tables keep the Access types where the store has them.
    EXPECT_TRUE(store.value("SELECT sql FROM sqlite_master WHERE name = 'Orders'").contains("\"Freight\" CURRENCY"));
    EXPECT_TRUE(store.value("SELECT sql FROM sqlite_master WHERE name = 'Orders'").contains("\"OrderDate\" DATE"));
    EXPECT_EQ(store.value("SELECT typeof(Picture) FROM Categories WHERE length(Picture) > 1000 LIMIT 1"), "blob");
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
    const QStringList kaputt{
        teil(Nwind, nwind / 2, "halb.mdb"),                   // cut in half, on a page boundary
        teil(Nwind, nwind / 2 + 1000, "schief.mdb"),          // cut inside a page
        teil(Accdb, accdb / 2 / 4096 * 4096, "halb.accdb"),  // in half, on a page boundary
        teil(Accdb, accdb / 2, "schief.accdb"),
        teil(Nwind, 2048 * 20, "kopf.mdb"),
        text.fileName(),
        // 4 KB zeroed in the catalog's properties: libmdb alone loops there without end.
        beschaedigt(dir, Accdb, "katalog.accdb", 434286, Genullt),
        beschaedigt(dir, Accdb, "warnung.accdb", 441583, Genullt),
        // The catalog's usage map points nowhere: libmdb alone crashes.
        beschaedigt(dir, Accdb, "karte.accdb", 2 * 4096 + 55, "\xff\x15"),
        // A catalog text whose length runs past its page: read past the buffer before.
        beschaedigt(dir, beschaedigt(dir, Accdb, "laenge.accdb", 2 * 4096 + 362, QByteArray(1, '\0')), "laenge.accdb",
                    73225, "\x1f\xf8"),
    };
    for (const QString& mdb : kaputt) {
        const QString ziel = dir.filePath("ziel.db");
        try {
            importMdb({mdb, ziel, false, {}, nullptr});
            ADD_FAILURE() << "imported " << mdb.toStdString();
        } catch (const Fehler& f) {
            EXPECT_EQ(f.Nummer(), 3343) << mdb.toStdString();
            EXPECT_TRUE(f.Beschreibung().contains(QFileInfo(mdb).fileName())) << f.Beschreibung().toStdString();
        }
        EXPECT_FALSE(QFile::exists(ziel)) << mdb.toStdString();
    }
    try {
        importMdb({dir.filePath("fehlt.mdb"), dir.filePath("ziel.db"), false, {}, nullptr});
        ADD_FAILURE();
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), 3024);
    }
    QStringList uebrig = entries(dir);
    uebrig.removeOne("text.mdb");
    for (const QString& k : kaputt) uebrig.removeOne(QFileInfo(k).fileName());
    EXPECT_TRUE(uebrig.isEmpty()) << uebrig.join(", ").toStdString();
}

TEST(ImportMdbFailures, AnUnreadablePageOfATableIsRefusedNotSkipped) {
    // Page 399 is the first data page of "Orders" (without its type byte
    // libmdb skips it and would deliver 813 of the 830 orders), page 449 its
    // table definition.
    const struct {
        qint64 seite;
        const char* meldung;
    } faelle[] = {{399, "'Orders' states 830 rows, 813 could be read"},
                  {449, "the definition of table 'Orders' cannot be read"}};
    for (const auto& f : faelle) {
        QTemporaryDir dir;
        const QString mdb = beschaedigt(dir, Nwind, "seite.mdb", f.seite * 2048, QByteArray(1, '\0'));
        try {
            importMdb({mdb, dir.filePath("ziel.db"), false, {}, nullptr});
            ADD_FAILURE() << "imported " << f.seite;
        } catch (const Fehler& e) {
            EXPECT_EQ(e.Nummer(), 3343);
            EXPECT_TRUE(e.Beschreibung().contains(f.meldung)) << e.Beschreibung().toStdString();
        }
        EXPECT_FALSE(QFile::exists(dir.filePath("ziel.db")));
    }
}

TEST(ImportMdbFailures, AnExistingTargetIsReplacedOnlyWhenAskedAndNeverByAFailedImport) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    const auto schreibe = [&](const QByteArray& inhalt) {
        QFile f(ziel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    };
    const auto inhalt = [&] {
        QFile f(ziel);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    schreibe("bisher");
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
    EXPECT_EQ(StoreFile(ziel).value("SELECT count(*) FROM \"Asset Items\""), "65");
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

TEST(ImportTables, ComponentTablesGetTheFixedSchemaTheirExtraColumnsAndTheBookingsIndex) {
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

    const StoreFile store(ziel);
    const auto zeilen = store.rows(
        "SELECT BuKontoNr, typeof(BuKontoNr), BuDatum, BuBetrag, typeof(BuBetrag), BuBearbeiter "
        "FROM ObjKanzleiBuchungen2003 ORDER BY BuNr");
    ASSERT_EQ(zeilen.size(), 2u);
    EXPECT_EQ(*zeilen[0][0], "2800");  // an account number read as a number stays text
    EXPECT_EQ(*zeilen[0][1], "text");
    EXPECT_EQ(*zeilen[0][2], "2003-01-15");
    EXPECT_EQ(*zeilen[0][3], "12345000");
    EXPECT_EQ(*zeilen[0][4], "integer");
    EXPECT_EQ(QString::fromUtf8(*zeilen[0][5]), u"Grün");
    EXPECT_EQ(*zeilen[1][2], "2003-02-01");
    EXPECT_EQ(*zeilen[1][3], "-5000");
    EXPECT_FALSE(zeilen[1][5].has_value());
    EXPECT_EQ(store.value("SELECT ObjTypus FROM ObjDaten WHERE ObjNummer = 7"), "0");  // the schema's default

    const auto plan = store.rows(
        "EXPLAIN QUERY PLAN SELECT sum(BuBetrag) FROM ObjKanzleiBuchungen2003 "
        "WHERE BuObjNr = 1 AND BuKontoNr = '2800' AND BuDatum <= '2003-12-31'");
    ASSERT_FALSE(plan.empty());
    EXPECT_TRUE(plan[0].back()->contains("ObjKanzleiBuchungen2003_ObjKonto")) << plan[0].back()->toStdString();
}

TEST(ImportTables, AFailureInTheMiddleLeavesNoTarget) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    EXPECT_THROW(importTables({"ObjKanzleiBuchungen2003"},
                              [](const QString&) { return std::make_unique<FakeTable>(buchungen(2)); },
                              {{}, ziel, false, {}, nullptr}),
                 Fehler);
    EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir).join(", ").toStdString();
}

TEST(ImportCli, ExitStatusSummaryAndProgress) {
    QTemporaryDir dir;
    const QString ziel = dir.filePath("kunde.db");
    const auto hmzres = [](const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        const auto l = hmz::test::hmzres(QStringList{"import-mdb"} + args, 60000);
        if (out) *out = l.aus.toUtf8();
        if (err) *err = l.fehler.toUtf8();
        return l.status;
    };
    QByteArray out, err;
    EXPECT_EQ(hmzres({"--mdb", Accdb, "--db", ziel}, &out), 0);
    EXPECT_TRUE(out.contains("Asset Items: 65 rows\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("Every value was converted.")) << out.toStdString();
    EXPECT_TRUE(out.contains("holds none of the client tables")) << out.toStdString();

    EXPECT_EQ(hmzres({"--mdb", Accdb, "--db", ziel}, nullptr, &err), 4);
    EXPECT_TRUE(err.contains("--force")) << err.toStdString();
    EXPECT_EQ(hmzres({"--mdb", Accdb, "--db", ziel, "--force"}), 0);
    EXPECT_EQ(hmzres({"--mdb", Accdb}), 2);

    QFile halb(dir.filePath("halb.mdb"));
    QFile quelle(Nwind);
    ASSERT_TRUE(halb.open(QIODevice::WriteOnly) && quelle.open(QIODevice::ReadOnly));
    halb.write(quelle.read(quelle.size() / 2));
    halb.close();
    // A file libmdb alone reads forever, printing one warning without end.
    const QString schleife = beschaedigt(dir, Accdb, "schleife.accdb", 441583, Genullt);
    for (const QString& mdb : {halb.fileName(), schleife}) {
        const auto l = hmz::test::hmzres({"import-mdb", "--mdb", mdb, "--db", dir.filePath("neu.db")}, 10000);
        ASSERT_TRUE(l.beendet) << mdb.toStdString();
        EXPECT_EQ(l.status, 4);
        EXPECT_TRUE(l.fehler.contains("damaged")) << l.fehler.toStdString();
        const QStringList zeilen = l.fehler.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(QSet<QString>(zeilen.begin(), zeilen.end()).size(), zeilen.size()) << l.fehler.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("neu.db")));
    }

    // The first picture of "Categories" starts on page 25; a broken row table
    // there loses that picture: the rest is imported, the loss named, exit 5.
    const QString bild = beschaedigt(dir, Nwind, "bild.mdb", 25 * 2048 + 10, QByteArray("\xff\x1f", 2));
    EXPECT_EQ(hmzres({"--mdb", bild, "--db", dir.filePath("bild.db")}, &out, &err), 5);
    EXPECT_TRUE(out.contains("Not converted (1):\n  Categories, row 1, column Picture: only 0 of 10746 bytes could be read"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("Categories           8 rows")) << out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("bild.db")));
}

TEST(ImportCli, ASignalEndsTheImportWithinASecondAndLeavesNoTarget) {
    // Whatever the import is doing when the signal comes: it ends, and there
    // is either no target or a complete one.
    for (const int ms : {0, 40, 120}) {
        QTemporaryDir dir;
        const QString ziel = dir.filePath("kunde.db");
        QProcess p;
        p.start(QStringLiteral(HMZ_BINARY), {"import-mdb", "--mdb", Accdb, "--db", ziel});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(ms));
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(1500)) << "after " << ms << " ms";
        const QStringList da = entries(dir);
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
            EXPECT_EQ(da, QStringList{"kunde.db"});
        } else {
            // Killed before it could set up its handler, or stopped.
            if (p.exitStatus() == QProcess::NormalExit) EXPECT_EQ(p.exitCode(), 4) << "after " << ms << " ms";
            EXPECT_TRUE(da.isEmpty()) << da.join(", ").toStdString();
        }
    }
}

}  // namespace
