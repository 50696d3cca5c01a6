#include "befehle.h"

#include "report/druckerauswahl.h"

#include <QPrinterInfo>
#include <cstdio>

// One printer per line in the order the dialog offers them; the system's
// default printer carries " (default)".
int befehlPrinters(const QStringList& args) {
    if (!args.isEmpty()) {
        std::fputs("usage: hmzres printers\n", stderr);
        return 2;
    }
    const QString standard = QPrinterInfo::defaultPrinterName();
    for (const QString& name : hmz::druckerSammlung()) {
        const QString zeile = name == standard ? name + QStringLiteral(" (default)") : name;
        std::printf("%s\n", qPrintable(zeile));
    }
    return 0;
}
