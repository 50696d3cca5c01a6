#include "csvrunde.h"

#include "core/fehler.h"
#include "entry/zustand.h"
#include "masterdata/stammdaten.h"
#include "statement/ergebnisexport.h"
#include "store/bulkwriter.h"
#include "store/datenzugriff.h"
#include "store/postgres/pg_verbindung.h"
#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>


namespace hmz::bench {

namespace {

using Uhr = std::chrono::steady_clock;

double seit(Uhr::time_point t) { return std::chrono::duration<double>(Uhr::now() - t).count(); }

double spitzeMb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_maxrss) / 1024.0;
}

void zeile(const char* name, double wert) { std::printf("%s: %.3f\n", name, wert); }

void reihe(const char* name, std::vector<double> werte) {
    std::printf("%s:", name);
    for (double w : werte) std::printf(" %.3f", w);
    std::printf("\n");
}

double median(std::vector<double> w) {
    std::sort(w.begin(), w.end());
    return w[w.size() / 2];
}

// The statements' figures of 2003 as "hmzres export" writes them.
QByteArray figuren(const QString& db) {
    ExportAuftrag a;
    a.datenbank = db;
    a.vonObjNr = QStringLiteral("1");
    a.bisObjNr = QStringLiteral("99999");
    a.jahr = QStringLiteral("2003");
    std::vector<ObjektErgebnis> e;
    return ergebnisseBerechnen(a, e) == 0 ? alsCsv(e) : QByteArray();
}

// Where the imported client and the bulk writer's go: files in a temporary
// folder beside the source, or schemas of their own on the source's server,
// made empty before each round and dropped at the end.
class Ziele {
public:
    explicit Ziele(const QString& quelle)
        : quelle_(quelle), server_(db::Engine::IstServer(quelle)),
          ordner_(server_ ? QDir::tempPath() + QStringLiteral("/hmzres_bench-csv-XXXXXX") : quelle + QStringLiteral("-csv-XXXXXX")) {}
    ~Ziele() {
        if (server_)
            for (const char* s : {"hmzres_bench_csv_import", "hmzres_bench_csv_bulk"})
                sql(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(QLatin1String(s)));
    }
    QString csv(const QString& tabelle) const { return ordner_.filePath(tabelle + QStringLiteral(".csv")); }

    // An empty place for a client, made anew.
    QString neu(const char* art) {
        if (!server_) {
            const QString pfad = ordner_.filePath(QLatin1String(art) + QStringLiteral(".db"));
            for (const QString& p : {pfad, pfad + QStringLiteral("-wal"), pfad + QStringLiteral("-shm")}) QFile::remove(p);
            return pfad;
        }
        const QString schema = QStringLiteral("hmzres_bench_csv_%1").arg(QLatin1String(art));
        if (!sql(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(schema))) return {};
        QUrl url(quelle_);
        QUrlQuery q(url);
        q.removeAllQueryItems(QStringLiteral("options"));
        q.addQueryItem(QStringLiteral("options"), QStringLiteral("-csearch_path=%1").arg(schema));
        url.setQuery(q);
        return url.toString(QUrl::FullyEncoded);
    }

private:
    QString quelle_;
    bool server_;
    QTemporaryDir ordner_;

    bool sql(const QString& befehl) const {
        try {
            db::PgConnection(quelle_).exec(befehl);
            return true;
        } catch (const Fehler& f) {
            std::fprintf(stderr, "hmzres_bench: %s\n", qPrintable(f.Beschreibung()));
            return false;
        }
    }
};

}  // namespace

int csvRunde(const QString& quelle, int runden) {
    Ziele ziele(quelle);
    const QStringList tabellen{QStringLiteral("client"), QStringLiteral("properties"), QStringLiteral("accounts"), QStringLiteral("bookings"),
                               QStringLiteral("results")};
    Uhr::time_point start = Uhr::now();
    for (const QString& t : tabellen) {
        const auto art = *stamm::tabelleAusName(t);
        const bool jahr = art == stamm::Tabelle::Buchungen || art == stamm::Tabelle::Konten;
        stamm::CsvExport e{quelle, art, jahr ? std::optional<int>(2003) : std::nullopt, std::nullopt, std::nullopt, ziele.csv(t)};
        if (stamm::csvExportieren(e) != 0) return 4;
    }
    zeile("csv_export_s", seit(start));
    std::printf("csv_mb: %.1f\n", static_cast<double>(QFile(ziele.csv(QStringLiteral("bookings"))).size()) / 1048576.0);

    // A fresh client as init leaves one for another year (the import makes
    // the year's table), filled table by table; only the bookings are timed.
    QString ziel;
    const auto importieren = [&]() -> double {
        ziel = ziele.neu("import");
        if (ziel.isEmpty()) return -1;
        {
            auto db = db::Engine::instance().CreateDatabase(ziel, DatenbankPasswort);
            db::Transaktion t(*db);
            db::schemaAnlegen(*db, {});
            t.commit();
            db->Close();
        }
        double s = -1;
        for (const QString& t : tabellen) {
            stamm::CsvImport i;
            i.datenbank = ziel;
            i.tabelle = *stamm::tabelleAusName(t);
            i.datei = ziele.csv(t);
            if (i.tabelle == stamm::Tabelle::Buchungen || i.tabelle == stamm::Tabelle::Konten) i.jahr = 2003;
            const auto anfang = Uhr::now();
            if (stamm::csvImportieren(i) != 0) return -1;
            if (t == QLatin1String("bookings")) s = seit(anfang);
        }
        return s;
    };
    std::vector<double> importe, bulk;
    importe.push_back(importieren());
    if (importe.back() < 0) return 4;
    std::printf("csv_import_peak_rss_mb: %.1f\n", spitzeMb());  // before the bulk writer's rows are in memory

    // The bulk writer with the same rows, read beforehand; the two take turns,
    // so that a busy moment of the machine falls on both alike.
    std::vector<db::BuchungZeile> zeilen;
    {
        auto db = db::Engine::instance().OpenDatabase(quelle, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
        db->Zeilen(QStringLiteral("SELECT BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, BuKorrKZ, BuArt "
                                  "FROM ObjKanzleiBuchungen2003 ORDER BY BuNr"),
                   [&](const std::vector<Variant>& z) {
                       const auto t = [&](int i) { return z[static_cast<std::size_t>(i)].istNull() ? QString() : z[static_cast<std::size_t>(i)].toString(); };
                       zeilen.push_back({z[0].toLong(), t(1), z[2].toDate(), z[3].istNull() ? 0 : z[3].toLong(), t(4), t(5),
                                         z[6].toCurrency(), t(7) == QLatin1String("H") ? 'H' : 'S', t(8), t(9)});
                   });
    }
    for (int r = 0; r < runden; ++r) {
        if (r > 0) {
            importe.push_back(importieren());
            if (importe.back() < 0) return 4;
        }
        const QString ort = ziele.neu("bulk");
        if (ort.isEmpty()) return 4;
        start = Uhr::now();
        {
            db::BulkWriter w(ort, {2003}, DatenbankPasswort);
            for (const auto& b : zeilen) w.buchung(b);
            w.fertig();
        }
        bulk.push_back(seit(start));
    }
    reihe("csv_import_runs_s", importe);
    reihe("bulk_writer_runs_s", bulk);
    zeile("csv_import_s", median(importe));
    zeile("bulk_writer_s", median(bulk));
    std::vector<double> verhaeltnis;
    for (std::size_t r = 0; r < bulk.size(); ++r) verhaeltnis.push_back(importe[r] / bulk[r]);
    std::printf("csv_import_to_bulk: %.2f\n", median(verhaeltnis));
    const bool gleich = figuren(quelle) == figuren(ziel);
    std::printf("csv_statements_equal: %s\n", gleich ? "yes" : "NO");
    return gleich ? 0 : 4;
}

}  // namespace hmz::bench
