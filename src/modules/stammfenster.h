// What every master-data editor window shows alike: a read-only table of
// whole rows, a row of action buttons ending in "Schließen", and the keys of
// tables and entry forms. The rules stay with each editor.
#pragma once

#include "masterdata/jahressummen.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>

namespace hmz::db {
class Database;
}

class QLineEdit;

namespace hmz::module {

QTableWidget* stammTabelle(QWidget* fenster, const QString& name, const QStringList& spalten);

// A field's refusal, shown under it (hidden until there is one).
QLabel* grundLabel(QWidget* eltern);
QWidget* mitGrund(QWidget* feld, QLabel* grund, QWidget* eltern);

// Lays out an entry form with "Speichern" (the dialog's accept, which checks)
// and "Abbrechen" under it. Enter in a field moves on like Tab and saves on
// the last one; Esc cancels. Call it once the form's fields exist.
void formularAbschliessen(QDialog* dialog, QLayout* form);

template <class Fenster>
QHBoxLayout* knopfLeiste(Fenster* fenster, std::initializer_list<std::pair<QString, void (Fenster::*)()>> aktionen) {
    auto* leiste = new QHBoxLayout;
    // Not auto-default: Enter belongs to the table (it changes the row).
    const auto knopf = [&](const QString& text) {
        auto* k = new QPushButton(text, fenster);
        k->setAutoDefault(false);
        leiste->addWidget(k);
        return k;
    };
    for (const auto& [text, aktion] : aktionen) QObject::connect(knopf(text), &QPushButton::clicked, fenster, aktion);
    leiste->addStretch();
    QObject::connect(knopf(QStringLiteral("Schließen")), &QPushButton::clicked, fenster, &QDialog::accept);
    return leiste;
}

// The keys of a table window: Ins adds a row; Del deletes and Enter changes
// the current row while the table has the focus. False for any other key.
bool tabellenTaste(QKeyEvent* e, const QTableWidget* tabelle, const std::function<void()>& neu, const std::function<void()>& aendern,
                   const std::function<void()>& loeschen);

// Each field's reason shown under it (hidden when empty). False, with the
// focus on the first refused field, when any field was refused.
bool feldGruende(const QString* grund, QLabel* const* gruende, QWidget* const* felder, int anzahl);
template <class Feld, std::size_t N>
bool feldGruende(const QString (&grund)[N], QLabel* const (&gruende)[N], Feld* const (&felder)[N]) {
    QWidget* w[N];
    std::copy(felder, felder + N, w);
    return feldGruende(grund, gruende, w, static_cast<int>(N));
}

// Opens the client for writing and runs one change: why it was refused or
// failed, in German (an empty reason when it went through).
stamm::Ablehnung schreiben(const QString& datenbank, const std::function<void(db::Database&)>& aenderung);
// Opens the client read-only for what a window shows: why that failed, or empty.
QString lesen(const QString& datenbank, const std::function<void(db::Database&)>& lesen);

// The property of a module window: its number typed in, or chosen through
// the property search (the button or F2); `laden` shows it.
struct ObjektWahl {
    QLineEdit* nr;
    QLabel* info;  // what is wrong with the number
    QPushButton* suchen;
};
ObjektWahl objektWahl(QDialog* fenster, const QString& datenbank, long objNr, const std::function<void()>& laden);
// The number typed there, by the rule of a property's number: 0 when it is
// empty, and 0 with the reason in `grund` when it breaks the rule.
long objektNummer(const QLineEdit* feld, QString* grund = nullptr);

}  // namespace hmz::module
