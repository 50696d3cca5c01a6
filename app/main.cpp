#include "befehle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QList<Befehl> alleBefehle() { return {demoBefehl(), initBefehl(), printBefehl(), dialogBefehl(), printersBefehl(), importMdbBefehl(), exportBefehl(),
            copyBefehl(), listBefehl(), exportCsvBefehl(), importCsvBefehl()}; }

QString uebersicht(const QList<Befehl>& befehle) {
    QString text = QStringLiteral("usage: hmzres <command> [options]\n");
    for (const Befehl& b : befehle) {
        QString zeile = b.name + QLatin1Char(' ') + b.aufruf;
        zeile.replace(QLatin1Char('\n'), QStringLiteral("\n    "));
        text += QStringLiteral("  ") + zeile.trimmed() + QLatin1Char('\n');
    }
    return text + QStringLiteral("DB ist eine Mandantendatei oder eine Server-URI (postgresql://benutzer@host:port/datenbank).\n"
                                 "Das Kennwort des Servers gehört nicht in die Befehlszeile: libpq nimmt es aus PGPASSWORD,\n"
                                 "~/.pgpass oder einer Servicedatei (postgresql:///datenbank?service=NAME).\n"
                                 "hmzres <command> --help describes a command and its options.\n");
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
        std::fputs("hmzres dialog: no display found (set DISPLAY, or run it under xvfb-run)\n", stderr);
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
    // "hmzres help print" is "hmzres print --help".
    if (istHilfe(args.first()) && args.size() == 2) args = {args.at(1), QStringLiteral("--help")};
    if (istHilfe(args.first()) && args.size() == 1) {
        std::fputs(qPrintable(uebersicht(befehle)), stdout);
        return ausgang::Erledigt;
    }
    const auto befehl = std::find_if(befehle.begin(), befehle.end(), [&](const Befehl& b) { return b.name == args.first(); });
    if (befehl == befehle.end()) {
        std::fprintf(stderr, "hmzres: unknown command '%s'\n%s", qPrintable(args.first()), qPrintable(uebersicht(befehle)));
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
    return befehl->ausfuehren(zeile);
}
