// The database password, the data controls' connect strings and setting 149.
#include "core/fehler.h"
#include "store/datenzugriff.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "shell/oberflaeche.h"
#include "store/sqlite/sqlite_verbindung.h"
#include "entry/verbindung.h"
#include "entry/zustand.h"
#include "fehleranzeige_attrappe.h"
#include "sqlhilfe.h"
#include "testdb.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::db;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class Mitschrift : public Oberflaeche {
public:
    std::vector<Meldung> meldungen;
    Antwort melden(const Meldung& m) override {
        meldungen.push_back(m);
        return Antwort::OK;
    }
};

std::vector<test::Fehlerbericht> berichte;

bool lesbar(const QString& pfad, const QString& connect) {
    try {
        auto db = Engine::instance().OpenDatabase(pfad, false, false, connect);
        auto rs = db->OpenRecordset("SELECT * FROM ObjDaten WHERE ObjNummer = 7");
        return rs->Fields("ObjAnschrift").toString() == QStringLiteral("Hauptstraße 1");
    } catch (const Fehler&) {
        return false;
    }
}

const QString MitPasswort = QStringLiteral(";pwd=gartenzaunes4");

class Verbindung : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Mitschrift ui_;

    void SetUp() override {
        setBusyTimeout(100);
        setzeOberflaeche(&ui_);
        berichte.clear();
        test::FehlerAnzeigeAttrappe::registrieren(berichte);
    }
    void TearDown() override {
        setzeNeuesPasswortHaken(nullptr);
        for (auto* c : formular().datenControls) c->trennen();
        test::FehlerAnzeigeAttrappe::entfernen();
        setzeOberflaeche(nullptr);
        setBusyTimeout(5000);
    }
    QString plainDatei(const char* name = "plain.db") {
        const QString p = dir.filePath(QString::fromUtf8(name));
        testdb::anlegen(p, QString());
        return p;
    }
};

}  // namespace

TEST_F(Verbindung, PlainFileGetsThePasswordAtomically) {
    QString pfad = plainDatei();
    QFile::setPermissions(pfad, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(lesbar(pfad, ";PWD="));

    DBPasswortSichern(pfad);

    EXPECT_TRUE(ui_.meldungen.empty());
    EXPECT_TRUE(lesbar(pfad, MitPasswort));
    EXPECT_FALSE(lesbar(pfad, ";PWD="));
    EXPECT_FALSE(QFile::exists(pfad + ".hmzres-neu"));
    EXPECT_EQ(QFile::permissions(pfad) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    {
        // Neither the version nor the journal mode is copied by the export itself.
        const auto roh = testhilfe::oeffnen(pfad, DatenbankPasswort);
        EXPECT_EQ(testhilfe::spalte(roh.get(), "PRAGMA user_version"), QStringList{"5"});
        EXPECT_EQ(testhilfe::spalte(roh.get(), "PRAGMA journal_mode"), QStringList{"wal"});
    }
    auto db = Engine::instance().OpenDatabase(pfad, false, false, MitPasswort);
    EXPECT_EQ(db->OpenRecordset("SELECT COUNT(*) AS n FROM ObjKanzleiBuchungen2003")->Fields("n"), Variant::lng(14));
    db->Close();

    // The second start finds the password and changes nothing.
    const QByteArray vorher = testdb::pruefsumme(pfad);
    DBPasswortSichern(pfad);
    EXPECT_EQ(testdb::pruefsumme(pfad), vorher);
}

TEST_F(Verbindung, InterruptedConversionLeavesTheOriginal) {
    QString pfad = plainDatei();
    const QByteArray vorher = testdb::pruefsumme(pfad);
    QString kopie;
    setzeNeuesPasswortHaken([&](const QString& k) {
        kopie = k;
        EXPECT_TRUE(QFileInfo(k).size() > 0);
        throw Fehler(nr::Allgemein, QStringLiteral("Absturz simuliert"));
    });

    Set_DBPassword(pfad);

    // Not one of the quietly skipped numbers: the message box, then nothing else.
    ASSERT_EQ(ui_.meldungen.size(), 1u);
    const Meldung& m = ui_.meldungen[0];
    EXPECT_EQ(m.titel, "An Error has Occured!");
    EXPECT_EQ(m.symbol, Symbol::Stopp);
    EXPECT_EQ(m.knoepfe, Knoepfe::OK);
    EXPECT_EQ(m.text, "The following error has occured.\r\n\r\nError Number: 3146\r\nError Source: Set_DBPassword\r\n"
                      "Error Description: Absturz simuliert");
    EXPECT_EQ(testdb::pruefsumme(pfad), vorher);
    EXPECT_TRUE(lesbar(pfad, ";PWD="));
    EXPECT_FALSE(kopie.isEmpty());
    EXPECT_FALSE(QFile::exists(kopie));

    // A copy left by a real crash does not stand in the way of the next start.
    {
        QFile rest(kopie);
        ASSERT_TRUE(rest.open(QIODevice::WriteOnly));
        rest.write("halb geschrieben");
    }
    setzeNeuesPasswortHaken(nullptr);
    DBPasswortSichern(pfad);
    EXPECT_TRUE(lesbar(pfad, MitPasswort));
    EXPECT_FALSE(QFile::exists(kopie));
}

TEST_F(Verbindung, FilesThatCannotTakeThePasswordAreLeftQuietly) {
    QString andere = dir.filePath("andere.db");
    testdb::anlegen(andere, QStringLiteral("anderes"));
    QString fehlt = dir.filePath("fehlt.db");
    QString gesperrt = plainDatei("gesperrt.db");

    // Another process holds the file exclusively.
    sqlite3* fremd = nullptr;
    ASSERT_EQ(sqlite3_open_v2(gesperrt.toUtf8().constData(), &fremd, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    testdb::exec(fremd, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;");

    for (QString* p : {&andere, &fehlt, &gesperrt}) {
        SCOPED_TRACE(p->toStdString());
        const QByteArray vorher = testdb::pruefsumme(*p);
        DBPasswortSichern(*p);
        EXPECT_TRUE(ui_.meldungen.empty());
        EXPECT_EQ(testdb::pruefsumme(*p), vorher);
    }
    EXPECT_FALSE(QFile::exists(fehlt));
    sqlite3_close(fremd);

    // A reader in the middle of a transaction: the exclusive open fails with
    // "file already in use", which is not among the quiet numbers.
    sqlite3* leser = nullptr;
    ASSERT_EQ(sqlite3_open_v2(gesperrt.toUtf8().constData(), &leser, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    testdb::exec(leser, "BEGIN; SELECT COUNT(*) FROM ObjDaten;");
    const QByteArray vorher = testdb::pruefsumme(gesperrt);
    Set_DBPassword(gesperrt);
    ASSERT_EQ(ui_.meldungen.size(), 1u);
    EXPECT_TRUE(ui_.meldungen[0].text.contains("Error Number: 3045\r\n"));
    EXPECT_EQ(testdb::pruefsumme(gesperrt), vorher);
    sqlite3_close(leser);

    // A folder: not a database at all, reported.
    QDir(dir.path()).mkdir("ordner");
    QString ordner = dir.filePath("ordner");
    Set_DBPassword(ordner);
    ASSERT_EQ(ui_.meldungen.size(), 2u);
    EXPECT_TRUE(ui_.meldungen[1].text.contains("Error Number: 3044\r\n"));
}

TEST_F(Verbindung, DataControlsGetFormatAndPassword) {
    struct Fall {
        Variant element4;
        QString connect;
        QString danach;
    } faelle[] = {
        {Variant::string("Access 2000;"), "Access 2000;pwd=gartenzaunes4;", "Access 2000;"},
        {Variant(), "Access;pwd=gartenzaunes4;", "Access;"},
        {Variant::string("access 2000;"), "Access;pwd=gartenzaunes4;", "Access;"},
    };
    QString pfad = plainDatei();
    auto& f = formular();
    for (const auto& fall : faelle) {
        aufruf().AufrufParameter = VariantArray::leer(0, 100);
        aufruf().AufrufParameter.at(4) = fall.element4;
        for (auto* c : f.datenControls) {
            c->DatabaseName = pfad;
            c->Connect = "Access";
        }
        DatenControlsVerbinden(f);
        for (auto* c : f.datenControls) EXPECT_EQ(c->Connect, fall.connect);
        EXPECT_EQ(aufruf().AufrufParameter.at(4).toString(), fall.danach);
    }
    // The plain file has been given the password on the way.
    EXPECT_TRUE(lesbar(pfad, MitPasswort));
    EXPECT_TRUE(ui_.meldungen.empty());
    f.AeData.RecordSource = "SELECT * FROM AllgEinstellungen";
    f.AeData.Refresh();
    EXPECT_TRUE(f.AeData.recordset().Eof());
}

TEST_F(Verbindung, EuroSettingIsCreatedReadAndStored) {
    QString pfad = dir.filePath("mandant.db");
    testdb::anlegen(pfad, DatenbankPasswort);
    auto& f = formular();
    aufruf().AufrufParameter = VariantArray::leer(0, 100);
    for (auto* c : f.datenControls) c->DatabaseName = pfad;
    DatenControlsVerbinden(f);
    const auto db = Engine::instance().OpenDatabase(pfad, false, false, MitPasswort);
    auto wert = [&](int nr) {
        return db->OpenRecordset(QStringLiteral("SELECT AllgEinstWert, AllgEinstText FROM AllgEinstellungen WHERE "
                                                "AllgEinstNr = %1").arg(nr));
    };

    f.EurAtsAusweisen = false;
    EXPECT_EQ(AESelect(), 1);  // missing row: created with 1
    EXPECT_EQ(wert(149)->Fields("AllgEinstText").toString(), "HauptMzRes Euro ausweisen (1=ausweisen)");
    db->Execute("UPDATE AllgEinstellungen SET AllgEinstWert = 5 WHERE AllgEinstNr = 149");
    EXPECT_EQ(AESelect(), 1);  // any value but 0 means on

    // Someone deleted the row between start-up and run: it is added again,
    // instead of overwriting whatever row happens to be current.
    db->Execute("DELETE FROM AllgEinstellungen");
    db->Execute("INSERT INTO AllgEinstellungen VALUES (150, 3, 'andere Einstellung')");
    f.AeData.RecordSource = "SELECT * FROM AllgEinstellungen";
    f.AeData.Refresh();
    euroEinstellungSpeichern(0);
    EXPECT_EQ(wert(150)->Fields("AllgEinstWert"), Variant::lng(3));
    EXPECT_EQ(wert(149)->Fields("AllgEinstWert"), Variant::lng(0));
    EXPECT_EQ(AESelect(), 0);
    EXPECT_TRUE(berichte.empty());
}

TEST_F(Verbindung, SettingsOperationsReportTheirErrors) {
    auto& f = formular();
    for (auto* c : f.datenControls) {
        c->DatabaseName = dir.filePath("fehlt.db");
        c->Connect = "Access;pwd=gartenzaunes4;";
    }
    f.EurAtsAusweisen = true;
    EXPECT_EQ(AESelect(), 1);  // keeps its value
    // The failed open is reported once, not followed by "no object" for each later step.
    ASSERT_EQ(berichte.size(), 1u);
    EXPECT_EQ(berichte[0].nummer, nr::DateiNichtGefunden);
    EXPECT_EQ(berichte[0].quelle, "kmoHauptMzRes, in AESelect");

    berichte.clear();
    MandSelect();
    ASSERT_EQ(berichte.size(), 1u);
    EXPECT_EQ(berichte[0].nummer, nr::DateiNichtGefunden);
    EXPECT_EQ(berichte[0].quelle, "kmoHauptmzRes, in MandSelect");
    EXPECT_EQ(f.MA_Data.RecordSource, "SELECT * FROM AllgMandDaten; ");

    const QString pfad = dir.filePath("mandant.db");
    testdb::anlegen(pfad, DatenbankPasswort);
    for (auto* c : f.datenControls) c->DatabaseName = pfad;
    berichte.clear();
    MandSelect();
    EXPECT_TRUE(berichte.empty());
    EXPECT_EQ(f.MA_Data.recordset().Fields("MandEurKurs"), Variant::currency(*Currency::parse("13.7603")));
    EXPECT_EQ(f.MA_Data.recordset().Fields("mandname").toString(), "Hausverwaltung Muster");
}
