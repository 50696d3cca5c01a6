// "Konten Stamm": the account master of one booking year, through the rules
// of masterdata/kontenstamm.h.
#pragma once

#include "masterdata/kontenstamm.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace hmz {

class KontenStammDialog : public QDialog {
    Q_OBJECT
public:
    KontenStammDialog(const QString& datenbank, int jahr, QWidget* parent = nullptr);
    QTableWidget* tabelle() const { return tabelle_; }
    QLabel* fehlende() const { return fehlende_; }
    void laden();
    void neu();
    void aendern();
    void loeschen();
    void vorjahr();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void bearbeiten(const std::optional<stamm::Konto>& alt);
    template <class F>
    void speichern(F&& f);

    QString datenbank_;
    int jahr_;
    QTableWidget* tabelle_;
    QLabel* fehlende_;
    std::vector<stamm::Konto> zeilen_;
};

class KontoDialog : public QDialog {
    Q_OBJECT
public:
    explicit KontoDialog(const std::optional<stamm::Konto>& alt, QWidget* parent = nullptr);
    stamm::Konto wert() const { return wert_; }
    void accept() override;

private:
    QLineEdit *nr_, *bezeichnung_, *position_;
    QComboBox* ausweis_;
    QLabel *nrGrund_, *positionGrund_;
    stamm::Konto wert_;
};

}  // namespace hmz
