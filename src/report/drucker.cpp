#include "report/drucker.h"

#include "report/druckerauswahl.h"
#include "report/pufferdrucker.h"

#include <QCoreApplication>
#include <QPrinterInfo>

namespace hmz {

namespace {

std::unique_ptr<Drucker>& aktueller() {
    static std::unique_ptr<Drucker> d;
    // The printer's worker draws with Qt's fonts and painter: it must end
    // with the application object, not among the static destructors after it.
    [[maybe_unused]] static const bool beimEnde = [] {
        qAddPostRoutine([] { aktueller().reset(); });
        return true;
    }();
    return d;
}

}  // namespace

// Until someone chooses, the process prints where the system prints: the
// CUPS default queue; without one the first queue, which the dialog's
// printer list shows first; on a machine without any queue the PDF file
// "hmzres.pdf" in the working directory.
Drucker& Printer() {
    auto& d = aktueller();
    if (!d) {
        QString queue = QPrinterInfo::defaultPrinterName();
        if (queue.isEmpty()) queue = druckerSammlung().value(0);
        if (!queue.isEmpty())
            d = PufferDrucker::fuerDrucker(queue);
        else
            d = PufferDrucker::fuerPdf(QStringLiteral("hmzres.pdf"));
    }
    return *d;
}

void setzeDrucker(std::unique_ptr<Drucker> d) { aktueller() = std::move(d); }

}  // namespace hmz
