// "Hmz-/EHB-Summen Stamm": the stored year results of one property, entered,
// changed and deleted through the rules of masterdata/jahressummen.h.
#pragma once

#include "masterdata/jahressummen.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace hmz {

class HmzResStammDialog : public QDialog {
    Q_OBJECT
public:
    // objNr 0: the user chooses the property first.
    HmzResStammDialog(const QString& datenbank, long objNr, QWidget* parent = nullptr);
    QTableWidget* tabelle() const { return tabelle_; }
    QLineEdit* objektFeld() const { return objNr_; }
    void laden();
    void neu();
    void aendern();
    void loeschen();
    // Asks for the statement year (the latest stored one first) and shows its table.
    void zehnjahresuebersicht();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    std::optional<stamm::JahresSumme> gewaehlt() const;
    void bearbeiten(const std::optional<stamm::JahresSumme>& alt);
    long objekt() const;
    template <class F>
    void speichern(F&& f);

    QString datenbank_;
    QLineEdit* objNr_;
    QLabel* objInfo_;
    QTableWidget* tabelle_;
    std::vector<stamm::JahresSumme> zeilen_;
};

// "Zehnjahresübersicht": the stored rows that the ten-year table of a
// statement of `jahr` shows for the property, with their totals, as the
// statement computes them (before its run rewrites its own year).
class ZehnjahresDialog : public QDialog {
    Q_OBJECT
public:
    ZehnjahresDialog(const QString& datenbank, long objNr, int jahr, QWidget* parent = nullptr);
    QTableWidget* tabelle() const { return tabelle_; }

private:
    QTableWidget* tabelle_;
};

// One row: Jahr and the two amounts, each refused at its field with the reason.
class JahresSummeDialog : public QDialog {
    Q_OBJECT
public:
    explicit JahresSummeDialog(const std::optional<stamm::JahresSumme>& alt, QWidget* parent = nullptr);
    QLineEdit* feld(int i) const { return felder_[i]; }
    stamm::JahresSumme wert() const { return wert_; }
    void accept() override;

private:
    QLineEdit* felder_[3];
    QLabel* gruende_[3];
    stamm::JahresSumme wert_;
};

}  // namespace hmz
