#include "report/drucker.h"

#include "report/druckerauswahl.h"
#include "report/pufferdrucker.h"

#include <QPrinterInfo>

namespace hmz {

namespace {

std::unique_ptr<Drucker>& aktueller() {
    static std::unique_ptr<Drucker> d;
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
