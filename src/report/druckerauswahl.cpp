#include "report/druckerauswahl.h"

#include "core/fehler.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/pufferdrucker.h"
#include "shell/fehlermelden.h"

#include <QPrinterInfo>

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
