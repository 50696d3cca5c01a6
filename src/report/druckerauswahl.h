// The printer list of the run dialog and the choice of the current printer,
// without widgets: the dialog puts the entries into its combo box and calls
// DruckerWaehlen with the chosen entry's queue name.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace hmz {

struct DruckerEintrag {
    QString name;  // the queue ("queue/instance" for an lpoptions instance)
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
// Whether `name` can be printed on now: the same lookup the job's hand-over
// uses, so a name that passes here does not fail there.
bool druckerBekannt(const QString& name);
// "Der Drucker ... ist nicht mehr eingerichtet; ...": the refusal of a queue
// that has gone since the list was read.
QString druckerFehltText(const QString& name);

// The printer box's last entry: one PDF file per property into a folder.
inline const QString JeObjektEintrag = QStringLiteral("PDF-Dateien je Objekt");
// Tests put a fixed collection in; an empty function restores the real one.
void setzeDruckerSammlung(std::function<QStringList()> sammlung);

// Fills the list from the printer collection. Call-parameter element 55 = 1
// asks for the registry's printer entries, which exist only on Windows; the
// collection fills the list then too. Raises error 9 when the call
// parameters do not reach element 55.
DruckerListe DruckerListeFuellen();

// The queue `name` becomes the current printer (a PufferDrucker on it). A
// queue that has gone is refused with a message; other failures are
// reported with "gvuRechwesen, in cmbPrinter_Click". False when the previous
// printer stays.
bool DruckerWaehlen(const QString& name);

}  // namespace hmz
