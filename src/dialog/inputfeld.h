// The run dialog's input field: a line edit that delivers its content as a
// Variant (a number, a date or the text as typed) and asks, before the focus
// leaves it by Tab or by a click on another control, whether it may go
// (the Validate signal with its Cancel flag).
#pragma once

#include "core/variant.h"

#include <QLineEdit>

namespace hmz {

class InputFeld : public QLineEdit {
    Q_OBJECT
public:
    enum class Art {
        Objektnummer,  // digits only; value is a Long, Empty when empty
        Monat,         // "MM.JJ", "MM.JJJJ", "0" or a full date; see format::monatsEingabe
    };

    InputFeld(const QString& name, Art art, QWidget* parent = nullptr);

    Art art() const { return art_; }
    Variant Value() const;
    // Dates show as dd.mm.yyyy, everything else as its text.
    void setValue(const Variant& wert);

    // Asks the Validate handlers; true when the focus may leave.
    bool darfVerlassen();

    // A control whose click never asks the field (the close and cancel buttons).
    static void ohnePruefung(QWidget* control);

signals:
    void Validate(bool& cancel);

protected:
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* ziel, QEvent* e) override;

private:
    Art art_;
    bool pruefungLaeuft_ = false;
    bool klickVerwerfen_ = false;  // swallow the rest of a refused click
};

}  // namespace hmz
