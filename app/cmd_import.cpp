#include "befehle.h"

#include "core/fehler.h"
#include "importer/mdbimport.h"
#include "stderrfilter.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <sys/time.h>
#include <unistd.h>

namespace {

const char* const Aufruf =
    "usage: hmzres import-mdb --mdb FILE --db FILE [--force]\n"
    "Copies every table of an Access database (.mdb, .accdb) into a new client\n"
    "database. An existing FILE of --db is replaced only with --force.\n"
    "Exit status: 0 everything copied; 2 wrong usage or the target exists;\n"
    "4 nothing imported (unreadable or damaged file, cannot write, interrupted);\n"
    "5 imported, but values or rows listed in the summary could not be converted.\n";

constexpr int MaxProblemLines = 100;

std::atomic<bool> abgebrochen{false};
volatile std::sig_atomic_t fehlerFd = STDERR_FILENO;

// Ends the process at once, without the unfinished store; async-signal-safe.
[[noreturn]] void sofortEnde() {
    hmz::importer::discardUnfinishedStore();
    static const char text[] = "hmzres: import interrupted, no database written\n";
    (void)!::write(fehlerFd, text, sizeof text - 1);
    ::_exit(4);
}

extern "C" void beimAlarm(int) { sofortEnde(); }

// Ctrl-C and kill ask the import to stop between rows and clean up. Should it
// be busy elsewhere (inside libmdb), the alarm ends it half a second later;
// a second signal ends it at once.
extern "C" void beimSignal(int) {
    if (abgebrochen.exchange(true)) sofortEnde();
    const itimerval halbeSekunde{{0, 0}, {0, 500000}};
    ::setitimer(ITIMER_REAL, &halbeSekunde, nullptr);
}

class SignalGuard {
public:
    explicit SignalGuard(int fehlerAusgabe) {
        fehlerFd = fehlerAusgabe;
        struct sigaction sa {};
        sa.sa_handler = beimSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &altInt_);
        sigaction(SIGTERM, &sa, &altTerm_);
        sa.sa_handler = beimAlarm;
        sigaction(SIGALRM, &sa, &altAlarm_);
    }
    ~SignalGuard() {
        const itimerval aus{};
        ::setitimer(ITIMER_REAL, &aus, nullptr);
        sigaction(SIGINT, &altInt_, nullptr);
        sigaction(SIGTERM, &altTerm_, nullptr);
        sigaction(SIGALRM, &altAlarm_, nullptr);
        fehlerFd = STDERR_FILENO;
    }

private:
    struct sigaction altInt_ {};
    struct sigaction altTerm_ {};
    struct sigaction altAlarm_ {};
};

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

}  // namespace

int befehlImportMdb(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption mdbOpt(QStringLiteral("mdb"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption dbOpt(QStringLiteral("db"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption forceOpt(QStringLiteral("force"));
    const QCommandLineOption hilfeOpt(QStringLiteral("help"));
    parser.addOptions({mdbOpt, dbOpt, forceOpt, hilfeOpt});
    if (!parser.parse(QStringList{QStringLiteral("hmzres")} + args) || !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "hmzres: %s\n%s",
                     qPrintable(parser.errorText().isEmpty() ? QStringLiteral("unexpected argument") : parser.errorText()),
                     Aufruf);
        return 2;
    }
    if (parser.isSet(hilfeOpt)) {
        std::fputs(Aufruf, stdout);
        return 0;
    }
    if (parser.value(mdbOpt).isEmpty() || parser.value(dbOpt).isEmpty()) {
        std::fputs(Aufruf, stderr);
        return 2;
    }
    hmz::importer::ImportOptions opt;
    opt.mdbPath = parser.value(mdbOpt);
    opt.dbPath = parser.value(dbOpt);
    opt.overwrite = parser.isSet(forceOpt);
    if (!opt.overwrite && QFileInfo::exists(opt.dbPath)) {
        std::fprintf(stderr, "hmzres: '%s' exists already; use --force to replace it\n", qPrintable(opt.dbPath));
        return 2;
    }
    opt.progress = [](const QString& table, long rows, bool done) {
        if (rows == 0 && !done) return;
        std::printf("%s: %ld rows%s\n", qPrintable(table), rows, done ? "" : " ...");
        std::fflush(stdout);
    };
    abgebrochen.store(false);
    opt.cancel = &abgebrochen;

    hmz::importer::ImportResult r;
    try {
        const StderrFilter meldungen;
        const SignalGuard signale(meldungen.originalFd() >= 0 ? meldungen.originalFd() : STDERR_FILENO);
        r = hmz::importer::importMdb(opt);
    } catch (const hmz::Fehler& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "hmzres: import failed, no database written: %s\n", qPrintable(e.Beschreibung()));
        return 4;
    }
    zeigeErgebnis(r, opt.mdbPath, opt.dbPath);
    std::fflush(stdout);
    if (!r.problems.isEmpty()) {
        std::fprintf(stderr, "hmzres: %lld values or rows could not be converted (see the list above)\n",
                     static_cast<long long>(r.problems.size()));
        return 5;
    }
    return 0;
}
