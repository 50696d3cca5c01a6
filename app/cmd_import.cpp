#include "befehle.h"

#include "abbruchsignal.h"
#include "core/fehler.h"
#include "core/samefile.h"
#include "importer/mdbimport.h"
#include "stderrfilter.h"
#include "store/datenzugriff.h"

#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int MaxProblemLines = 100;

void zeigeErgebnis(const hmz::importer::ImportResult& r, const QString& mdb, const QString& db) {
    long zeilen = 0;
    int breite = 0;
    for (const auto& t : r.tables) {
        zeilen += t.rowsWritten;
        breite = std::max(breite, static_cast<int>(t.name.size()));
    }
    std::printf("Imported %lld tables, %ld rows from '%s' into '%s':\n", static_cast<long long>(r.tables.size()), zeilen,
                qPrintable(mdb), qPrintable(db));
    for (const auto& t : r.tables) {
        std::printf("  %-*s %8ld rows", breite, qPrintable(t.name), t.rowsWritten);
        if (t.rowsWritten != t.rowsRead) std::printf(" (%ld not copied)", t.rowsRead - t.rowsWritten);
        std::printf("\n");
    }
    if (!r.createdEmpty.isEmpty()) std::printf("Created empty: %s\n", qPrintable(r.createdEmpty.join(QStringLiteral(", "))));
    if (!r.holdsClientTables())
        std::printf("'%s' holds none of the client tables: the new database has no properties, accounts or bookings.\n",
                    qPrintable(mdb));
    if (r.problems.isEmpty()) {
        std::printf("Every value was converted.\n");
        return;
    }
    std::printf("Not converted (%lld):\n", static_cast<long long>(r.problems.size()));
    int n = 0;
    for (const auto& p : r.problems) {
        if (++n > MaxProblemLines) {
            std::printf("  ... and %lld more\n", static_cast<long long>(r.problems.size() - MaxProblemLines));
            break;
        }
        QString wo = p.table;
        if (p.row > 0) wo += QStringLiteral(", row %1").arg(p.row);
        if (!p.column.isEmpty()) wo += QStringLiteral(", column %1").arg(p.column);
        std::printf("  %s: %s\n", qPrintable(wo), qPrintable(p.text));
    }
}

int importieren(const Befehlszeile& z) {
    hmz::importer::ImportOptions opt;
    opt.mdbPath = z.value(QStringLiteral("mdb"));
    opt.dbPath = z.value(QStringLiteral("db"));
    opt.overwrite = z.isSet(QStringLiteral("force"));
    if (hmz::sameFile(opt.mdbPath, opt.dbPath))
        return z.falsch(QStringLiteral("--mdb and --db name the same file '%1'").arg(opt.dbPath));
    try {
        if (!opt.overwrite && hmz::db::Engine::instance().Vorhanden(opt.dbPath))
            return z.fehlschlag(QStringLiteral("'%1' exists already; use --force to replace it")
                                    .arg(hmz::db::Engine::Anzeigename(opt.dbPath)));
    } catch (const hmz::Fehler& e) {
        return z.fehlschlag(QStringLiteral("import failed, no database written: %1").arg(e.Beschreibung()));
    }
    opt.progress = [](const QString& table, long rows, bool done) {
        if (rows == 0 && !done) return;
        std::printf("%s: %ld rows%s\n", qPrintable(table), rows, done ? "" : " ...");
        std::fflush(stdout);
    };
    const LadungsAbbruch abbruch("hmzres import-mdb: abgebrochen, keine Datenbank geschrieben\n", STDERR_FILENO);
    opt.cancel = &abbruch.abgebrochen();

    hmz::importer::ImportResult r;
    try {
        // libmdb warns on stderr for every damaged value: the user sees each warning once.
        const StderrFilter meldungen;
        r = hmz::importer::importMdb(opt);
    } catch (const hmz::Fehler& e) {
        std::fflush(stdout);
        if (abbruch.signal().load()) return abbruch.melden();
        return z.fehlschlag(QStringLiteral("import failed, no database written: %1").arg(e.Beschreibung()));
    }
    zeigeErgebnis(r, opt.mdbPath, opt.dbPath);
    std::fflush(stdout);
    if (!r.problems.isEmpty()) {
        std::fprintf(stderr, "hmzres import-mdb: %lld values or rows could not be converted (see the list above)\n",
                     static_cast<long long>(r.problems.size()));
        return ausgang::Teilweise;
    }
    return ausgang::Erledigt;
}

}  // namespace

Befehl importMdbBefehl() {
    return {QStringLiteral("import-mdb"), QStringLiteral("--mdb FILE --db DB [--force]"),
            QStringLiteral("Copies every table of an Access database (.mdb, .accdb) into a new client database.\n"
                           "DB is a client file or a postgresql:// URI; an existing one is replaced only with --force. Besides the statuses below:\n"
                           "5 imported, but values or rows listed in the summary could not be converted;\n"
                           "4 also when nothing was imported (unreadable or damaged file);\n"
                           "130 or 143 after Ctrl-C or SIGTERM: nothing was written."),
            {
                {QStringLiteral("mdb"), QStringLiteral("the Access file to read"), QStringLiteral("FILE")},
                {QStringLiteral("db"), QStringLiteral("the client database to write"), QStringLiteral("DB")},
                {QStringLiteral("force"), QStringLiteral("replace an existing client database")},
            },
            {QStringLiteral("mdb"), QStringLiteral("db")}, false, importieren};
}
