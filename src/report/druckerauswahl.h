// The printer list of the run dialog and the choice of the current printer,
// without widgets: the dialog puts the entries into its combo box and calls
// DruckerWaehlen with the chosen entry's item data.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace hmz {

struct DruckerEintrag {
    QString name;
    long position = 0;  // item data: the printer's position in the collection
};

struct DruckerListe {
    std::vector<DruckerEintrag> eintraege;  // in collection order
    QString anzeige;                        // the current printer's name, shown first
};

// The platform's printer collection: the CUPS queues in Qt's order.
QStringList druckerSammlung();
// Empty when the print service answers; otherwise a text saying that it
// cannot be reached (the collection is then empty, but not because there
// are no printers).
QString druckdienstFehler();
// Tests put a fixed collection in; an empty function restores the real one.
void setzeDruckerSammlung(std::function<QStringList()> sammlung);

// Fills the list from the printer collection. Call-parameter element 55 = 1
// asks for the registry's printer entries, which exist only on Windows; the
// collection fills the list then too. Raises error 9 when the call
// parameters do not reach element 55.
DruckerListe DruckerListeFuellen();

// The printer at `position` of the collection becomes the current printer
// (a PufferDrucker on that queue). Failures are reported with
// "gvuRechwesen, in cmbPrinter_Click"; the previous printer stays then.
void DruckerWaehlen(long position);

}  // namespace hmz
