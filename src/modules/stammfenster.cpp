#include "modules/stammfenster.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

namespace hmz::module {

QTableWidget* stammTabelle(QWidget* fenster, const QString& name, const QStringList& spalten) {
    auto* t = new QTableWidget(0, static_cast<int>(spalten.size()), fenster);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(spalten);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

QLabel* grundLabel(QWidget* eltern) {
    auto* l = new QLabel(eltern);
    l->setStyleSheet(QStringLiteral("color: #b00000"));
    l->hide();
    return l;
}

QWidget* mitGrund(QWidget* feld, QLabel* grund, QWidget* eltern) {
    auto* w = new QWidget(eltern);
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(feld);
    l->addWidget(grund);
    return w;
}

void formularAbschliessen(QDialog* dialog, QLayout* form) {
    auto* knoepfe = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    knoepfe->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Speichern"));
    knoepfe->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    QObject::connect(knoepfe, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(knoepfe, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* l = new QVBoxLayout(dialog);
    l->addLayout(form);
    l->addWidget(knoepfe);
}

}  // namespace hmz::module
