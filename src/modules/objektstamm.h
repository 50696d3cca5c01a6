// The property master ("Objekte"): every property of every type, entered,
// changed and deleted through the rules of masterdata/objekte.h.
#pragma once

#include "masterdata/objekte.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace hmz {

class ObjektStammDialog : public QDialog {
    Q_OBJECT
public:
    explicit ObjektStammDialog(const QString& datenbank, QWidget* parent = nullptr);
    QTableWidget* tabelle() const { return tabelle_; }
    // The last refusal or failure (empty after a save that went through).
    QLabel* meldung() const { return meldung_; }
    const std::vector<stamm::Objekt>& zeilen() const { return zeilen_; }
    void laden();
    void neu();
    void aendern();
    void loeschen();
    // The save paths behind the form and the confirmation; each reloads.
    void speichern(const std::optional<stamm::Objekt>& alt, const stamm::Objekt& neu);
    void entfernen(const stamm::Objekt& alt);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void bearbeiten(const std::optional<stamm::Objekt>& alt);
    template <class F>
    void ausfuehren(F&& f);

    QString datenbank_;
    QTableWidget* tabelle_;
    QLabel* meldung_;
    std::vector<stamm::Objekt> zeilen_;
};

// One property; each field refused at the field with the reason.
class ObjektDialog : public QDialog {
    Q_OBJECT
public:
    enum Feld { Nr, Anschrift, Plz, Ort, Typus, GueltigBis, Felder };
    explicit ObjektDialog(const std::optional<stamm::Objekt>& alt, QWidget* parent = nullptr);
    QLineEdit* feld(Feld f) const { return felder_[f]; }
    stamm::Objekt wert() const { return wert_; }
    void accept() override;

private:
    QLineEdit* felder_[Felder];
    QLabel* gruende_[Felder];
    QLabel* typusText_;
    stamm::Objekt wert_;
};

}  // namespace hmz
