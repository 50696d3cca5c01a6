// The same client in either store: the demo client, copied there from a
// file, and clients generated in each store print the same statements and
// store the same year results; the copy refuses a non-empty target; server
// failures end with exit 4.
#include "../bench/generator.h"
#include "programm.h"
#include "speicher.h"
#include "testmandant.h"

#include "core/variant.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"

#include <QDir>
#include <QCoreApplication>
#include <QUrlQuery>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

using namespace hmz;
using namespace hmz::test;

namespace {

class SpeicherWahl : public testing::TestWithParam<Speicherart> {};

QStringList jahresErgebnisse(const QString& name) {
    auto db = db::Engine::instance().OpenDatabase(name, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
    QStringList out;
    db->Zeilen(QStringLiteral("SELECT HmzObjNr, HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB FROM ObjHmzResJahresSummen "
                              "ORDER BY HmzObjNr, HmzJahr"),
               [&](const std::vector<Variant>& z) {
                   QStringList t;
                   for (const Variant& v : z)
                       t << (v.istNull() ? QStringLiteral("Null")
                             : v.typ() == VarTyp::Currency ? v.toCurrency().toPlainString()
                                                           : v.toString());
                   out << t.join(u' ');
               });
    return out;
}

QStringList druck(const QString& name, const QString& pdf) {
    return {"print", "--db", name, "--objects", "1-99999", "--period", "01.03-12.03", "--pdf", pdf};
}

// The text of a whole run's statements on the client.
QString druckText(const QString& name, const QString& pdf) {
    const auto l = hmzres(druck(name, pdf));
    EXPECT_EQ(l.status, 0) << l.fehler.toStdString();
    return pdfText(pdf);
}

}  // namespace

TEST_P(SpeicherWahl, CopiedClientPrintsAndStoresAsOnTheFile) {
    TestSpeicher ziel(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(ziel);
    QTemporaryDir dir;
    const QString datei = dir.filePath("quelle.db");
    ASSERT_EQ(hmzres({"demo", "--db", datei, "--pdf", dir.filePath("quelle.pdf")}).status, 0);

    const auto kopie = hmzres({"copy", "--from", datei, "--to", ziel.name()});
    ASSERT_EQ(kopie.status, 0) << kopie.fehler.toStdString();
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(datei));
    // Once there, the target is refused unless replaced on purpose.
    EXPECT_EQ(hmzres({"copy", "--from", datei, "--to", ziel.name()}).status, 4);
    EXPECT_EQ(hmzres({"copy", "--from", datei, "--to", ziel.name(), "--force"}).status, 0);

    const QString erwartet = druckText(datei, dir.filePath("datei.pdf"));
    EXPECT_EQ(druckText(ziel.name(), dir.filePath("ziel.pdf")), erwartet);
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(datei));

    // Four runs on the same client at once all finish and print the same.
    std::vector<std::unique_ptr<QProcess>> laeufe;
    for (int i = 0; i < 4; ++i) {
        laeufe.push_back(std::make_unique<QProcess>());
        laeufe.back()->start(HMZ_BINARY, druck(ziel.name(), dir.filePath(QStringLiteral("lauf%1.pdf").arg(i))));
    }
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        auto& p = *laeufe[static_cast<std::size_t>(i)];
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        EXPECT_EQ(pdfText(dir.filePath(QStringLiteral("lauf%1.pdf").arg(i))), erwartet);
    }
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(datei));
}

// A copy killed at any moment leaves the whole client or none: the server
// rolls the one transaction back; a file copy leaves only its hidden
// temporary file, which the next copy to that target removes.
TEST_P(SpeicherWahl, AKilledCopyLeavesNoPartialClient) {
    TestSpeicher ziel(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(ziel);
    QTemporaryDir dir;
    const QString quelle = dir.filePath("quelle.db");
    bench::generieren(quelle, {.objekte = 100, .buchungen = 30000, .seed = 2});

    QProcess p;
    p.start(HMZ_BINARY, {"copy", "--from", quelle, "--to", ziel.name()});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray aus;
    while (!aus.contains('\n') && p.waitForReadyRead(10000)) aus += p.readAllStandardOutput();
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(10000));
    const bool fertig = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!fertig) {
        EXPECT_FALSE(db::Engine::instance().Vorhanden(ziel.name())) << "a partial client is left";
    }
    const QStringList reste = QDir(ziel.pfad("")).entryList({".mandant.db.neu-*"}, QDir::Files | QDir::Hidden);
    if (GetParam() == Speicherart::Datei && !fertig) {
        EXPECT_EQ(reste.size(), 1);
    }

    const auto l = hmzres({"copy", "--from", quelle, "--to", ziel.name(), "--force"});
    ASSERT_EQ(l.status, 0) << l.fehler.toStdString();
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(quelle));
    EXPECT_TRUE(QDir(ziel.pfad("")).entryList({".mandant.db.neu-*"}, QDir::Files | QDir::Hidden).isEmpty());
}

// Every listing mode and section case, the schilling years and the bench's
// mix of accounts, each written by the generator into both stores (the demo
// client is compared through the copy above).
TEST(SpeicherVergleich, GeneratedClientsPrintAndStoreAlikeInBothStores) {
    struct Fall {
        const char* name;
        std::function<void(const QString&)> anlegen;
    };
    const Fall faelle[] = {
        {"sections", abschnittsMandant},
        {"generated", [](const QString& p) { bench::generieren(p, {.objekte = 30, .buchungen = 3000, .seed = 5}); }},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TestSpeicher datei(Speicherart::Datei), server(Speicherart::Server);
        HMZ_SPEICHER_ODER_UEBERSPRINGEN(server);
        fall.anlegen(datei.name());
        fall.anlegen(server.name());
        const QString text = druckText(datei.name(), datei.pfad("datei.pdf"));
        EXPECT_FALSE(text.isEmpty());
        EXPECT_EQ(druckText(server.name(), datei.pfad("server.pdf")), text);
        EXPECT_EQ(jahresErgebnisse(server.name()), jahresErgebnisse(datei.name()));
    }
}

INSTANTIATE_TEST_SUITE_P(Speicher, SpeicherWahl, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

// The server goes away in the middle of a run: the run ends at once with
// exit 4 and the server's reason, said once, and discards the PDF; no year
// row is lost or doubled, and the next run prints everything.
TEST(ServerFehler, AConnectionLostMidRunEndsTheRunWithItsReason) {
    TestSpeicher s(Speicherart::Server);
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    bench::generieren(s.name(), {.objekte = 40, .buchungen = 4000, .seed = 4});
    const QStringList vorher = jahresErgebnisse(s.name());
    QUrl url(s.name());
    QUrlQuery q(url);
    const QString name = QStringLiteral("hmzres_verloren_%1").arg(QCoreApplication::applicationPid());
    q.addQueryItem(QStringLiteral("application_name"), name);
    url.setQuery(q);

    QTemporaryDir dir;
    QProcess p;
    p.start(HMZ_BINARY, druck(url.toString(QUrl::FullyEncoded), dir.filePath("x.pdf")));
    ASSERT_TRUE(p.waitForStarted());
    QByteArray aus;
    while (!aus.contains("Laufende Objekt-Nr: 00005") && p.waitForReadyRead(10000)) aus += p.readAllStandardOutput();
    ASSERT_TRUE(aus.contains("Laufende Objekt-Nr: 00005")) << aus.constData();
    auto db = db::Engine::instance().OpenDatabase(s.name(), false, false, {});
    db->OpenRecordset(QStringLiteral("SELECT pg_terminate_backend(pid) AS x FROM pg_stat_activity WHERE application_name = ?"),
                      {Variant::string(name)});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 4);
    const QString fehler = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(fehler.count("Datenbankserver"), 1) << fehler.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("x.pdf")));
    EXPECT_EQ(jahresErgebnisse(s.name()).size(), vorher.size());
    EXPECT_FALSE(druckText(s.name(), dir.filePath("y.pdf")).isEmpty());
}

TEST(ServerFehler, EndWithTheServersReasonAndExit4) {
    TestSpeicher s(Speicherart::Server);
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    QUrl url(serverUri());
    struct Fall {
        const char* was;
        QUrl uri;
        const char* grund;
    };
    QUrl falschesPasswort = url, unbekannt = url, geschlossen = url;
    falschesPasswort.setPassword("falsch");
    unbekannt.setPath("/hmz_gibt_es_nicht");
    geschlossen.setPort(1);  // nothing listens there: a stopped server
    for (const Fall& f : {Fall{"password", falschesPasswort, "password authentication failed"},
                          Fall{"database", unbekannt, "does not exist"}, Fall{"stopped", geschlossen, "Connection refused"}}) {
        SCOPED_TRACE(f.was);
        QTemporaryDir dir;
        const auto l = hmzres(druck(f.uri.toString(), dir.filePath("x.pdf")), 20000);
        EXPECT_TRUE(l.beendet);
        EXPECT_EQ(l.status, 4);
        EXPECT_TRUE(l.fehler.contains(f.grund)) << l.fehler.toStdString();
        EXPECT_FALSE(l.fehler.contains("falsch"));  // the password is never shown
        EXPECT_FALSE(QFile::exists(dir.filePath("x.pdf")));
    }
}
