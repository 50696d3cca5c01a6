// hmzres_bench: prints every statement of a large synthetic client for a
// whole year exactly as "hmzres print" does, and compares the run with two
// floors on the same data: one aggregate query for all balances (the least
// database work a run can do) and the replay of the run's display list into
// a PDF (the least rendering work). Every figure is a "name: value" line on
// stdout; the last one is the ratio of the run to the sum of the floors.
// The same run is also timed into one PDF per property (pdf_dir_wall_s).
#include "csvrunde.h"
#include "generator.h"
#include "zeitdrucker.h"

#include "core/fehler.h"
#include "store/bulkwriter.h"
#include "store/datenzugriff.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/qtdrucker.h"
#include "statement/stapellauf.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

using namespace hmz;
using Uhr = std::chrono::steady_clock;

double sekunden(Uhr::duration d) { return std::chrono::duration<double>(d).count(); }

void zeile(const char* name, const QString& wert) {
    std::printf("%s: %s\n", name, qPrintable(wert));
    std::fflush(stdout);
}
void zeile(const char* name, double wert, int stellen = 3) { zeile(name, QString::number(wert, 'f', stellen)); }
void zeile(const char* name, long long wert) { zeile(name, QString::number(wert)); }

double spitzeMb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

// CPU seconds of the process (user + system): on a shared machine wall time
// includes waiting for a core, CPU time does not.
double cpuSekunden() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return s(r.ru_utime) + s(r.ru_stime);
}

std::int64_t zahl(db::Database& db, const char* sql) {
    auto rs = db.OpenRecordset(QString::fromUtf8(sql));
    return rs->Eof() ? -1 : rs->Fields(QStringLiteral("n")).toLong();
}

std::unique_ptr<db::Database> oeffnen(const QString& name) {
    return db::Engine::instance().OpenDatabase(name, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
}

struct Bestand {
    std::int64_t objekte = -1, buchungen = -1, gedruckt = -1;
};

// What an existing client holds; all -1 when it is no readable client.
Bestand bestand(const QString& name) {
    Bestand b;
    try {
        auto db = oeffnen(name);
        b.objekte = zahl(*db, "SELECT COUNT(*) AS n FROM ObjDaten");
        b.buchungen = zahl(*db, "SELECT COUNT(*) AS n FROM ObjKanzleiBuchungen2003");
        b.gedruckt = zahl(*db, "SELECT COUNT(*) AS n FROM ObjDaten WHERE ObjTypus = 0 AND "
                               "(ObjGueltigBisDatum >= datevalue('31.12.2003') OR ObjGueltigBisDatum = 0)");
    } catch (const Fehler&) {
        return {};
    }
    return b;
}

// Floor (a): every (property, account) balance of the year in one pass, with
// the statement's exclusions. Returns the seconds of the query alone, on a
// connection of its own: like the run, it reads every page once.
double datenbankBoden(const QString& name, std::int64_t& gruppen, double& cpu) {
    auto db = oeffnen(name);
    const QString sql = QStringLiteral(
        "SELECT BuObjNr, BuKontoNr, SUM(BuBetrag * BuSHVorzeichen) AS s FROM ObjKanzleiBuchungen2003 "
        "WHERE BuDatum BETWEEN datevalue('01.01.2003') AND datevalue('31.12.2003') "
        "AND (isnull(BuKorrKZ) OR rtrim(BuKorrKZ) = '') AND NOT BuArt = '90' "
        "GROUP BY BuObjNr, BuKontoNr");
    const auto start = Uhr::now();
    const double cpuStart = cpuSekunden();
    gruppen = 0;
    db->Zeilen(sql, [&](const std::vector<Variant>&) { ++gruppen; });
    const double s = sekunden(Uhr::now() - start);
    cpu = cpuSekunden() - cpuStart;
    return s;
}

// Marks the run's course by its progress captions: the balance check starts
// with the first caption, the property selection with the second, printing
// with the first property's caption.
struct Verlauf {
    Uhr::time_point pruefung{}, auswahl{}, erstesObjekt{};
    void caption(const QString& text) {
        const auto jetzt = Uhr::now();
        if (text.startsWith(QStringLiteral("Soll/Haben"))) pruefung = jetzt;
        else if (text.startsWith(QStringLiteral("Buchungsdateien"))) auswahl = jetzt;
        else if (text.startsWith(QStringLiteral("Laufende Objekt-Nr")) && erstesObjekt == Uhr::time_point{})
            erstesObjekt = jetzt;
    }
};

DruckAuftrag auftrag(const QString& db, const QString& pdf) {
    DruckAuftrag a;
    a.datenbank = db;
    a.vonObjNr = QStringLiteral("1");
    a.bisObjNr = QStringLiteral("99999");
    a.abrVon = QStringLiteral("01.2003");
    a.abrBis = QStringLiteral("12.2003");
    a.pdfDatei = pdf;
    a.eurAts = true;
    a.fortschritt = false;
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser cl;
    cl.setApplicationDescription(QStringLiteral("Prints all statements of a synthetic client and times the run."));
    cl.addHelpOption();
    const QCommandLineOption dbOpt(QStringLiteral("db"), QStringLiteral("Client database, reused when it matches."),
                                   QStringLiteral("DB"), QStringLiteral("hmzres_bench.db"));
    const QCommandLineOption scaleOpt(QStringLiteral("scale"), QStringLiteral("Multiplies properties and bookings."),
                                      QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Seed of the generated data."),
                                     QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption pdfOpt(QStringLiteral("pdf"), QStringLiteral("PDF of the run."), QStringLiteral("FILE"),
                                    QStringLiteral("hmzres_bench.pdf"));
    const QCommandLineOption neuOpt(QStringLiteral("regenerate"), QStringLiteral("Always write the data anew."));
    const QCommandLineOption csvOpt(QStringLiteral("csv"), QStringLiteral("Only the bookings through export-csv and import-csv."));
    cl.addOptions({dbOpt, scaleOpt, seedOpt, pdfOpt, neuOpt, csvOpt});
    cl.process(app);

    bool ok1 = false, ok2 = false;
    const int scale = cl.value(scaleOpt).toInt(&ok1);
    const auto seed = cl.value(seedOpt).toULongLong(&ok2);
    if (!ok1 || !ok2 || scale < 1 || scale > 99) {
        std::fputs("hmzres_bench: --scale takes 1 to 99, --seed a whole number\n", stderr);
        return 2;
    }
    const QString dbPfad = cl.value(dbOpt);
    const QString pdfPfad = cl.value(pdfOpt);

    try {
        // The data: reused when the file holds what this scale generates
        // (the seed is not stored; --regenerate forces a new file).
        const auto p = bench::GeneratorParameter::skaliert(scale, seed);
        Bestand b = cl.isSet(neuOpt) ? Bestand{} : bestand(dbPfad);
        if (b.objekte != p.objekte || b.buchungen != p.buchungen) {
            const auto start = Uhr::now();
            bench::generieren(dbPfad, p);
            zeile("generate_s", sekunden(Uhr::now() - start));
            b = bestand(dbPfad);
        } else {
            zeile("generate_s", QStringLiteral("reused"));
        }
        zeile("cores", static_cast<long long>(QThread::idealThreadCount()));
        zeile("scale", static_cast<long long>(scale));
        zeile("properties", static_cast<long long>(b.objekte));
        zeile("properties_printed", static_cast<long long>(b.gedruckt));
        zeile("bookings", static_cast<long long>(b.buchungen));
        if (cl.isSet(csvOpt)) return bench::csvRunde(dbPfad);

        // The run, as "hmzres print" runs it, with the real printer timed.
        bench::DruckMessung zeit;
        Verlauf verlauf;
        auto lauf = auftrag(dbPfad, pdfPfad);
        lauf.druckerHuelle = [&](std::unique_ptr<Drucker> echt) -> std::unique_ptr<Drucker> {
            return std::make_unique<bench::ZeitDrucker>(std::move(echt), zeit);
        };
        lauf.fortschrittBeobachter = [&](const QString& t) { verlauf.caption(t); };
        const double cpuStart = cpuSekunden();
        const auto start = Uhr::now();
        const int status = druckAuftragAusfuehren(lauf);
        const auto ende = Uhr::now();
        const double cpu = cpuSekunden() - cpuStart;
        const double wand = sekunden(ende - start);
        const double rssLauf = spitzeMb();
        if (status != 0) {
            std::fprintf(stderr, "hmzres_bench: the run ended with status %d\n", status);
            return status;
        }
        if (zeit.aufrufe == 0) {
            std::fputs("hmzres_bench: the run did not print through the timed printer\n", stderr);
            return 4;
        }
        const double render = sekunden(zeit.zeit);
        zeile("wall_s", wand);
        zeile("cpu_s", cpu);
        zeile("render_s", render);
        zeile("render_measure_s", sekunden(zeit.messen));
        zeile("render_draw_s", sekunden(zeit.zeichnen));
        zeile("render_enddoc_s", sekunden(zeit.abschluss));
        zeile("printer_calls", static_cast<long long>(zeit.aufrufe));
        zeile("text_measurements", static_cast<long long>(zeit.messungen));
        zeile("texts_printed", static_cast<long long>(zeit.texte));
        zeile("database_s", wand - render);
        zeile("properties_per_s", b.gedruckt / wand, 1);
        if (verlauf.pruefung != Uhr::time_point{} && verlauf.auswahl != Uhr::time_point{} &&
            verlauf.erstesObjekt != Uhr::time_point{}) {
            const double pruefung = sekunden(verlauf.auswahl - verlauf.pruefung);
            const double auswahl = sekunden(verlauf.erstesObjekt - verlauf.auswahl);
            zeile("balance_check_s", pruefung);
            zeile("balance_check_share", pruefung / wand);
            zeile("selection_s", auswahl);
            zeile("selection_share", auswahl / wand);
        }
        zeile("pdf_mb", QFileInfo(pdfPfad).size() / 1048576.0, 1);
        zeile("peak_rss_run_mb", rssLauf, 1);

        // The same run into one PDF per property, drawn on all cores.
        {
            QTemporaryDir ordner;
            auto jeObjekt = auftrag(dbPfad, QString());
            jeObjekt.pdfOrdner = ordner.path();
            const auto dirStart = Uhr::now();
            const int dirStatus = druckAuftragAusfuehren(jeObjekt);
            const double dirWand = sekunden(Uhr::now() - dirStart);
            if (dirStatus != 0) {
                std::fprintf(stderr, "hmzres_bench: the --pdf-dir run ended with status %d\n", dirStatus);
                return dirStatus;
            }
            zeile("pdf_dir_wall_s", dirWand);
            zeile("pdf_dir_files", static_cast<long long>(QDir(ordner.path()).entryList(QDir::Files).size()));
            zeile("pdf_dir_to_single", dirWand / wand, 2);
        }

        // Floor (a): the database.
        std::int64_t gruppen = 0;
        double bodenDbCpu = 0;
        const double bodenDb = datenbankBoden(dbPfad, gruppen, bodenDbCpu);
        zeile("balances", static_cast<long long>(gruppen));
        zeile("floor_db_s", bodenDb);
        zeile("floor_db_cpu_s", bodenDbCpu);

        // Floor (b): the same run recorded, then only the replay into a PDF timed.
        Aufzeichnung liste;
        {
            AufzeichnungsDrucker rec;
            bench::DruckMessung egal;
            auto aufnahme = auftrag(dbPfad, pdfPfad);
            aufnahme.druckerHuelle = [&](std::unique_ptr<Drucker>) -> std::unique_ptr<Drucker> {
                return std::make_unique<bench::ZeitDrucker>(rec, egal);
            };
            if (druckAuftragAusfuehren(aufnahme) != 0 || rec.eintraege().empty()) {
                std::fputs("hmzres_bench: the recording run failed\n", stderr);
                return 4;
            }
            liste = rec.eintraege();
        }
        long long seiten = 0;
        for (const auto& e : liste)
            if (e.art == AufzeichnungsEintrag::Art::Seite) ++seiten;
        zeile("pages", seiten);
        zeile("pages_per_s", seiten / wand, 1);
        QTemporaryDir tmp;
        const auto ziel = QtDrucker::fuerPdf(tmp.filePath(QStringLiteral("floor.pdf")));
        const auto abspielStart = Uhr::now();
        abspielen(liste, *ziel);
        const double bodenRender = sekunden(Uhr::now() - abspielStart);
        zeile("floor_render_s", bodenRender);
        zeile("floor_render_pages_per_s", seiten / bodenRender, 1);
        zeile("peak_rss_mb", spitzeMb(), 1);
        zeile("ratio", wand / (bodenDb + bodenRender), 2);
    } catch (const Fehler& e) {
        std::fprintf(stderr, "hmzres_bench: %s (%ld)\n", qPrintable(e.Beschreibung()), e.Nummer());
        return 4;
    }
    return 0;
}
