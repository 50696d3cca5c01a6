#include "dialog/inputfeld.h"

#include "core/format.h"

#include <QApplication>
#include <QFocusEvent>
#include <QRegularExpressionValidator>

namespace hmz {

namespace {
const char* const OhnePruefung = "hmzOhnePruefung";

}  // namespace

InputFeld::InputFeld(const QString& name, Art art, QWidget* parent) : QLineEdit(parent), art_(art) {
    setObjectName(name);
    const QString muster = art == Art::Objektnummer ? QStringLiteral(R"(\d{0,9})") : QStringLiteral(R"([0-9.]{0,10})");
    setValidator(new QRegularExpressionValidator(QRegularExpression(muster), this));
}

Variant InputFeld::Value() const {
    const QString t = text().trimmed();
    if (art_ == Art::Monat) return format::monatsEingabe(t);
    if (t.isEmpty()) return {};
    return Variant::lng(t.toInt());
}

void InputFeld::setValue(const Variant& wert) {
    if (wert.typ() == VarTyp::Date)
        setText(format::kurzDatum(wert.toDate()));
    else if (wert.istNull())
        clear();
    else
        setText(wert.toString());
}

void InputFeld::ohnePruefung(QWidget* control) { control->setProperty(OhnePruefung, true); }

bool InputFeld::darfVerlassen() {
    if (pruefungLaeuft_) return false;  // the handler's own message box must not re-enter
    pruefungLaeuft_ = true;
    bool cancel = false;
    emit Validate(cancel);
    pruefungLaeuft_ = false;
    return !cancel;
}

bool InputFeld::focusNextPrevChild(bool next) {
    if (!darfVerlassen()) return true;  // handled: the focus stays here
    return QLineEdit::focusNextPrevChild(next);
}

void InputFeld::focusInEvent(QFocusEvent* e) {
    // The click that is refused must not reach its target either.
    qApp->installEventFilter(this);
    QLineEdit::focusInEvent(e);
}

void InputFeld::focusOutEvent(QFocusEvent* e) {
    // Qt moves the focus before anyone sees the click, so a click is asked
    // about here, and refused by taking the focus straight back.
    QWidget* neu = QApplication::focusWidget();
    if (e->reason() == Qt::MouseFocusReason && neu && neu != this && neu->window() == window() &&
        !neu->property(OhnePruefung).toBool() && !darfVerlassen()) {
        klickVerwerfen_ = true;
        setFocus(Qt::OtherFocusReason);
        return;
    }
    // A message box or another window taking over is no leaving.
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
        qApp->removeEventFilter(this);
    QLineEdit::focusOutEvent(e);
}

bool InputFeld::eventFilter(QObject*, QEvent* e) {
    if (!klickVerwerfen_) return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        return true;
    case QEvent::MouseButtonRelease:
        klickVerwerfen_ = false;
        return true;
    default:
        return false;
    }
}

}  // namespace hmz
