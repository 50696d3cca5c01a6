// The run dialog: property range, statement period, euro display, printer
// choice, start and cancel of a run, the related modules, help and the
// keyboard shortcuts F1, F2 and Esc. It is the run driver's view
// (LaufAnsicht); the run itself is widget-free (statement/lauf.h).
#pragma once

#include "statement/laufansicht.h"

#include <QDialog>
#include <QUrl>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace hmz {

class InputFeld;

class frmHauptMzRes : public QDialog, public LaufAnsicht {
    Q_OBJECT
public:
    // Runs the start-up (help contexts, data controls, euro setting, labels,
    // progress panel, printer list, scaling) at once.
    explicit frmHauptMzRes(QWidget* parent = nullptr);
    ~frmHauptMzRes() override;
    // The from-number as typed; 0 when it holds none (the modules start there).
    long vonObjektNr() const;

    // Message boxes go through this hook when it is set (tests answer here).
    static std::function<Antwort(const Meldung&)>& meldungsHook();
    // Opens the help file (an absolute path); by default with the desktop's
    // viewer. False when no viewer could be started.
    static std::function<bool(const QUrl& ziel)>& hilfeOeffner();
    // Asks for the folder of "PDF-Dateien je Objekt" (empty: cancelled); by
    // default a QFileDialog starting at `vorschlag`. Tests script it here.
    static std::function<QString(QWidget* eltern, const QString& vorschlag)>& ordnerWahl();

    // LaufAnsicht
    Antwort melden(const Meldung& m) override;
    void ereignisseVerarbeiten() override;
    void sanduhr(bool an) override;
    Variant feldWert(Feld f) const override;
    void setzeFeldWert(Feld f, const Variant& wert) override;
    void fokus(Feld f) override;
    void fokusStart() override;
    void fokusAbbrechen() override;
    bool probelauf() const override;
    void schlussHinweis(const QString& text) override;
    int euroHaken() const override;
    void setzeEuroHaken(int wert) override;
    void setzeLatsch(const QString& text) override;
    void setzeObjAnz(const QString& text) override;
    void aussehen(Aussehen a) override;
    bool abbruchBestaetigen() override;
    void kurzWarten() override;

    InputFeld* feld(Feld f) const;
    QCheckBox* chkEuroAusweisen() const { return chkEuroAusweisen_; }
    QCheckBox* chkProbelauf() const { return chkProbelauf_; }
    QComboBox* cmbPrinter() const { return cmbPrinter_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdBeenden() const { return cmdBeenden_; }
    QPushButton* cmdHilfe() const { return cmdHilfe_; }
    QPushButton* cmdDruckenAbbrechen() const { return cmdDruckenAbbrechen_; }
    QPushButton* cmdSachbuch() const { return cmdSachbuch_; }
    QPushButton* cmdObjAusw() const { return cmdObjAusw_; }
    QPushButton* cmdHmzResStamm() const { return cmdHmzResStamm_; }
    QPushButton* cmdKontenStamm() const { return cmdKontenStamm_; }
    QFrame* picLatsch() const { return picLatsch_; }
    QLabel* lblDruckLaeuft() const { return lblDruckLäuft_; }
    QLabel* lblLatsch() const { return lblLatsch_; }
    QLabel* lblObjAnz() const { return lblObjAnz_; }
    QLabel* lblAuswahlBuchjahr() const { return lblAuswahlBuchjahr_; }
    QLabel* lblAuswahlMonStatus() const { return lblAuswahlMonStatus_; }
    QLabel* lblDruckZiel() const { return lblDruckZiel_; }

    // Mouse pointer back to the arrow, however many busy pointers were set.
    static void MauszeigerNormal();

signals:
    void latschGeaendert(const QString& text);

public slots:
    void done(int r) override;

protected:
    bool eventFilter(QObject* ziel, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void steuerelementeAnlegen();
    void laden();
    void druckerListeFuellen();
    void druckerGewaehlt(int index);
    void druckZielZeigen(const QString& nachLauf = {});
    void taste(int key, bool& verbraucht);
    void hilfeTaste();
    void cmdHilfeClick();
    void cmdOKClick();
    void cmdDruckenAbbrechenClick();
    void cmdObjAuswClick();
    void laufAussehen(int rot, int gruen, int blau, int vRot, int vGruen, int vBlau, const QString& text);

    InputFeld *inpVonObjNr_, *inpBisObjNr_, *inpAbrVonDatum_, *inpAbrBisDatum_;
    QGroupBox *fraVonBis_, *fraDurchfuehrung_;
    QCheckBox *chkEuroAusweisen_, *chkProbelauf_;
    QComboBox* cmbPrinter_;
    QPushButton *cmdOK_, *cmdBeenden_, *cmdHilfe_, *cmdDruckenAbbrechen_;
    QPushButton *cmdSachbuch_, *cmdObjAusw_, *cmdHmzResStamm_, *cmdKontenStamm_;
    QLabel *lblAuswahlBuchjahr_, *lblAuswahlMonStatus_, *lblObjAnz_, *lblDruckZiel_;
    QFrame* picLatsch_;
    QLabel *lblDruckLäuft_, *lblLatsch_;
    Oberflaeche* vorherigeOberflaeche_ = nullptr;
    int sanduhren_ = 0;
    int druckerIndex_ = -1;
    QString schlussHinweis_;  // the closing note of the last run  // the printer box's entry the current printer belongs to
};

}  // namespace hmz
