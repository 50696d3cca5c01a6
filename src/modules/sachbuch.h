// "Obj-/Kanzlei Buchungen": the bookings of one property in one year, a new
// booking entered as a pair, single rows changed or deleted, through the
// rules of masterdata/buchungen.h. The footer keeps the client's whole-year
// debit and credit in view, as the balance check compares them.
#pragma once

#include "masterdata/buchungen.h"
#include "masterdata/kontenstamm.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace hmz {

class SachbuchDialog : public QDialog {
    Q_OBJECT
public:
    // objNr 0: the user chooses the property first.
    SachbuchDialog(const QString& datenbank, long objNr, int jahr, QWidget* parent = nullptr);
    QTableWidget* tabelle() const { return tabelle_; }
    QTableWidget* salden() const { return salden_; }
    QLabel* summen() const { return summen_; }
    QLabel* differenz() const { return differenz_; }
    QComboBox* jahrAuswahl() const { return jahr_; }
    QComboBox* kontoFilter() const { return kontoFilter_; }
    QComboBox* monatFilter() const { return monatFilter_; }
    int jahr() const;
    void laden();
    void neu();
    void aendern();
    void loeschen();
    // The save paths of the forms: one short transaction each, then the view reloads.
    void paarBuchen(const stamm::BuchungsPaar& paar);
    void buchungAendern(const stamm::Buchung& alt, const stamm::Buchung& neu);
    std::optional<stamm::Buchung> gewaehlt() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    long objekt() const;
    void jahreLaden(int jahr);
    void zeigen();
    template <class F>
    void speichern(F&& f);

    QString datenbank_;
    QLineEdit* objNr_;
    QLabel *objInfo_, *summen_, *differenz_;
    QComboBox *jahr_, *kontoFilter_, *monatFilter_;
    QTableWidget *tabelle_, *salden_;
    std::vector<stamm::Buchung> zeilen_;
    std::vector<std::size_t> gezeigt_;  // rows of zeilen_ that pass the filters
    std::vector<stamm::Konto> konten_;
    stamm::SollHabenJahr sh_;
};

// A new pair (alt empty: Soll-Konto and Haben-Konto) or one row as shown
// (Konto and S/H). Each field is refused at itself with the reason; the
// footer says what saving does to the year's debit/credit difference.
class BuchungsDialog : public QDialog {
    Q_OBJECT
public:
    BuchungsDialog(int jahr, const std::vector<stamm::Konto>& konten, const std::optional<stamm::Buchung>& alt,
                   const stamm::SollHabenJahr& sh, QWidget* parent = nullptr);
    enum Feld { Datum, Beleg, Text1, Text2, Betrag, Art, Felder };
    QLineEdit* feld(Feld f) const { return felder_[f]; }
    QComboBox* konto(int seite) const { return konten_[seite]; }  // 0 Soll-Konto (or Konto), 1 Haben-Konto (or S/H)
    QLabel* grund(Feld f) const { return gruende_[f]; }
    QLabel* wirkung() const { return wirkung_; }
    stamm::BuchungsPaar paar() const { return paar_; }
    stamm::Buchung buchung() const { return buchung_; }
    void accept() override;

private:
    std::optional<stamm::Buchung> ausFeldern(QString* gruende);
    void wirkungZeigen();

    int jahr_;
    std::optional<stamm::Buchung> alt_;
    stamm::SollHabenJahr sh_;
    QLineEdit* felder_[Felder];
    QLabel* gruende_[Felder];
    QComboBox* konten_[2];
    QLabel* wirkung_;
    stamm::BuchungsPaar paar_;
    stamm::Buchung buchung_;
};

}  // namespace hmz
