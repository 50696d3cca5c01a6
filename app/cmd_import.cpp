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
    std::printf("%lld Tabellen mit %ld Zeilen aus '%s' nach '%s' übernommen:\n", static_cast<long long>(r.tables.size()), zeilen,
                qPrintable(mdb), qPrintable(db));
    for (const auto& t : r.tables) {
        std::printf("  %-*s %8ld Zeilen", breite, qPrintable(t.name), t.rowsWritten);
        if (t.rowsWritten != t.rowsRead) std::printf(" (%ld nicht übernommen)", t.rowsRead - t.rowsWritten);
        std::printf("\n");
    }
    if (!r.createdEmpty.isEmpty()) std::printf("Leer angelegt: %s\n", qPrintable(r.createdEmpty.join(QStringLiteral(", "))));
    if (!r.holdsClientTables())
        std::printf("'%s' enthält keine der Mandantentabellen: die neue Datenbank hat keine Objekte, Konten oder Buchungen.\n",
                    qPrintable(mdb));
    if (r.problems.isEmpty()) {
        std::printf("Alle Werte wurden übernommen.\n");
        return;
    }
    std::printf("Nicht übernommen (%lld):\n", static_cast<long long>(r.problems.size()));
    int n = 0;
    for (const auto& p : r.problems) {
        if (++n > MaxProblemLines) {
            std::printf("  ... und %lld weitere\n", static_cast<long long>(r.problems.size() - MaxProblemLines));
            break;
        }
        QString wo = p.table;
        if (p.row > 0) wo += QStringLiteral(", Zeile %1").arg(p.row);
        if (!p.column.isEmpty()) wo += QStringLiteral(", Spalte %1").arg(p.column);
        std::printf("  %s: %s\n", qPrintable(wo), qPrintable(p.text));
    }
}

int importieren(const Befehlszeile& z) {
    hmz::importer::ImportOptions opt;
    opt.mdbPath = z.value(QStringLiteral("mdb"));
    opt.dbPath = z.value(QStringLiteral("db"));
    opt.overwrite = z.isSet(QStringLiteral("force"));
    if (hmz::sameFile(opt.mdbPath, opt.dbPath))
        return z.falsch(QStringLiteral("--mdb und --db nennen dieselbe Datei '%1'").arg(opt.dbPath));
    try {
        if (!opt.overwrite && hmz::db::Engine::instance().Vorhanden(opt.dbPath))
            return z.fehlschlag(QStringLiteral("'%1' gibt es schon; --force ersetzt sie")
                                    .arg(hmz::db::Engine::Anzeigename(opt.dbPath)));
    } catch (const hmz::Fehler& e) {
        return z.fehlschlag(QStringLiteral("Übernahme fehlgeschlagen, keine Datenbank geschrieben: %1").arg(e.Beschreibung()));
    }
    opt.progress = [](const QString& table, long rows, bool done) {
        if (rows == 0 && !done) return;
        std::printf("%s: %ld Zeilen%s\n", qPrintable(table), rows, done ? "" : " ...");
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
        return z.fehlschlag(QStringLiteral("Übernahme fehlgeschlagen, keine Datenbank geschrieben: %1").arg(e.Beschreibung()));
    }
    zeigeErgebnis(r, opt.mdbPath, opt.dbPath);
    std::fflush(stdout);
    if (!r.problems.isEmpty()) {
        std::fprintf(stderr, "hmzres import-mdb: %lld Werte oder Zeilen konnten nicht übernommen werden (siehe die Liste oben)\n",
                     static_cast<long long>(r.problems.size()));
        return ausgang::Teilweise;
    }
    return ausgang::Erledigt;
}

}  // namespace

Befehl importMdbBefehl() {
    return {QStringLiteral("import-mdb"), QStringLiteral("--mdb DATEI --db DB [--force]"),
            QStringLiteral("Übernimmt jede Tabelle einer Access-Datenbank (.mdb, .accdb) in eine neue Mandantendatenbank.\n"
                           "DB ist eine Mandantendatei oder eine postgresql://-URI; eine vorhandene wird nur mit --force ersetzt.\n"
                           "Neben dem Status unten: 5 übernommen, aber in der Zusammenfassung genannte Werte oder Zeilen\n"
                           "nicht; 4 auch, wenn nichts übernommen wurde (unlesbare oder beschädigte Datei);\n"
                           "130 oder 143 nach Ctrl-C oder SIGTERM: nichts wurde geschrieben."),
            {
                {QStringLiteral("mdb"), QStringLiteral("die zu lesende Access-Datei"), QStringLiteral("DATEI")},
                {QStringLiteral("db"), QStringLiteral("die zu schreibende Mandantendatenbank"), QStringLiteral("DB")},
                {QStringLiteral("force"), QStringLiteral("eine vorhandene Mandantendatenbank ersetzen")},
            },
            {QStringLiteral("mdb"), QStringLiteral("db")}, false, importieren};
}
