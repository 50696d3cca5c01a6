#include "report/drucker.h"

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
