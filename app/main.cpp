#include "befehle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QList<Befehl> alleBefehle() { return {demoBefehl(), initBefehl(), printBefehl(), dialogBefehl(), printersBefehl(), importMdbBefehl(), exportBefehl(),
            copyBefehl(), listBefehl(), exportCsvBefehl(), importCsvBefehl()}; }

QString uebersicht(const QList<Befehl>& befehle) {
    QString text = QStringLiteral("Aufruf: hmzres <Befehl> [Optionen]\n");
    for (const Befehl& b : befehle) {
        QString zeile = b.name + QLatin1Char(' ') + b.aufruf;
        zeile.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
        text += QStringLiteral("  ") + zeile.trimmed() + QLatin1Char('\n');
    }
    return text + QStringLiteral("DB ist eine Mandantendatei oder eine Server-URI (postgresql://benutzer@host:port/datenbank).\n"
                                 "Das Kennwort des Servers gehört nicht in die Befehlszeile: libpq nimmt es aus PGPASSWORD,\n"
                                 "~/.pgpass oder einer Servicedatei (postgresql:///datenbank?service=NAME).\n"
                                 "hmzres <Befehl> --help beschreibt einen Befehl und seine Optionen; hmzres --version nennt die Versionen.\n");
}

// The program's version and those of the libraries that decide its behaviour;
// nothing of this machine, so that a man page made from it is the same everywhere.
QString versionen() {
    sqlite3* db = nullptr;
    QString cipher;
    if (sqlite3_open(":memory:", &db) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA cipher_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            cipher = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    const int pq = PQlibVersion();
    return QStringLiteral("hmzres %1\nQt %2\nSQLCipher %3 (SQLite %4)\nlibpq %5.%6\nlibmdb %7\n")
        .arg(QStringLiteral(HMZRES_VERSION), QString::fromLatin1(qVersion()), cipher, QString::fromLatin1(sqlite3_libversion()))
        .arg(pq / 10000)
        .arg(pq % 10000)
        .arg(QStringLiteral(HMZRES_MDB_VERSION));
}

bool istHilfe(const QString& a) {
    return a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("help");
}

// Headless commands need no display: fall back to the offscreen platform.
// The dialog does; without one Qt would abort, so say why instead.
bool anzeigeEinrichten(bool fenster) {
    const bool keinDisplay = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
                             qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (keinDisplay && fenster) {
        std::fputs("hmzres dialog: keine Anzeige gefunden (DISPLAY setzen oder unter xvfb-run starten)\n", stderr);
        return false;
    }
    if (keinDisplay) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns on stderr without a runtime folder; stderr carries the run's messages.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString ordner = QDir::tempPath() + QStringLiteral("/runtime-hmzres-%1").arg(getuid());
        QDir().mkpath(ordner);
        QFile::setPermissions(ordner, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", ordner.toLocal8Bit());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const QList<Befehl> befehle = alleBefehle();
    if (args.isEmpty()) {
        std::fputs(qPrintable(uebersicht(befehle)), stderr);
        return ausgang::Nutzung;
    }
    if (args.size() == 1 && (args.first() == QLatin1String("--version") || args.first() == QLatin1String("version"))) {
        std::fputs(qPrintable(versionen()), stdout);
        return ausgang::Erledigt;
    }
    // "hmzres help print" is "hmzres print --help".
    if (istHilfe(args.first()) && args.size() == 2) args = {args.at(1), QStringLiteral("--help")};
    if (istHilfe(args.first()) && args.size() == 1) {
        std::fputs(qPrintable(uebersicht(befehle)), stdout);
        return ausgang::Erledigt;
    }
    const auto befehl = std::find_if(befehle.begin(), befehle.end(), [&](const Befehl& b) { return b.name == args.first(); });
    if (befehl == befehle.end()) {
        std::fprintf(stderr, "hmzres: unbekannter Befehl '%s'\n%s", qPrintable(args.first()), qPrintable(uebersicht(befehle)));
        return ausgang::Nutzung;
    }

    // Usage errors and --help need neither a display nor the application.
    Befehlszeile zeile(*befehl);
    if (const auto status = zeile.lesen(args.mid(1))) return *status;
    if (!anzeigeEinrichten(befehl->fenster)) return ausgang::Nutzung;
    std::unique_ptr<QGuiApplication> app;
    if (befehl->fenster)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("hmzres"));
    // Qt's own dialogs (file chooser, buttons) speak German like the rest.
    QTranslator qtDeutsch;
    if (qtDeutsch.load(QLocale(QStringLiteral("de_AT")), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtDeutsch);
    return befehl->ausfuehren(zeile);
}
