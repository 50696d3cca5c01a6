// The data access layer on a real SQLCipher file, driven with the SQL texts
// exactly as the component concatenates them.
#include "core/fehler.h"
#include "schreibschutz.h"
#include "store/datenzugriff.h"
#include "store/schema.h"
#include "store/sqldialekt.h"
#include "sqlhilfe.h"
#include "store/sqlite/sqlite_verbindung.h"
#include "programm.h"
#include "speicher.h"
#include "testdb.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <chrono>
#include <thread>
#include <sys/stat.h>

using namespace hmz;
using namespace hmz::db;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString Passwort = QStringLiteral("gartenzaunes4");
const QString Connect = QStringLiteral("Access;pwd=gartenzaunes4;");

template <typename F>
long fehlerVon(F&& f) {
    try {
        f();
    } catch (const Fehler& e) {
        return e.Nummer();
    }
    return 0;
}

Currency betrag(const char* text) { return *Currency::parse(text); }

const QString Buchungen = QStringLiteral(" FROM ObjKanzleiBuchungen2003 WHERE BuObjNr = 7 AND (isnull(BuKorrKZ) or "
                                         "rtrim(BuKorrKZ) = '') AND NOT BuArt = '90'");

QString sollHaben(const QString& jahr) {
    const QString tabelle = QStringLiteral(" FROM ObjKanzleiBuchungen") + jahr;
    return QStringLiteral("SELECT (SELECT SUM(buBetrag)") + tabelle + " WHERE BuSH = 'S') as SummeSoll, " +
           "(SELECT SUM(buBetrag)" + tabelle + " where BuSH = 'H') as SummeHaben";
}

// The test client in a store: a file, or the same rows copied to the
// server (the copy writes amounts as the server keeps them).
class DatenzugriffBasis : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString pfad;  // the file, or the server URI
    std::unique_ptr<Database> db;
    std::optional<test::TestSpeicher> server;

    void anlegen(test::Speicherart art) {
        const QString datei = dir.filePath(QStringLiteral("mandant.db"));
        testdb::anlegen(datei, Passwort);
        pfad = datei;
        if (art == test::Speicherart::Server) {
            server.emplace(art);
            HMZ_SPEICHER_ODER_UEBERSPRINGEN(*server);
            const auto kopie = test::hmzres({"copy", "--from", datei, "--to", server->name()});
            ASSERT_EQ(kopie.status, 0) << kopie.fehler.toStdString();
            pfad = server->name();
        }
        db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    }
    void TearDown() override {
        if (db) db->Close();
    }

    std::vector<std::vector<Variant>> zeilen(const QString& sql, const QStringList& felder) {
        auto rs = db->OpenRecordset(sql);
        std::vector<std::vector<Variant>> out;
        while (!rs->Eof()) {
            std::vector<Variant> z;
            for (const auto& f : felder) z.push_back(rs->Fields(f));
            out.push_back(std::move(z));
            rs->MoveNext();
        }
        return out;
    }
};

// What only a file has: paths, locks, journal, SQLite's plans.
class Datenzugriff : public DatenzugriffBasis {
protected:
    void SetUp() override { anlegen(test::Speicherart::Datei); }
};

// What every store does alike.
class DatenzugriffJeSpeicher : public DatenzugriffBasis, public ::testing::WithParamInterface<test::Speicherart> {
protected:
    void SetUp() override { anlegen(GetParam()); }
};

}  // namespace

// What the reference statements' data do not contain: the zero date as a
// column default, an account without bookings, account numbers with trailing
// characters, an empty or missing year, sums beyond the currency's range.
TEST_P(DatenzugriffJeSpeicher, QueryCasesBeyondTheReferenceData) {
    auto spalte = [&](const QString& sql, const char* feld) {
        std::vector<Variant> out;
        for (const auto& z : zeilen(sql, {feld})) out.push_back(z[0]);
        return out;
    };
    // 8 ended in June, 9 has type 1; 11 has the column's default, the zero date.
    std::set<long> objekte;
    for (const Variant& v : spalte("SELECT ObjNummer FROM ObjDaten WHERE ObjTypus = 0 AND (ObjGueltigBisDatum >= "
                                   "datevalue('31.12.2003') or ObjGueltigBisDatum = 0)", "ObjNummer"))
        objekte.insert(v.toLong());
    EXPECT_EQ(objekte, (std::set<long>{7, 10, 11}));

    // Correction mark "K" and kind '90' are left out, a blank mark is not; no booking is Null.
    const auto salden = spalte("SELECT (SELECT SUM(BuBetrag * BuShVorzeichen) AS SSS " + Buchungen +
                                   " AND BuKontoNr = KontoNr) as KontoSaldo, KontoNr FROM ObjKanzleiKontenstamm "
                                   "WHERE KontoJJ = 2003 AND KontoHmzresPos between 1 AND 49 ORDER BY KontoHmzresPos",
                               "KontoSaldo");
    ASSERT_EQ(salden.size(), 4u);
    EXPECT_EQ(salden[0], Variant::currency(betrag("1600.51")));
    EXPECT_EQ(salden[2], Variant::currency(betrag("-250.25")));
    EXPECT_TRUE(salden[3].istNull());

    // rtrim: trailing blanks of the stored account number do not matter, other characters do.
    long nr = 20;
    for (const char* konto : {"4000  ", "4000!", "4000 x"})
        db->Execute("INSERT INTO ObjKanzleiBuchungen2003 VALUES (?, 7, ?, '2003-05-05', 20, 'a', NULL, 1, 'H', 1, NULL, '10')",
                    {Variant::lng(nr++), Variant::string(konto)});
    std::vector<Variant> belege;
    for (const auto& z : zeilen("SELECT BuNr, BuBetrag" + Buchungen + " AND rtrim(BuKontoNr) = '4000' ORDER BY BuDatum",
                                {"BuNr"}))
        belege.push_back(z[0]);
    EXPECT_EQ(belege, (std::vector<Variant>{Variant::lng(1), Variant::lng(2), Variant::lng(5), Variant::lng(20),
                                             Variant::lng(14)}));

    // Months in order on every store (a server groups by hashing), a month summing to 0 kept.
    QList<long> monate;
    std::vector<Variant> summen;
    for (const auto& z : zeilen("SELECT SUM(BuBetrag * BuSHVorzeichen) AS S, datepart('m', BuDatum) AS M" + Buchungen +
                                    " AND rtrim(BuKontoNr) = '4100' GROUP BY datepart('m', BuDatum) "
                                    "ORDER BY datepart('m', BuDatum)",
                                {"M", "S"})) {
        monate << z[0].toLong();
        summen.push_back(z[1]);
    }
    EXPECT_EQ(monate, (QList<long>{3, 5, 6}));
    EXPECT_EQ(summen, (std::vector<Variant>{Variant::currency(betrag("150")), Variant::currency(betrag("30")),
                                            Variant::currency(Currency())}));

    auto summe = [&](const QString& jahr) { return db->OpenRecordset(sollHaben(jahr))->Fields("SummeSoll"); };
    EXPECT_EQ(summe("2003"), Variant::currency(betrag("260.25")));
    EXPECT_EQ(fehlerVon([&] { summe("2002"); }), nr::TabelleFehlt);
    for (const auto& sql : schemaBuchungsjahr(2004)) db->Execute(sql);
    EXPECT_TRUE(summe("2004").istNull());  // no postings: Null, not 0
    // Sums stay exact and overflow is an error, never a wrap.
    for (int nr : {1, 2})
        db->Execute("INSERT INTO ObjKanzleiBuchungen2004 VALUES (?, 7, '4000', '2004-01-01', 1, 'a', NULL, ?, 'S', -1, NULL, '10')",
                    {Variant::lng(nr), Variant::currency(Currency::fromRaw(9000000000000000000))});
    EXPECT_EQ(fehlerVon([&] { summe("2004"); }), fehlernr::Ueberlauf);
}

// A property's bookings of an account are found through the index, which a
// file made without it gets back; the balance check reads the small index.
TEST_F(Datenzugriff, BookingQueriesUseTheIndex) {
    class Schema : public SchemaInfo {
        bool isDateColumn(QStringView n) const override { return n.compare(u"BuDatum", Qt::CaseInsensitive) == 0; }
        bool isCurrencyColumn(QStringView) const override { return false; }
        bool isTable(QStringView) const override { return false; }
        bool isTextColumn(QStringView n) const override { return n.compare(u"BuKontoNr", Qt::CaseInsensitive) == 0; }
    } schema;
    auto plan = [&](const QString& sql) {
        const auto roh = testhilfe::oeffnen(pfad, Passwort);
        return testhilfe::spalte(roh.get(), "EXPLAIN QUERY PLAN " + translate(sql, schema).sql, 3).join(u'\n');
    };
    const QString konto = "SELECT SUM(BuBetrag)" + Buchungen + " AND rtrim(BuKontoNr) = '4000' AND BuDatum "
                          "BETWEEN datevalue('01.01.2003') AND datevalue('31.12.2003')";
    EXPECT_TRUE(plan(konto).contains("USING INDEX ObjKanzleiBuchungen2003_ObjKonto (BuObjNr=? AND BuKontoNr>?"))
        << plan(konto).toStdString();
    db->Execute("DROP INDEX ObjKanzleiBuchungen2003_ObjKonto");
    EXPECT_FALSE(plan(konto).contains("USING INDEX"));
    buchungsIndexSicherstellen(*db, 2003);
    buchungsIndexSicherstellen(*db, 1999);  // no such year: nothing to do
    EXPECT_TRUE(plan(konto).contains("USING INDEX ObjKanzleiBuchungen2003_ObjKonto"));
    EXPECT_EQ(fehlerVon([&] { db->OpenRecordset("SELECT * FROM ObjKanzleiBuchungen1999"); }), nr::TabelleFehlt);
    const QString sh = plan(sollHaben("2003"));
    EXPECT_EQ(sh.count("USING COVERING INDEX ObjKanzleiBuchungen2003_SH"), 2) << sh.toStdString();
}

TEST_P(DatenzugriffJeSpeicher, RecordsetOperations) {
    auto rs = db->OpenRecordset("SELECT * FROM ObjDaten ORDER BY ObjNummer");
    EXPECT_FALSE(rs->Bof());
    rs->FindFirst("ObjNummer = 10");
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields("ObjAnschrift").toString(), "Weg 4");
    rs->FindFirst("ObjNummer = 99");
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(rs->Fields("ObjNummer"), Variant::lng(10));  // position kept
    rs->FindFirst("ObjTypus = 0 AND ObjGueltigBisDatum > datevalue('01.01.2004')");
    EXPECT_EQ(rs->Fields("ObjNummer"), Variant::lng(10));
    EXPECT_EQ(fehlerVon([&] { rs->FindFirst("Unbekannt = 1"); }), nr::FeldFehlt);

    EXPECT_EQ(fehlerVon([&] { rs->SetField("ObjOrt", Variant::string("x")); }), nr::Aktualisierung);
    rs->Edit();
    rs->SetField("ObjHvStatusDatum", Variant::date(QDate(2003, 11, 30)));
    EXPECT_EQ(rs->Fields("ObjHvStatusDatum"), Variant::date(QDate(2003, 11, 30)));  // the edit buffer
    rs->Update();
    auto geprueft = db->OpenRecordset("SELECT ObjHvStatusDatum FROM ObjDaten WHERE ObjNummer = 10");
    EXPECT_EQ(geprueft->Fields("ObjHvStatusDatum"), Variant::date(QDate(2003, 11, 30)));

    // Moving away cancels an edit.
    rs->MoveFirst();
    rs->Edit();
    rs->SetField("ObjOrt", Variant::string("verworfen"));
    rs->MoveNext();
    EXPECT_EQ(fehlerVon([&] { rs->Update(); }), nr::Aktualisierung);

    auto leer = db->OpenRecordset("SELECT * FROM ObjDaten WHERE ObjNummer = 4711");
    EXPECT_TRUE(leer->Eof() && leer->Bof());
    EXPECT_EQ(fehlerVon([&] { leer->Edit(); }), nr::KeinAktuellerDatensatz);
    EXPECT_EQ(fehlerVon([&] { db->OpenRecordset(sollHaben("2003"))->AddNew(); }), nr::NurLesen);

    // A key that exists already: the file refuses it; the server stores the
    // new row over it, so that two programs adding one year row both succeed.
    auto doppelt = db->OpenRecordset("SELECT * FROM ObjDaten WHERE ObjNummer = 7");
    doppelt->AddNew();
    doppelt->SetField("ObjNummer", Variant::lng(8));
    doppelt->SetField("ObjAnschrift", Variant::string("neu"));
    const bool datei = GetParam() == test::Speicherart::Datei;
    EXPECT_EQ(fehlerVon([&] { doppelt->Update(); }), datei ? nr::DoppelterSchluessel : 0);
    EXPECT_EQ(db->OpenRecordset("SELECT ObjAnschrift FROM ObjDaten WHERE ObjNummer = 8")->Fields("ObjAnschrift").toString(),
              datei ? "Gasse 2" : "neu");
}

bool teilen(Database& x, Database& y) {
    Transaktion t(x, Transaktion::Art::Lesen);
    return fehlerVon([&] { Transaktion u(y, Transaktion::Art::Lesen); }) == nr::OhneTransaktion;
}

TEST_P(DatenzugriffJeSpeicher, DataControlsShareOneConnectionAndHoldNoResultAfterAFailure) {
    DataControl a, b;
    for (DataControl* c : {&a, &b}) {
        c->DatabaseName = pfad;
        c->Connect = Connect;
    }
    EXPECT_FALSE(a.hatRecordset());
    EXPECT_EQ(fehlerVon([&] { a.recordset(); }), 91);
    a.RecordSource = "SELECT * FROM AllgMandDaten; ";
    a.Refresh();
    b.RecordSource = "SELECT * FROM ObjDaten";
    b.Refresh();
    EXPECT_TRUE(teilen(a.database(), b.database()));
    EXPECT_TRUE(teilen(a.database(), *db));  // the open database shares it too
    EXPECT_EQ(a.recordset().Fields("MandEurKurs"), Variant::currency(betrag("13.7603")));
    EXPECT_EQ(a.recordset().Fields("MandMonStatusDatum"), Variant::date(QDate(2003, 12, 31)));

    a.RecordSource = "SELECT * FROM Fehlt";
    EXPECT_EQ(fehlerVon([&] { a.Refresh(); }), nr::TabelleFehlt);
    EXPECT_EQ(fehlerVon([&] { a.recordset(); }), 91);  // the previous result is not there to be misread

    // Another file: the control follows its DatabaseName.
    a.RecordSource = "SELECT * FROM AllgMandDaten";
    const QString zweite = dir.filePath("zweite.db");
    testdb::anlegen(zweite, Passwort, false);
    a.DatabaseName = zweite;
    a.Refresh();
    EXPECT_TRUE(a.recordset().Eof());
    EXPECT_FALSE(teilen(a.database(), b.database()));
    a.trennen();
    b.trennen();
}

TEST_F(Datenzugriff, BadPathsGiveClearNumbersAndLeaveFilesAlone) {
    db->Close();
    db.reset();
    const QString text = dir.filePath("notiz.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Das ist keine Datenbank.\n");
    }
    const QString plain = dir.filePath("plain.db");
    testdb::anlegen(plain, QString());
    const QString andere = dir.filePath("andere.db");
    testdb::anlegen(andere, QStringLiteral("anderes"));
    QDir(dir.path()).mkdir("ordner");

    struct Fall {
        QString datei;
        QString connect;
        bool exklusiv;
        long nummer;
    } faelle[] = {
        {dir.filePath("fehlt.db"), Connect, false, nr::DateiNichtGefunden},
        {QString(), Connect, false, nr::DateiNichtGefunden},
        {dir.filePath("ordner"), Connect, false, nr::KeinGueltigerPfad},
        {text, ";PWD=", true, nr::KeineDatenbank},
        {andere, Connect, false, nr::KeinGueltigesPasswort},
        {plain, ";pwd=gartenzaunes4", false, nr::KeinGueltigesPasswort},
        {pfad, ";PWD=", true, nr::KeinGueltigesPasswort},
        {pfad, "Access 2000;pwd=gartenzaunes4;", false, 0},
        {plain, ";PWD=", false, 0},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE((f.datei + " " + f.connect).toStdString());
        const QByteArray vorher = testdb::pruefsumme(f.datei);
        EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(f.datei, f.exklusiv, false, f.connect)->Close(); }), f.nummer);
        EXPECT_EQ(testdb::pruefsumme(f.datei), vorher);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("fehlt.db")));
    EXPECT_EQ(fehlerVon([&] { Engine::instance().CreateDatabase(pfad, Passwort); }), nr::DatenbankExistiert);
}

// A database whose folder cannot be written (SQLite cannot create its
// journal there) names the folder, in German, with the engine's number; a run
// can ask before its work.
TEST_F(Datenzugriff, AFolderThatCannotBeWrittenIsNamed) {
    db->Close();
    db.reset();
    const QString grund = "im Ordner '" + QFileInfo(pfad).absolutePath() + "' können keine Dateien angelegt werden";
    const auto meldung = [](const std::function<void()>& tun) {
        try {
            tun();
        } catch (const Fehler& e) {
            return QStringLiteral("%1 %2").arg(e.Nummer()).arg(e.Beschreibung());
        }
        return QString();
    };
    {
        // With its log files in place a protected folder would not stop the write.
        QFile::remove(pfad + "-wal");
        QFile::remove(pfad + "-shm");
        test::Schreibschutz schutz(QFileInfo(pfad).absolutePath());
        if (!schutz.wirksam()) GTEST_SKIP() << "no write protection for root on this file system";
        const QString vorab = meldung([&] { schreibbarPruefen(pfad); });
        EXPECT_TRUE(vorab.startsWith("3027 Aktualisieren nicht möglich: " + grund)) << vorab.toStdString();
        const QString schreiben = meldung([&] {
            Engine::instance().OpenDatabase(pfad, false, false, Connect)->Execute("UPDATE ObjDaten SET ObjPlz = '1010'");
        });
        EXPECT_TRUE(schreiben.startsWith("3051 Die Datei '" + pfad + "' kann nicht geöffnet werden: " + grund))
            << schreiben.toStdString();
    }
    EXPECT_EQ(meldung([&] { schreibbarPruefen(pfad); }), QString());
}

TEST_F(Datenzugriff, ExclusiveOpenExcludesOthers) {
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, true, false, Connect); }), nr::Gesperrt);
    db->Close();
    auto exklusiv = Engine::instance().OpenDatabase(pfad, true, false, Connect);
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, false, false, Connect); }), nr::ExklusivGeoeffnet);
    EXPECT_EQ(fehlerVon([&] { exklusiv->NewPassword("falsch", "neu"); }), nr::KeinGueltigesPasswort);
    exklusiv->Close();
    db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    EXPECT_EQ(fehlerVon([&] { db->NewPassword(Passwort, "neu"); }), nr::NichtExklusiv);
}

// Others get no permission on a client or its side files; the group bits follow the umask.
TEST_F(Datenzugriff, ClientFilesGiveOthersNoPermission) {
    const mode_t umask = ::umask(002);
    // Qt's user, group and other flags: one hex digit each.
    const auto modus = [&](const QString& name) { return int(QFileInfo(dir.filePath(name)).permissions() & 0x0fff); };
    auto neu = Engine::instance().CreateDatabase(dir.filePath("neu.db"), Passwort);
    neu->Execute("CREATE TABLE t (x INTEGER)");
    auto ladung = Engine::instance().NeuerMandant(dir.filePath("geladen.db"), Passwort, false);
    ladung->Execute("CREATE TABLE t (x INTEGER)");
    const QStringList laufend = QDir(dir.path()).entryList({".geladen.db.neu-*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(laufend.size(), 1);
    EXPECT_EQ(modus(laufend[0]), 0x0600);  // owner read and write
    ladung->Fertig();
    for (const char* name : {"neu.db", "neu.db-wal", "neu.db-shm", "geladen.db"}) EXPECT_EQ(modus(name), 0x0660) << name;
    neu->Close();
    ::umask(umask);
}

TEST_F(Datenzugriff, FilesAreWrittenAheadFromCreationAndOlderOnesFromTheirFirstWritingOpen) {
    auto modus = [](sqlite3* h) { return testhilfe::spalte(h, "PRAGMA journal_mode").value(0); };
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*db)), "wal");
    db->Close();
    db.reset();
    // A file made before: rollback journal until it is first opened for writing.
    testdb::exec(hmz::testhilfe::verbinden(pfad, Passwort, false).get(), "PRAGMA journal_mode = DELETE");
    auto lesen = Engine::instance().OpenDatabase(pfad, false, true, Connect);
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*lesen)), "delete");
    lesen->Close();
    db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*db)), "wal");
    EXPECT_EQ(db->OpenRecordset("SELECT COUNT(*) AS n FROM ObjKanzleiBuchungen2003")->Fields("n"), Variant::lng(14));
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, false, true, ";PWD=")->Close(); }),
              nr::KeinGueltigesPasswort);  // still encrypted
}

TEST_P(DatenzugriffJeSpeicher, TransactionGuardCommitsOnlyWhenToldAndNeverLeavesOneOpen) {
    auto objekte = [&] {
        auto anderer = Engine::instance().OpenDatabase(pfad, false, true, Connect);  // read-only: a connection of its own
        return anderer->OpenRecordset("SELECT COUNT(*) AS n FROM ObjDaten")->Fields("n").toLong();
    };
    const auto vorher = objekte();
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (100)");
    }
    EXPECT_EQ(objekte(), vorher);
    EXPECT_EQ(fehlerVon([&] {
                  Transaktion t(*db);
                  db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (101)");
                  db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (7)");
                  t.commit();
              }),
              nr::DoppelterSchluessel);
    EXPECT_EQ(objekte(), vorher);
    EXPECT_EQ(fehlerVon([&] { db->CommitTrans(); }), nr::OhneTransaktion);  // none left open
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (102)");
        EXPECT_EQ(objekte(), vorher);  // not before the commit
        t.commit();
    }
    EXPECT_EQ(objekte(), vorher + 1);
    if (GetParam() != test::Speicherart::Datei) return;

    sqlite3* h = sqliteHandle(*db);
    // A COMMIT that fails (a deferred key check) is reported and rolled back.
    testdb::exec(h, "PRAGMA foreign_keys = ON; CREATE TABLE Kind (ObjNr INTEGER REFERENCES ObjDaten (ObjNummer) "
                    "DEFERRABLE INITIALLY DEFERRED)");
    EXPECT_NE(fehlerVon([&] {
                  Transaktion t(*db);
                  db->Execute("INSERT INTO Kind VALUES (999)");
                  t.commit();
              }),
              0);
    EXPECT_NE(sqlite3_get_autocommit(h), 0);
    // The engine ended a transaction behind the layer's back: a commit says so.
    db->BeginTrans();
    testdb::exec(h, "ROLLBACK");
    EXPECT_EQ(fehlerVon([&] { db->CommitTrans(); }), nr::Allgemein);
    // The next transaction is a real one, not a savepoint in a dead one.
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (103)");
        t.commit();
    }
    EXPECT_EQ(objekte(), vorher + 2);
}

// A transaction is its handle's, one left open is rolled back and reported; a
// failed statement spoils nothing after it; a commit that saved nothing fails;
// year results are written by key, here in a table made by hand without it.
TEST_P(DatenzugriffJeSpeicher, TransactionsBelongToTheirHandleAndYearResultsAreWrittenByKey) {
    db->Execute("DROP TABLE ObjHmzResJahresSummen");
    db->Execute("CREATE TABLE ObjHmzResJahresSummen (HmzObjNr INTEGER, HmzJahr INTEGER, HmzHMZOhneEHB CURRENCY, HmzVereinnEHB CURRENCY)");
    auto ergebnisse = [&] { return zeilen("SELECT HmzHMZOhneEHB FROM ObjHmzResJahresSummen ORDER BY HmzObjNr", {"HmzHMZOhneEHB"}); };
    auto zweiter = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    db->BeginTrans();
    EXPECT_EQ(fehlerVon([&] { Transaktion u(*zweiter); }), nr::OhneTransaktion);
    EXPECT_EQ(fehlerVon([&] { zweiter->CommitTrans(); }) + fehlerVon([&] { zweiter->Rollback(); }), 2 * nr::OhneTransaktion);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(fehlerVon([&] { db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (7)"); }), nr::DoppelterSchluessel);
    for (const char* wert : {"12.3456", "-0.0001"}) db->JahresergebnisSchreiben(7, 2003, betrag(wert), betrag("1"));
    db->CommitTrans();
    int gemeldet = 0;
    const auto melder = setzeTransaktionsMelder([&](const Fehler&) { ++gemeldet; });
    zweiter->BeginTrans();
    zweiter->JahresergebnisSchreiben(7, 2003, betrag("5"), betrag("5"));
    zweiter.reset();
    setzeTransaktionsMelder(melder);
    EXPECT_EQ(gemeldet, 1);
    db->BeginTrans();
    db->JahresergebnisSchreiben(8, 2003, betrag("2"), betrag("2"));
    EXPECT_EQ(fehlerVon([&] { db->Zeilen("SELECT * FROM Fehlt", [](const auto&) {}); }), nr::TabelleFehlt);
    const bool gespeichert = fehlerVon([&] { db->CommitTrans(); }) == 0;
    EXPECT_EQ(ergebnisse().size(), gespeichert ? 2u : 1u);
    EXPECT_EQ(ergebnisse().front(), std::vector<Variant>{Variant::currency(betrag("-0.0001"))});
}

TEST_F(Datenzugriff, AnotherProgramsWritesAreWaitedForAndNeverHeldUpByAHalfReadResult) {
    sqlite3* h = hmz::db::sqliteHandle(*db);
    auto fremd = hmz::testhilfe::verbinden(pfad, Passwort, false);
    // A result read only in part, then another program's commit: our next
    // write transaction neither fails at once nor misses that commit.
    auto objekte = db->OpenRecordset("SELECT * FROM ObjDaten ORDER BY ObjNummer");
    EXPECT_EQ(objekte->Fields("ObjNummer"), Variant::lng(7));
    testdb::exec(fremd.get(), "UPDATE AllgMandDaten SET MandOrt = 'Linz'");
    {
        Transaktion t(*db);
        db->Execute("UPDATE AllgMandDaten SET MandName2 = 'zwei'");
        t.commit();
    }
    EXPECT_EQ(db->OpenRecordset("SELECT MandOrt FROM AllgMandDaten")->Fields("MandOrt").toString(), "Linz");

    // A writer busy for a moment is waited for.
    testdb::exec(fremd.get(), "BEGIN IMMEDIATE; UPDATE AllgMandDaten SET MandOrt = 'Graz'");
    std::thread andererSchreiber([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        testdb::exec(fremd.get(), "COMMIT");
    });
    {
        Transaktion t(*db);
        db->Execute("UPDATE AllgMandDaten SET MandName3 = 'drei'");
        t.commit();
    }
    andererSchreiber.join();

    // Only when the wait runs out: 3045, saying what to do.
    testdb::exec(fremd.get(), "BEGIN IMMEDIATE");
    sqlite3_busy_timeout(h, 100);
    for (const auto& schreiben : std::vector<std::function<void()>>{
             [&] { Transaktion t(*db); },
             [&] { db->Execute("UPDATE AllgMandDaten SET MandOrt = 'Wels'"); }}) {
        try {
            schreiben();
            ADD_FAILURE() << "no error";
        } catch (const Fehler& e) {
            EXPECT_EQ(e.Nummer(), nr::Gesperrt);
            EXPECT_TRUE(e.Beschreibung().contains("von einem anderen Programm benutzt")) << e.Beschreibung().toStdString();
        }
    }
    testdb::exec(fremd.get(), "ROLLBACK");
    sqlite3_busy_timeout(h, busyTimeout());
    EXPECT_EQ(db->OpenRecordset("SELECT MandOrt || MandName3 AS x FROM AllgMandDaten")->Fields("x").toString(), "Grazdrei");
}

INSTANTIATE_TEST_SUITE_P(Speicher, DatenzugriffJeSpeicher, testing::Values(test::Speicherart::Datei, test::Speicherart::Server),
                         test::speicherName);
