#include "befehle.h"

#include "report/druckerauswahl.h"

#include <QPrinterInfo>
#include <cstdio>

namespace {

// One printer per line in the order the dialog offers them, the folder entry
// last; the system's default printer carries " (Standard)".
int druckerZeigen(const Befehlszeile& z) {
    // An unreachable service lists no printers: that must not look like "none set up".
    const QString dienst = hmz::druckdienstFehler();
    if (!dienst.isEmpty()) return z.fehlschlag(dienst);
    const QString standard = QPrinterInfo::defaultPrinterName();
    for (const QString& name : hmz::druckerSammlung()) {
        const QString zeile = name == standard ? name + QStringLiteral(" (Standard)") : name;
        std::printf("%s\n", qPrintable(zeile));
    }
    std::printf("%s\n", qPrintable(hmz::JeObjektEintrag));
    return ausgang::Erledigt;
}

}  // namespace

Befehl printersBefehl() {
    return {QStringLiteral("printers"), QString(),
            QStringLiteral("Zeigt die Drucker, die der Dialog anbietet, einen je Zeile; der Standarddrucker ist markiert."),
            {}, {}, false, druckerZeigen};
}
