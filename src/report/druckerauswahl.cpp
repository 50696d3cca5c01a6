#include "report/druckerauswahl.h"

#include "core/fehler.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/pufferdrucker.h"
#include "report/qtdrucker.h"
#include "shell/fehlermelden.h"
#include "shell/oberflaeche.h"

#include <QPrinterInfo>

#include <cups/cups.h>

namespace hmz {

namespace {

std::function<QStringList()>& sammlungsQuelle() {
    static std::function<QStringList()> f;
    return f;
}

}  // namespace

QStringList druckerSammlung() {
    if (sammlungsQuelle()) return sammlungsQuelle()();
    return QPrinterInfo::availablePrinterNames();
}

QString druckdienstFehler() {
    if (sammlungsQuelle()) return {};
    cups_dest_t* ziele = nullptr;
    const int anzahl = cupsGetDests2(CUPS_HTTP_DEFAULT, &ziele);
    cupsFreeDests(anzahl, ziele);
    if (anzahl > 0 || cupsLastError() != IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) return {};
    const QString server = QString::fromLocal8Bit(cupsServer());
    const QString adresse = server.startsWith(QLatin1Char('/')) ? server : QStringLiteral("%1:%2").arg(server).arg(ippPort());
    return QStringLiteral("der Druckdienst (CUPS) unter %1 ist nicht erreichbar; starten Sie ihn oder prüfen Sie CUPS_SERVER").arg(adresse);
}

bool druckerBekannt(const QString& name) {
    if (sammlungsQuelle()) return sammlungsQuelle()().contains(name);
    return QtDrucker::cupsZielBekannt(name);
}

QString druckerFehltText(const QString& name) {
    return QStringLiteral("Der Drucker „%1“ ist nicht mehr eingerichtet; bitte einen anderen Drucker wählen.").arg(name);
}

void setzeDruckerSammlung(std::function<QStringList()> sammlung) { sammlungsQuelle() = std::move(sammlung); }

DruckerListe DruckerListeFuellen() {
    // Read for its failure: an array that does not reach element 55 is an error here.
    (void)aufruf().AufrufParameter.at(55);
    DruckerListe liste;
    liste.anzeige = Printer().DeviceName();
    const QStringList namen = druckerSammlung();
    for (const QString& name : namen) liste.eintraege.push_back({name});
    return liste;
}

bool DruckerWaehlen(const QString& name) {
    if (!druckerBekannt(name)) {
        ui().melden({druckerFehltText(name)});
        return false;
    }
    return mitMeldung(QStringLiteral("gvuRechwesen, in cmbPrinter_Click"),
                      [&] { setzeDrucker(PufferDrucker::fuerDrucker(name)); });
}

}  // namespace hmz
