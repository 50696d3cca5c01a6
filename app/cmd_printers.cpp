#include "befehle.h"

#include "report/druckerauswahl.h"

#include <QPrinterInfo>
#include <cstdio>

namespace {

// One printer per line in the order the dialog offers them, the folder entry
// last; the system's default printer carries " (default)".
int druckerZeigen(const Befehlszeile& z) {
    // An unreachable service lists no printers: that must not look like "none set up".
    const QString dienst = hmz::druckdienstFehler();
    if (!dienst.isEmpty()) return z.fehlschlag(dienst);
    const QString standard = QPrinterInfo::defaultPrinterName();
    for (const QString& name : hmz::druckerSammlung()) {
        const QString zeile = name == standard ? name + QStringLiteral(" (default)") : name;
        std::printf("%s\n", qPrintable(zeile));
    }
    std::printf("%s\n", qPrintable(hmz::JeObjektEintrag));
    return ausgang::Erledigt;
}

}  // namespace

Befehl printersBefehl() {
    return {QStringLiteral("printers"), QString(),
            QStringLiteral("Lists the printers the dialog offers, one a line; the default one is marked."),
            {}, {}, false, druckerZeigen};
}
