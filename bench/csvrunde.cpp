#include "csvrunde.h"

#include "core/fehler.h"
#include "entry/zustand.h"
#include "masterdata/stammdaten.h"
#include "statement/ergebnisexport.h"
#include "store/bulkwriter.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QFile>
#include <QTemporaryDir>
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

}  // namespace

int csvRunde(const QString& quelle) {
    if (db::Engine::IstServer(quelle)) {
        std::fputs("hmzres_bench: --csv needs a client file (a fresh server client needs a database of its own)\n", stderr);
        return 2;
    }
    QTemporaryDir ordner(quelle + QStringLiteral("-csv-XXXXXX"));
    const QString ziel = ordner.filePath(QStringLiteral("ziel.db"));
    const auto csv = [&](const QString& t) { return ordner.filePath(t + QStringLiteral(".csv")); };
    const QStringList tabellen{QStringLiteral("client"), QStringLiteral("properties"), QStringLiteral("accounts"), QStringLiteral("bookings"),
                               QStringLiteral("results")};
    Uhr::time_point start = Uhr::now();
    for (const QString& t : tabellen) {
        const auto art = *stamm::tabelleAusName(t);
        const bool jahr = art == stamm::Tabelle::Buchungen || art == stamm::Tabelle::Konten;
        stamm::CsvExport e{quelle, art, jahr ? std::optional<int>(2003) : std::nullopt, std::nullopt, std::nullopt, csv(t)};
        if (stamm::csvExportieren(e) != 0) return 4;
    }
    zeile("csv_export_s", seit(start));
    std::printf("csv_mb: %.1f\n", static_cast<double>(QFile(csv(QStringLiteral("bookings"))).size()) / 1048576.0);
    {
        auto db = db::Engine::instance().CreateDatabase(ziel, DatenbankPasswort);
        db::Transaktion t(*db);
        db::schemaAnlegen(*db, {});  // as init leaves a client of another year: the import makes the table
        t.commit();
        db->Close();
    }
    for (const QString& t : tabellen) {
        stamm::CsvImport i;
        i.datenbank = ziel;
        i.tabelle = *stamm::tabelleAusName(t);
        i.datei = csv(t);
        if (i.tabelle == stamm::Tabelle::Buchungen || i.tabelle == stamm::Tabelle::Konten) i.jahr = 2003;
        start = Uhr::now();
        if (stamm::csvImportieren(i) != 0) return 4;
        if (t == QLatin1String("bookings")) zeile("csv_import_s", seit(start));
    }
    std::printf("csv_import_peak_rss_mb: %.1f\n", spitzeMb());

    // The bulk writer with the same rows, read beforehand.
    std::vector<db::BuchungZeile> zeilen;
    {
        auto db = db::Engine::instance().OpenDatabase(quelle, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
        db->Zeilen(QStringLiteral("SELECT BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, BuKorrKZ, BuArt "
                                  "FROM ObjKanzleiBuchungen2003"),
                   [&](const std::vector<Variant>& z) {
                       const auto t = [&](int i) { return z[static_cast<std::size_t>(i)].istNull() ? QString() : z[static_cast<std::size_t>(i)].toString(); };
                       zeilen.push_back({z[0].toLong(), t(1), z[2].toDate(), z[3].istNull() ? 0 : z[3].toLong(), t(4), t(5),
                                         z[6].toCurrency(), t(7) == QLatin1String("H") ? 'H' : 'S', t(8), t(9)});
                   });
    }
    start = Uhr::now();
    {
        db::BulkWriter w(ordner.filePath(QStringLiteral("bulk.db")), {2003}, DatenbankPasswort);
        for (const auto& b : zeilen) w.buchung(b);
        w.fertig();
    }
    const double bulk = seit(start);
    zeile("bulk_writer_s", bulk);
    const bool gleich = figuren(quelle) == figuren(ziel);
    std::printf("csv_statements_equal: %s\n", gleich ? "yes" : "NO");
    return gleich ? 0 : 4;
}

}  // namespace hmz::bench
