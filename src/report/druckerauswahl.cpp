#include "report/druckerauswahl.h"

#include "core/fehler.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/pufferdrucker.h"
#include "shell/fehlermelden.h"

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
    return QStringLiteral("the print service (CUPS) at %1 cannot be reached").arg(adresse);
}

void setzeDruckerSammlung(std::function<QStringList()> sammlung) { sammlungsQuelle() = std::move(sammlung); }

DruckerListe DruckerListeFuellen() {
    // Read for its failure: an array that does not reach element 55 is an error here.
    (void)aufruf().AufrufParameter.at(55);
    DruckerListe liste;
    liste.anzeige = Printer().DeviceName();
    const QStringList namen = druckerSammlung();
    for (qsizetype i = 0; i < namen.size(); ++i) liste.eintraege.push_back({namen.at(i), static_cast<long>(i)});
    return liste;
}

void DruckerWaehlen(long position) {
    mitMeldung(QStringLiteral("gvuRechwesen, in cmbPrinter_Click"), [&] {
        const QStringList namen = druckerSammlung();
        if (position < 0 || position >= namen.size()) wirfIndexFehler();
        setzeDrucker(PufferDrucker::fuerDrucker(namen.at(position)));
    });
}

}  // namespace hmz
