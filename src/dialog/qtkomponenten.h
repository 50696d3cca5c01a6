// The Qt components the hmzres host registers: the error display and the
// property search. Related modules that neither the host nor the library
// (modules/eingebaut.h) brings say so on their buttons.
#pragma once

#include "shell/komponenten.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTreeView;

namespace hmz {

// One row of the property search.
struct ObjektZeile {
    long nummer = 0;
    QString anschrift, plz, ort;
};

// Type-0 properties of the client database in AufrufParameter element 0, by number.
QList<ObjektZeile> objekteLesen(const QString& datenbankPfad);

// A filterable list of properties; the filter matches number, address, postcode and town.
class ObjektAuswahlDialog : public QDialog {
    Q_OBJECT
public:
    explicit ObjektAuswahlDialog(const QList<ObjektZeile>& zeilen, QWidget* parent = nullptr);
    // The properties of objekteLesen(datenbank), with "Objekte…" (the property
    // master; the list is read again after it) and "Mandant…" (the client record).
    explicit ObjektAuswahlDialog(const QString& datenbank, QWidget* parent = nullptr);
    void objekteZeigen();
    void mandantZeigen();
    QLineEdit* filter() const { return filter_; }
    QTreeView* liste() const { return liste_; }
    int sichtbareZeilen() const;
    // The chosen number after accept(); 0 otherwise.
    long gewaehlt() const { return gewaehlt_; }

private:
    void uebernehmen();
    void fuellen(const QList<ObjektZeile>& zeilen);

    QLineEdit* filter_;
    QTreeView* liste_;
    QStandardItemModel* modell_;
    QSortFilterProxyModel* gefiltert_;
    long gewaehlt_ = 0;
    QString datenbank_;
};

// The error display: number, description and source, the rest under "Details".
QString fehlerText(const FehlerAnzeige::Werte& w);
QString fehlerDetails(const FehlerAnzeige::Werte& w);

void qtKomponentenRegistrieren();
// The property search ("Objekt Auswahlhilfe") as a component.
std::unique_ptr<Komponente> neueObjektAuswahl();

}  // namespace hmz
