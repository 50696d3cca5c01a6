// The hmzres command line as a user runs it: exit statuses, help and
// refusals of every command; "init", "print", "demo" and "export" with their
// stderr texts and outputs; and no command writes over its own input.
#include "../bench/generator.h"
#include "programm.h"
#include "schreibschutz.h"
#include "speicher.h"
#include "sqlhilfe.h"
#include "testmandant.h"

#include "entry/zustand.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

#include <csignal>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

using namespace hmz::test;

namespace {

QByteArray pruefsumme(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}


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

// An imbalance stops the run unless told to continue; then it prints and stores the year rows.
TEST_F(PrintBefehl, AnImbalanceStopsUnlessToldToContinueThenItPrintsAndStores) {
    mandant->buchung(8, "4000", QDate(2003, 6, 1), eur("0.01"));
    mandant->schliessen();
    auto r = hmzres(args());
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.fehler.contains("Summe Soll:     1.234,50\r\nSumme Haben: 1.234,51\r\nDifferenz: -0,01\r\n")) << qPrintable(r.fehler);
    EXPECT_TRUE(r.fehler.endsWith("\"NEIN\" klicken\nhmzres: angehalten; mit --on-imbalance continue werden die Abrechnungen trotzdem gedruckt\n"))
        << qPrintable(r.fehler);
    EXPECT_FALSE(QFile::exists(pdf));

    r = hmzres(args("1-99", "01.2003-31.12.2003") << "--no-eur-ats" << "--on-imbalance" << "continue");
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    EXPECT_TRUE(r.aus.contains("Laufende Objekt-Nr: 00007"));
    EXPECT_TRUE(r.aus.endsWith("Fertig: 2 Abrechnungen gedruckt; Jahresergebnisse gespeichert: 2\n")) << qPrintable(r.aus);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QString::fromUtf8("Hauptmietzinsreserve-Abrechnung für 2003")));
    EXPECT_TRUE(text.contains("1.234,50"));
    EXPECT_TRUE(text.contains("1.034,50"));
    EXPECT_FALSE(text.contains("(=ATS"));

    auto& m = *mandant;
    EXPECT_EQ(m.abfrage("SELECT HmzObjNr, HmzHMZOhneEHB FROM ObjHmzResJahresSummen ORDER BY 1"),
              (QList<QVariantList>{{qlonglong(7), qlonglong(10345000)}, {qlonglong(8), qlonglong(100)}}));
    EXPECT_EQ(m.abfrage("SELECT AllgEinstWert FROM AllgEinstellungen WHERE AllgEinstNr = 149"),
              (QList<QVariantList>{{qlonglong(0)}}));
}

// An lpoptions instance prints on its queue.
TEST_F(PrintBefehl, AnInstancePrintsOnItsQueue) {
    if (!programm("lpstat", {"-r"}, 5000).aus.contains("is running")) GTEST_SKIP() << "cupsd is not running";
    QFile lp(ordner.filePath(".cups/lpoptions"));
    ASSERT_TRUE(QDir().mkpath(ordner.filePath(".cups")) && lp.open(QIODevice::WriteOnly) && lp.write("Dest hmzres-pdf/zz\n") && lp.flush());
    auto umgebung = QProcessEnvironment::systemEnvironment();
    umgebung.insert("HOME", ordner.path());
    const QStringList vorher = warteschlangenPdfs();
    EXPECT_EQ(hmzres(args().mid(0, 7) << "--printer" << "hmzres-pdf/zz", 30000, umgebung).status, 0);
    EXPECT_TRUE(neueWarteschlangenPdfsEntfernen(vorher));
}

// Every command's refusals, help and exit statuses, as README lists them:
// usage errors and unusable targets are told before any work, and a usage
// error touches no file, also when an output is an input however its path is written.
TEST_F(PrintBefehl, RefusalsHelpAndExitStatusesOfEveryCommand) {
    const QString geschuetzt = ordner.filePath("geschuetzt");
    ASSERT_TRUE(QDir().mkpath(geschuetzt));
    const QString dbKopie = ordner.filePath("kopie/mandant.db");
    ASSERT_TRUE(QDir().mkpath(ordner.filePath("kopie")) && QFile::copy(db, dbKopie));
    const QString imp = QStringLiteral(HMZ_TESTDATA "/ASampleDatabase.accdb");
    const QString mdb = ordner.filePath("kunde.mdb"), neu = ordner.filePath("neu.db"), csv = ordner.filePath("hmz.csv");
    ASSERT_TRUE(QFile::copy(HMZ_TESTDATA "/nwind.mdb", mdb));
    ASSERT_TRUE(QFile::link(db, ordner.filePath("verweis.db")));
    ASSERT_EQ(::link(QFile::encodeName(db).constData(), QFile::encodeName(ordner.filePath("hart.db")).constData()), 0);
    const QString umweg = ordner.path() + "/./mandant.db";
    // Another program's files; a client with a log a killed program left; one another program holds.
    const QString fremd = ordner.filePath("fremd.sqlite"), leer = ordner.filePath("leer.db"), halb = ordner.filePath("halb/m.db");
    const QString belegt = ordner.filePath("belegt.db");
    QFile altPdf(ordner.filePath("abrechnung-alt.pdf"));
    ASSERT_TRUE(altPdf.open(QIODevice::WriteOnly) && altPdf.write(QByteArray("%PDF-1.4\n").leftJustified(4096, ' ')) == 4096);
    altPdf.close();
    ASSERT_TRUE(QFile(leer).open(QIODevice::WriteOnly) && QDir().mkpath(ordner.filePath("halb")) && QFile::copy(db, belegt));
    hmz::db::Engine::instance().CreateDatabase(fremd, {})->Execute("CREATE TABLE notiz (t TEXT)");
    auto schreiber = hmz::testhilfe::verbinden(db, hmz::DatenbankPasswort, false), halter = hmz::testhilfe::verbinden(belegt, hmz::DatenbankPasswort, true);
    sqlite3_exec(schreiber.get(), "PRAGMA wal_autocheckpoint = 0; UPDATE ObjDaten SET ObjPlz = '1010'", nullptr, nullptr, nullptr);
    sqlite3_exec(halter.get(), "SELECT count(*) FROM ObjDaten", nullptr, nullptr, nullptr);
    ASSERT_TRUE(QFile::copy(db, halb) && QFile::copy(db + "-wal", halb + "-wal") && QFile::link(neu, ordner.filePath("haengt.db")));
    schreiber.reset();
    const auto drucken = [](const QString& d, const QString& p) {
        return QStringList{"print", "--db", d, "--objects", "1-99", "--period", "01.03-12.03", "--pdf", p};
    };
    const QStringList exportieren{"export", "--db", db, "--out", csv};
    const TestSpeicher leerServer(Speicherart::Server);
    struct Fall {
        QStringList args;
        int status;
        QString text;                 // in stderr, or in stdout for status 0; all of stderr for 1 and 3
        const char* umgebung = "";    // NAME=VALUE for this run; "-" runs without any display
        const char* schutz = nullptr; // read-only: "ordner" geschuetzt/, "kopie" dbKopie, "medium" it and kopie/, "halb" halb/
    };
    const QString usagePrint = "Aufruf: hmzres print --db DB";
    const Fall faelle[] = {
        // help: every command, also without a display
        {{"-h"}, 0, "Aufruf: hmzres <Befehl>"},
        {{"--version"}, 0, "\nSQLCipher 3.", "CUPS_SERVER=localhost:1"},
        {{"help"}, 0, "copy --from DB --to DB"},
        {{"help", "init"}, 0, "Aufruf: hmzres init --db DB"},
        {{"demo", "--help"}, 0, "Aufruf: hmzres demo [--db DB]"},
        {{"print", "--help"}, 0, "--on-imbalance stop|continue"},
        {{"dialog", "--help"}, 0, "--help-file DATEI", "-"},
        {{"printers", "--help"}, 0, "Aufruf: hmzres printers"},
        // wrong usage: 2, with the reason and the command's usage
        {{}, 2, "Aufruf: hmzres <Befehl>"},
        {{"frobnicate"}, 2, "unbekannter Befehl 'frobnicate'"},
        {{"demo", "--frobnicate"}, 2, "unbekannte Option '--frobnicate'"},
        {{"printers", "zuviel"}, 2, "unerwartetes Argument 'zuviel'"},
        {{"init"}, 2, "--db fehlt"},
        {{"init", "--db"}, 2, "nach '--db' fehlt der Wert\nAufruf: hmzres init --db DB"},
        {{"import-mdb", "--db", dbKopie}, 2, "--mdb fehlt"},
        {{"copy", "--from", db}, 2, "--to fehlt"},
        {{"copy", "--from", db, "--to", umweg}, 2, "Quelle und Ziel sind derselbe Mandant"},
        {{"print", "--db", db, "--period", "01.03-12.03", "--pdf", pdf}, 2, "--objects fehlt\n" + usagePrint},
        {args() << "--printer" << "x", 2, "genau eine von --pdf, --printer und --pdf-dir angeben"},
        {drucken(db, ""), 2, "--pdf braucht DATEI"},
        {args("-17"), 2, "--objects nimmt VON-BIS oder eine Objektnummer"},
        {args("50"), 1, "Keine Objekte zum Drucken gefunden\n"},
        {args() << "--objects" << "3-99999", 2, "--objects ist mehrfach angegeben"},
        {drucken(db, "--quiet"), 2, "--pdf braucht DATEI, nicht die Option '--quiet'"},
        {args() << "--on-imbalance" << "maybe", 2, "--on-imbalance nimmt stop oder continue"},
        {{"print", "--db", db, "--objects", "1-99", "--period", "01.03-12.03", "--printer", "hmzres-gibt-es-nicht"}, 2,
         "kein Drucker 'hmzres-gibt-es-nicht'; 'hmzres printers' zeigt die vorhandenen"},
        {{"dialog", "--db", db}, 2, "keine Anzeige gefunden", "-"},
        {{"dialog", "--db", db, "--month-status", "31.02.2003"}, 2, "--month-status nimmt TT.MM.JJJJ"},
        {exportieren + QStringList{"--year", "2003", "--format", "xml"}, 2, "--format"},
        {exportieren + QStringList{"--objects", "1-9"}, 2, "--year"},
        {{"export", "--db", db, "--year", "2003", "--out", ordner.path()}, 2, "--out: '" + ordner.path() + "' ist ein Ordner"},
        // an output that is an input
        {drucken(db, db), 2, ""},
        {drucken(db, ordner.filePath("hart.db")), 2, ""},
        {drucken(db, db + "-wal"), 2, ""},
        {{"demo", "--db", ordner.filePath("verweis.db"), "--pdf", umweg}, 2, ""},
        {{"demo", "--db", neu, "--pdf", ordner.path() + "/./neu.db"}, 2, ""},
        {{"import-mdb", "--mdb", mdb, "--db", mdb, "--force"}, 2, ""},
        // a check of the run refused the input: 1; stopped at the balance check: 3
        {args("0-0"), 1, "von- und bis-Objektnummer Null ist ungültig\n"},
        {exportieren + QStringList{"--year", "2004"}, 3, "für Buchungsjahr: 2004 ist kein Buchungsbestand existent\n"},
        {exportieren + QStringList{"--year", "2003", "--objects", "50-60"}, 1, "Keine Objekte zum Drucken gefunden\n"},
        // the database, the output or the printer: 4, before any work
        {drucken(ordner.filePath("fehlt.db"), pdf), 4, "Datenbank nicht gefunden"},
        {{"dialog", "--db", ordner.filePath("fehlt.db")}, 4, "Datenbank nicht gefunden"},
        {drucken(db, ordner.filePath("kein/ordner.pdf")), 4, "den Ordner " + ordner.filePath("kein") + " gibt es nicht"},
        {drucken(db, geschuetzt + "/a.pdf"), 4, "in den Ordner " + geschuetzt + " kann nicht geschrieben werden", "", "ordner"},
        {drucken(db, ordner.path()), 2, ordner.path() + "' ist ein Ordner"},
        {{"copy", "--from", db, "--to", ordner.path(), "--force"}, 2, "--to: '" + ordner.path() + "' ist ein Ordner"},
        {drucken(ordner.path(), pdf), 2, "ist ein Ordner"},
        // another program's file is refused untouched, with what to do instead
        {drucken(fremd, pdf), 4, "'" + fremd + "' ist keine Mandantendatenbank"},
        {{"export", "--db", fremd, "--year", "2003"}, 4, "keine Mandantendatenbank"},
        {{"dialog", "--db", leer}, 4, "Legen Sie mit 'hmzres init' einen Mandanten an oder übernehmen Sie einen mit 'hmzres import-mdb'"},
        {drucken(leerServer.name(), pdf), 4, "' enthält keinen Mandanten; legen Sie mit 'hmzres init' einen an oder kopieren Sie einen mit 'hmzres copy' hinein.\n"},
        {drucken(ordner.filePath("abrechnung-alt.pdf"), pdf), 4, "ist keine Mandantendatenbank (oder mit einem fremden Kennwort verschlüsselt)"},
        {{"dialog", "--db", ordner.filePath("abrechnung-alt.pdf")}, 4, "ist keine Mandantendatenbank (oder mit einem fremden"},
        {drucken(mdb, pdf), 4, "'" + mdb + "' ist eine Access-Datenbank; übernehmen Sie sie mit 'hmzres import-mdb"},
        {{"init", "--db", ordner.filePath("haengt.db")}, 4, "existiert bereits"},
        // what only reads works on a read-only file or medium, unless a log there is unfinished
        {{"export", "--db", dbKopie, "--year", "2003"}, 0, "ObjNr", "", "kopie"},
        {{"export", "--db", dbKopie, "--year", "2003"}, 0, "ObjNr", "", "medium"},
        {{"export", "--db", halb, "--year", "2003"}, 4, "nicht abgeschlossene Änderungen", "", "halb"},
        // a client being replaced: never while another program holds it, never with the old file's log
        {{"copy", "--from", db, "--to", belegt, "--force"}, 4, "wird gerade von einem anderen Programm benutzt"},
        {{"import-mdb", "--mdb", mdb, "--db", belegt, "--force"}, 4, "wird gerade von einem anderen Programm benutzt"},
        {{"copy", "--from", db, "--to", halb, "--force"}, 0, "kopiert"},
        {{"export", "--db", halb, "--year", "2003"}, 0, "ObjNr"},
        {drucken(dbKopie, pdf), 4, "Aktualisieren nicht möglich: die Datei '" + dbKopie + "' ist schreibgeschützt. (3027)", "",
         "kopie"},
        {{"init", "--db", db}, 4, "gibt es schon; die Datei bleibt unverändert"},
        {{"init", "--db", ordner.filePath("fehlt/neu.db")}, 4, "ist kein gültiger Pfad"},
        {{"import-mdb", "--mdb", imp, "--db", db}, 4, "gibt es schon; --force ersetzt sie"},
        {{"copy", "--from", dbKopie, "--to", db}, 4, "enthält schon einen Mandanten; --force ersetzt ihn"},
        {{"printers"}, 4, "der Druckdienst (CUPS) unter localhost:1 ist nicht erreichbar", "CUPS_SERVER=localhost:1"},
        {{"print", "--db", db, "--objects", "1-99", "--period", "01.03-12.03", "--printer", "hmzres-pdf"}, 4,
         "nicht erreichbar", "CUPS_SERVER=localhost:1"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(("hmzres " + f.args.join(' ')).toStdString());
        auto umgebung = QProcessEnvironment::systemEnvironment();
        if (QString(f.umgebung) == "-") {
            for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) umgebung.remove(v);
        } else if (const QStringList nv = QString(f.umgebung).split('='); nv.size() == 2) {
            umgebung.insert(nv[0], nv[1]);
        }
        const QByteArray dbVorher = pruefsumme(db), mdbVorher = pruefsumme(mdb), fremdVorher = pruefsumme(fremd) + pruefsumme(leer);
        const QByteArray art(f.schutz ? f.schutz : "");
        std::optional<Schreibschutz> schutz, ordnerSchutz;
        if (!art.isEmpty()) schutz.emplace(art == "ordner" ? geschuetzt : art == "halb" ? halb : dbKopie);
        if (art == "medium" || art == "halb") ordnerSchutz.emplace(QFileInfo(art == "halb" ? halb : dbKopie).absolutePath());
        const auto r = hmzres(f.args, 10000, umgebung);
        ordnerSchutz.reset();
        schutz.reset();

        EXPECT_TRUE(r.beendet);
        EXPECT_EQ(r.status, f.status) << qPrintable(r.fehler);
        if (f.status == 1 || f.status == 3)
            EXPECT_EQ(r.fehler, f.text);
        else
            EXPECT_TRUE((f.status == 0 ? r.aus : r.fehler).contains(f.text)) << qPrintable(r.aus + r.fehler);
        if (f.status == 2 || f.status == 4) {  // before any work
            EXPECT_TRUE(r.aus.isEmpty()) << qPrintable(r.aus);
        }
        if (f.status == 2) {
            EXPECT_EQ(pruefsumme(db), dbVorher);
            EXPECT_EQ(pruefsumme(mdb), mdbVorher);
        }
        EXPECT_EQ(pruefsumme(fremd) + pruefsumme(leer), fremdVorher);
        EXPECT_FALSE(QFile::exists(db + "-wal"));  // whoever closes a client last takes its log along
        EXPECT_FALSE(QFile::exists(pdf) || QFile::exists(neu) || QFile::exists(csv));
    }
}

namespace {

// Every name in a folder, hidden ones included, with its size.
QStringList inhalt(const QString& ordner) {
    QStringList r;
    for (const QFileInfo& f : QDir(ordner).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        r << QStringLiteral("%1 %2").arg(f.fileName()).arg(f.size());
    return r;
}

QString generiert(const QTemporaryDir& ordner, int objekte) {
    const QString db = ordner.filePath("gross.db");
    hmz::bench::GeneratorParameter g;
    g.objekte = objekte;
    g.buchungen = objekte * 100;
    hmz::bench::generieren(db, g);
    return db;
}

}  // namespace

TEST(InitBefehl, CreatesAnEncryptedEmptyDatabaseOnce) {
    QTemporaryDir dir;
    const QString datei = dir.filePath("neu.db");
    ASSERT_EQ(hmzres({"init", "--db", datei}).status, 0);
    auto db = hmz::db::Engine::instance().OpenDatabase(datei, false, false, ";pwd=" + hmz::DatenbankPasswort);
    EXPECT_TRUE(db->OpenRecordset("SELECT * FROM " + hmz::db::buchungsTabelle(QDate::currentDate().year()))->Eof());
    EXPECT_EQ(hmz::testhilfe::spalte(hmz::db::sqliteHandle(*db), "PRAGMA journal_mode"), QStringList{"wal"});
    db->Close();
    EXPECT_THROW(hmz::db::Engine::instance().OpenDatabase(datei, false, false, ";PWD="), hmz::Fehler);
    // A second init is refused (see the refusals above) and leaves the file as it was.
    const QByteArray vorher = pruefsumme(datei);
    EXPECT_EQ(hmzres({"init", "--db", datei}).status, 4);
    EXPECT_EQ(pruefsumme(datei), vorher);
}

// The demo client, its export, and per-property PDFs (of it and of a
// benchmark-size client) with the text of the single PDF.
TEST(DemoBefehl, PrintsAllStatementsExportsThemAndSplitsThemPerProperty) {
    QTemporaryDir ordner;
    const QString demo = ordner.filePath("demo.db"), pdf = ordner.filePath("demo.pdf");
    auto r = hmzres({"demo", "--db", demo, "--pdf", pdf});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Aufstellung der Hauptmietzinsreserve mit Erhaltungsbeitrag"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Jänner 2003")));

    const QString csv = ordner.filePath("hmz.csv");
    r = hmzres({"export", "--db", demo, "--year", "2003", "--objects", "1-3", "--out", csv});
    ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray daten = f.readAll();
    EXPECT_TRUE(daten.startsWith("\xEF\xBB\xBFObjNr;Anschrift;PLZ;Ort;Zeile;Jahr;Einnahmen;"));
    EXPECT_TRUE(daten.contains("\r\n1;Gumpendorfer Straße 112;1060;Wien;Abrechnung;2003;")) << daten.left(300).constData();
    EXPECT_FALSE(f.permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther)) << "others may read the export";
    r = hmzres({"export", "--db", demo, "--year", "2003", "--format", "json"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.aus.toUtf8()).object()["Objekte"].toArray().size(), 6);
    EXPECT_EQ(QJsonDocument::fromJson(r.aus.toUtf8()).object()["Objekte"][0]["Plz"].toString(), "1060");

    for (const QString& db : {demo, generiert(ordner, 25)}) {
        SCOPED_TRACE(db.toStdString());
        const QString einzeln = ordner.filePath("einzeln.pdf"), je = ordner.filePath("je/2003");
        QDir(ordner.filePath("je")).removeRecursively();  // --pdf-dir makes it and its parent
        const QStringList basis{"print", "--db", db, "--objects", "1-99999", "--period", "01.03-12.03", "--quiet"};
        r = hmzres(basis + QStringList{"--pdf", einzeln});
        ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
        EXPECT_TRUE(r.aus.isEmpty()) << "--quiet";
        r = hmzres(basis + QStringList{"--pdf-dir", je});
        ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
        const QStringList dateien = QDir(je).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        ASSERT_FALSE(dateien.isEmpty());
        QString texte;
        for (const QString& d : dateien) {
            EXPECT_TRUE(QRegularExpression("^HMZ-2003-\\d{5}\\.pdf$").match(d).hasMatch()) << qPrintable(d);
            texte += pdfText(QDir(je).filePath(d), false);
        }
        EXPECT_EQ(texte, pdfText(einzeln, false));
    }
}

// Output not written whole is exit 4, one line, nothing changed: stdout on a full device, a device as --out (mknod: root).
TEST(ExportBefehl, AFailedWriteIsExit4AndADeviceIsWrittenNotReplaced) {
    QTemporaryDir ordner;
    const QString db = generiert(ordner, 5), geraet = ordner.filePath("voll");
    const bool mitGeraet = ::mknod(QFile::encodeName(geraet).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    const QStringList befehle[] = {{"export", "--db", db, "--year", "2003", "--format", "json"},
                                   {"export-csv", "--db", db, "--table", "bookings", "--year", "2003"}};
    for (const QStringList& befehl : befehle)
        for (const QString& ziel : {QString(), geraet}) {
            if (ziel == geraet && !mitGeraet) continue;
            const QStringList vorher = inhalt(ordner.path());
            QProcess p;
            if (ziel.isEmpty()) p.setStandardOutputFile("/dev/full");
            p.start(HMZ_BINARY, ziel.isEmpty() ? befehl : befehl + QStringList{"--out", ziel});
            ASSERT_TRUE(p.waitForFinished(30000));
            const QString fehler = QString::fromUtf8(p.readAllStandardError());
            EXPECT_TRUE(p.exitCode() == 4 && fehler.count('\n') == 1 && inhalt(ordner.path()) == vorher) << qPrintable(befehl[0] + " " + ziel + ": " + fehler);
        }
}

TEST(PrintPdfDir, ASignalCancelsTheRunAndLeavesTheFolderAsItWas) {
    QTemporaryDir ordner;
    const QString db = generiert(ordner, 80);
    // An earlier set in the folder; the year rows of 2003 marked to see what a cancel writes.
    const QString je = ordner.filePath("je");
    QDir().mkpath(je);
    ASSERT_EQ(hmzres({"print", "--db", db, "--objects", "1-99999", "--period", "01.03-12.03", "--pdf-dir", je, "--quiet"}).status, 0);
    const auto jahresZeilen = [&] {
        auto con = hmz::testhilfe::verbinden(db, hmz::DatenbankPasswort, true);
        return hmz::testhilfe::spalte(con.get(), "SELECT HmzObjNr || ' ' || HmzHMZOhneEHB FROM ObjHmzResJahresSummen "
                                                 "WHERE HmzJahr = 2003 ORDER BY 1");
    };
    const QStringList richtig = jahresZeilen();
    for (const auto& [signal, option] : {std::pair{SIGINT, "--pdf-dir"}, std::pair{SIGTERM, "--pdf"}}) {
        SCOPED_TRACE(signal);
        sqlite3_exec(hmz::testhilfe::verbinden(db, hmz::DatenbankPasswort, false).get(),
                     "UPDATE ObjHmzResJahresSummen SET HmzHMZOhneEHB = 1 WHERE HmzJahr = 2003", nullptr, nullptr, nullptr);
        const QString ziel = QString(option) == "--pdf" ? ordner.filePath("je/alle.pdf") : je;
        const QStringList vorher = inhalt(je);
        QProcess p;
        p.start(HMZ_BINARY, {"print", "--db", db, "--objects", "1-99999", "--period", "01.03-12.03", option, ziel});
        ASSERT_TRUE(p.waitForStarted());
        QByteArray aus;
        while (!aus.contains("Laufende Objekt-Nr: 00010") && p.waitForReadyRead(10000)) aus += p.readAllStandardOutput();
        ASSERT_TRUE(aus.contains("Laufende Objekt-Nr: 00010")) << aus.constData();
        ::kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + signal);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), "Verarbeitung durch Anwender abgebrochen\n");
        aus += p.readAllStandardOutput();
        EXPECT_TRUE(QRegularExpression("\nAbgebrochen: \\d+ Abrechnungen verworfen; Jahresergebnisse gespeichert: \\d+\n$").match(aus).hasMatch()) << aus.constData();
        EXPECT_EQ(inhalt(je), vorher);
        // Each year row is the old one or the whole new one.
        const QStringList jetzt = jahresZeilen();
        ASSERT_EQ(jetzt.size(), richtig.size());
        int neu = 0;
        for (qsizetype i = 0; i < jetzt.size(); ++i) {
            if (jetzt[i] == richtig[i]) ++neu;
            else EXPECT_TRUE(jetzt[i].endsWith(" 1")) << qPrintable(jetzt[i]);
        }
        EXPECT_LT(neu, jetzt.size()) << "the run was not cancelled";
    }
}

TEST(Paket, CompletionAndManPageFollowTheHelpTexts) {
    auto umgebung = QProcessEnvironment::systemEnvironment();
    umgebung.insert("PATH", QStringLiteral(HMZ_BINARY).section('/', 0, -2) + ":" + umgebung.value("PATH"));
    for (const auto& [woerter, erwartet] : {std::pair{"hmzres exp", "export export-csv"}, {"hmzres export --format ''", "csv json"},
                                            {"hmzres print --on-imbalance ''", "stop continue"}}) {
        const auto l = programm("bash", {"-c", QStringLiteral("source " HMZ_SOURCE_DIR "/share/bash-completion/hmzres; COMP_WORDS=(%1); "
                                                             "COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _hmzres; echo ${COMPREPLY[*]}").arg(woerter)},
                                10000, umgebung);
        EXPECT_EQ(l.aus.trimmed(), erwartet) << woerter;
    }
    QFile seite(QStringLiteral(HMZ_MANPAGE));
    const QString text = seite.open(QIODevice::ReadOnly) ? QString::fromUtf8(seite.readAll()) : QString();
    EXPECT_TRUE(text.contains(".SS print\n") && text.contains(".SS export\n") && !text.contains("??"));
}
