// Several programs on one client file at once, as separate processes: a
// booking program beside a run, and runs killed at random moments (runs
// beside runs are shown for either store with the store tests). A small
// generated client keeps each case within seconds.
#include "entry/zustand.h"
#include "generator.h"
#include "programm.h"
#include "sqlhilfe.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <map>
#include <random>

using namespace hmz;
using namespace hmz::test;

namespace {

using Jahreszeilen = std::map<int, std::pair<qint64, qint64>>;  // property: HMZ ohne EHB, vereinn. EHB

class Mehrbenutzer : public ::testing::Test {
protected:
    static inline QTemporaryDir* ordner = nullptr;
    static inline QString original;

    static void SetUpTestSuite() {
        ordner = new QTemporaryDir;
        original = ordner->filePath(QStringLiteral("original.db"));
        bench::GeneratorParameter p;
        p.objekte = 16;
        p.konten = 15;
        p.buchungen = 1600;
        p.seed = 3;
        bench::generieren(original, p);
    }
    static void TearDownTestSuite() {
        delete ordner;
        ordner = nullptr;
    }

    static QString pfad(const QString& name) { return ordner->filePath(name); }

    // A fresh copy of the generated client.
    static QString kopie(const QString& name) {
        const QString p = pfad(name);
        for (const char* rest : {"", "-wal", "-shm"}) QFile::remove(p + QLatin1String(rest));
        EXPECT_TRUE(QFile::copy(original, p));
        return p;
    }

    static QStringList druck(const QString& db, const QString& pdf) {
        return {"print", "--db", db, "--objects", "1-99999", "--period", "01.03-12.03", "--pdf", pdf};
    }

    // Opens the file as another program would, recovering what a killed one left.
    static Jahreszeilen jahreszeilen(const QString& db, QString* pruefung = nullptr) {
        auto con = hmz::testhilfe::verbinden(db, DatenbankPasswort, false);
        if (pruefung) *pruefung = testhilfe::spalte(con.get(), "PRAGMA integrity_check").join(u'\n');
        Jahreszeilen z;
        const QString sql = "SELECT HmzObjNr || ' ' || ifnull(HmzHMZOhneEHB, 0) || ' ' || ifnull(HmzVereinnEHB, 0) "
                            "FROM ObjHmzResJahresSummen WHERE HmzJahr = 2003";
        for (const QString& zeile : testhilfe::spalte(con.get(), sql)) {
            const QStringList w = zeile.split(u' ');
            z[w[0].toInt()] = {w[1].toLongLong(), w[2].toLongLong()};
        }
        return z;
    }
};

}  // namespace

TEST_F(Mehrbenutzer, BookingsOfAnotherProgramDuringARunAreNeitherRefusedNorMisjudged) {
    const QString db = kopie("buchen.db");
    const QString stop = pfad("buchen.stop");
    QProcess buchen;
    buchen.start(QStringLiteral(HMZ_BUCHEN), {db, DatenbankPasswort, "2003", "0", "5000", stop});
    ASSERT_TRUE(buchen.waitForStarted());
    const auto lauf = hmzres(druck(db, pfad("buchen.pdf")));
    QFile(stop).open(QIODevice::WriteOnly);
    ASSERT_TRUE(buchen.waitForFinished(10000));
    QFile::remove(stop);

    EXPECT_EQ(lauf.status, 0) << qPrintable(lauf.fehler);
    EXPECT_FALSE(lauf.fehler.contains("Soll/Haben")) << qPrintable(lauf.fehler);
    EXPECT_EQ(buchen.exitCode(), 0) << buchen.readAllStandardError().constData();
    EXPECT_GT(buchen.readAllStandardOutput().trimmed().toInt(), 0);
}

TEST_F(Mehrbenutzer, KilledRunsLeaveAnIntactFileWithEveryYearRowOldOrNew) {
    const Jahreszeilen alt = jahreszeilen(original);
    const QString ganz = kopie("ganz.db");
    ASSERT_EQ(hmzres(druck(ganz, pfad("ganz.pdf"))).status, 0);
    const Jahreszeilen neu = jahreszeilen(ganz);
    ASSERT_NE(neu, alt);

    std::random_device quelle;
    const unsigned seed = quelle();
    SCOPED_TRACE(seed);
    std::mt19937 zufall(seed);
    int mittendrin = 0;
    // Five rounds of four runs side by side. Each is killed at its own
    // moment: after a random number of properties begun (its progress
    // lines), plus a random few milliseconds.
    for (int runde = 0; runde < 5; ++runde) {
        struct Opfer {
            QString db;
            int zeilen, nachlauf;
            std::unique_ptr<QProcess> p;
            QByteArray aus;
            QElapsedTimer seit;
            bool tot = false;
        };
        std::vector<Opfer> opfer;
        for (int i = 0; i < 4; ++i) {
            Opfer o{kopie(QStringLiteral("getoetet%1.db").arg(i)),
                    std::uniform_int_distribution<int>(0, static_cast<int>(neu.size()))(zufall),
                    std::uniform_int_distribution<int>(0, 40)(zufall), std::make_unique<QProcess>()};
            o.p->start(QStringLiteral(HMZ_BINARY), druck(o.db, pfad(QStringLiteral("getoetet%1.pdf").arg(i))));
            ASSERT_TRUE(o.p->waitForStarted());
            opfer.push_back(std::move(o));
        }
        for (bool alleTot = false; !alleTot;) {
            alleTot = true;
            for (auto& o : opfer) {
                if (o.tot) continue;
                alleTot = false;
                o.p->waitForReadyRead(2);
                o.aus += o.p->readAllStandardOutput();
                if (!o.seit.isValid() && o.aus.count("Laufende Objekt-Nr") >= o.zeilen) o.seit.start();
                const qint64 pid = o.p->processId();  // 0 once it has ended by itself
                if (pid <= 0) {
                    o.tot = true;
                } else if (o.seit.isValid() && o.seit.elapsed() >= o.nachlauf) {
                    ::kill(static_cast<pid_t>(pid), SIGKILL);
                    o.tot = true;
                }
            }
        }
        for (auto& o : opfer) {
            SCOPED_TRACE(o.zeilen);
            o.p->waitForFinished();
            QString pruefung;
            const Jahreszeilen jetzt = jahreszeilen(o.db, &pruefung);
            EXPECT_EQ(pruefung, "ok");
            int alte = 0, neue = 0;
            for (const auto& [obj, werte] : neu) {
                const auto a = alt.find(obj);
                const auto j = jetzt.find(obj);
                const bool istNeu = j != jetzt.end() && j->second == werte;
                const bool istAlt = a == alt.end() ? j == jetzt.end() : j != jetzt.end() && j->second == a->second;
                EXPECT_TRUE(istNeu || istAlt) << "property " << obj;
                alte += istAlt && !istNeu;
                neue += istNeu && !istAlt;
            }
            mittendrin += alte > 0 && neue > 0;
        }
    }
    // Not asserted (the moments are random), but shown: kills that landed
    // between two stored properties.
    std::printf("kills between stored properties: %d of 20\n", mittendrin);
}
