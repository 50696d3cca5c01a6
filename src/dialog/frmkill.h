// The confirmation asked when a running statement run is to be cancelled.
// "Ja" sets formular().AbbruchBestaetigt; "Nein", Esc and the close box
// leave it false, so the run goes on.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace hmz {

class frmKill : public QDialog {
    Q_OBJECT
public:
    explicit frmKill(QWidget* owner = nullptr);

    QPushButton* cmdAbbrechen() const { return cmdAbbrechen_; }    // "Ja"
    QPushButton* cmdFortsetzen() const { return cmdFortsetzen_; }  // "Nein"

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLabel* lblFrage_;
    QPushButton* cmdAbbrechen_;
    QPushButton* cmdFortsetzen_;
    bool geladen_ = false;
};

}  // namespace hmz
