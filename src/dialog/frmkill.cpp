#include "dialog/frmkill.h"

#include "dialog/dialogskalieren.h"
#include "entry/formular.h"

#include <QLabel>
#include <QPushButton>

namespace hmz {

frmKill::frmKill(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmKill"));
    setWindowTitle(QStringLiteral("Verarbeitung Abbrechen"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Arial"), 9));
    resize(300, 110);

    lblFrage_ = new QLabel(QStringLiteral("Laufende Verarbeitung abbrechen?"), this);
    lblFrage_->setObjectName(QStringLiteral("lblFrage"));
    lblFrage_->setAlignment(Qt::AlignCenter);
    lblFrage_->setGeometry(10, 16, 280, 24);

    cmdAbbrechen_ = new QPushButton(QStringLiteral("Ja"), this);
    cmdAbbrechen_->setObjectName(QStringLiteral("cmdAbbrechen"));
    cmdAbbrechen_->setGeometry(50, 58, 90, 30);
    cmdFortsetzen_ = new QPushButton(QStringLiteral("Nein"), this);
    cmdFortsetzen_->setObjectName(QStringLiteral("cmdFortsetzen"));
    cmdFortsetzen_->setGeometry(160, 58, 90, 30);
    // Enter must not throw away a run by accident.
    cmdFortsetzen_->setDefault(true);

    connect(cmdAbbrechen_, &QPushButton::clicked, this, [this] {
        formular().AbbruchBestaetigt = true;
        accept();
    });
    connect(cmdFortsetzen_, &QPushButton::clicked, this, &QDialog::reject);
}

void frmKill::showEvent(QShowEvent* e) {
    if (!geladen_) {
        geladen_ = true;
        formular().AbbruchBestaetigt = false;
        DialogSkalieren(this, true, true, width(), height(), 0.2);
        setFixedSize(size());
    }
    QDialog::showEvent(e);
}

}  // namespace hmz
