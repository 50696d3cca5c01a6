// The client record ("Mandant"): one form over the rules of
// masterdata/mandant.h. "Speichern" stores it in one short transaction and
// closes; a refusal stays in the form with its reason.
#pragma once

#include "masterdata/mandant.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace hmz {

class MandantDialog : public QDialog {
    Q_OBJECT
public:
    enum Feld { Name, Name2, Name3, Anschrift, Nation, Plz, Ort, EuroKurs, MonatsStatus, Felder };
    explicit MandantDialog(const QString& datenbank, QWidget* parent = nullptr);
    QLineEdit* feld(Feld f) const { return felder_[f]; }
    // A refusal of the store or another program's change (the fields then show what is stored).
    QLabel* meldung() const { return meldung_; }
    void laden();
    void accept() override;

private:
    QString datenbank_;
    QLineEdit* felder_[Felder];
    QLabel* gruende_[Felder];
    QLabel* meldung_;
    std::optional<stamm::MandantSatz> gezeigt_;
};

}  // namespace hmz
