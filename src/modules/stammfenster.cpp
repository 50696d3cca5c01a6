#include "modules/stammfenster.h"

#include <QHeaderView>

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

}  // namespace hmz::module
