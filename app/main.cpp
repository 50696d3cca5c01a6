#include "befehle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

const char* const Hilfe =
    "usage: hmzres <command> [options]\n"
    "  demo [--db FILE] [--pdf FILE]\n"
    "  init --db FILE\n"
    "  print --db FILE --objects VON-BIS --period MM.JJ-MM.JJ (--pdf FILE | --printer NAME | --pdf-dir DIR)\n"
    "        [--eur-ats | --no-eur-ats] [--on-imbalance stop|continue] [--quiet]\n"
    "  dialog --db FILE [--booking-year N] [--month-status DD.MM.YYYY] [--help-file FILE]\n"
    "  printers\n"
    "  import-mdb --mdb FILE --db FILE [--force]\n"
    "  export --db FILE --year JJJJ [--objects VON-BIS] [--format csv|json] [--out FILE]\n";

}  // namespace

int main(int argc, char** argv) {
    const bool dialog = argc > 1 && std::strcmp(argv[1], "dialog") == 0;
    // Headless commands need no display: fall back to the offscreen platform.
    // The dialog does; without one Qt would abort, so say why instead.
    const bool keinDisplay = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
                             qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (keinDisplay && dialog) {
        std::fputs("hmzres dialog: no display found (set DISPLAY, or run it under xvfb-run)\n", stderr);
        return 2;
    }
    if (keinDisplay) qputenv("QT_QPA_PLATFORM", "offscreen");

    // Qt warns on stderr without a runtime folder; stderr carries the run's messages.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString ordner = QDir::tempPath() + QStringLiteral("/runtime-hmzres-%1").arg(getuid());
        QDir().mkpath(ordner);
        QFile::setPermissions(ordner, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", ordner.toLocal8Bit());
    }

    std::unique_ptr<QGuiApplication> app;
    if (dialog)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("hmzres"));

    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs(Hilfe, stderr);
        return 2;
    }
    const QString befehl = args.at(1);
    args = args.mid(2);
    if (befehl == QLatin1String("demo")) return befehlDemo(args);
    if (befehl == QLatin1String("init")) return befehlInit(args);
    if (befehl == QLatin1String("print")) return befehlPrint(args);
    if (befehl == QLatin1String("dialog")) return befehlDialog(args);
    if (befehl == QLatin1String("printers")) return befehlPrinters(args);
    if (befehl == QLatin1String("import-mdb")) return befehlImportMdb(args);
    if (befehl == QLatin1String("export")) return befehlExport(args);
    if (befehl == QLatin1String("--help") || befehl == QLatin1String("help")) {
        std::fputs(Hilfe, stdout);
        return 0;
    }
    std::fprintf(stderr, "hmzres: unknown command '%s'\n%s", qPrintable(befehl), Hilfe);
    return 2;
}
