#include "report/drucker.h"

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
// CUPS default queue, or, on a machine without one, the PDF file
// "hmzres.pdf" in the working directory.
Drucker& Printer() {
    auto& d = aktueller();
    if (!d) {
        const QString standard = QPrinterInfo::defaultPrinterName();
        if (!standard.isEmpty())
            d = PufferDrucker::fuerDrucker(standard);
        else
            d = PufferDrucker::fuerPdf(QStringLiteral("hmzres.pdf"));
    }
    return *d;
}

void setzeDrucker(std::unique_ptr<Drucker> d) { aktueller() = std::move(d); }

}  // namespace hmz
