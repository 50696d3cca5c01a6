#include "modules/stammfenster.h"

#include "dialog/qtkomponenten.h"
#include "entry/zustand.h"
#include "masterdata/objekte.h"
#include "store/datenzugriff.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QShortcut>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
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

namespace {

// Marks the widgets of a form that Enter moves between.
constexpr const char* FormularFeld = "hmzFormularFeld";

bool istFeld(const QWidget* w, const QDialog* dialog) {
    // The editor inside a combo or spin box is reached through its owner.
    if (w->focusProxy()) return false;
    for (const QWidget* p = w->parentWidget(); p && p != dialog; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p)) return false;
    if (qobject_cast<const QAbstractButton*>(w) && !qobject_cast<const QCheckBox*>(w) && !qobject_cast<const QRadioButton*>(w))
        return false;
    // Enter is a line break there.
    if (qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)) return false;
    return (w->focusPolicy() & Qt::TabFocus) != 0;
}

// Enter in a field moves on like Tab; on the form's last field it saves
// through the dialog's accept, which checks the fields.
class EingabeWeiter : public QObject {
public:
    explicit EingabeWeiter(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return false;
        if (k->modifiers() & ~Qt::KeypadModifier) return false;
        auto* feld = static_cast<QWidget*>(o);
        if (QWidget* naechstes = naechstesFeld(feld)) naechstes->setFocus(Qt::TabFocusReason);
        else dialog_->accept();
        return true;
    }

private:
    // The next field in the tab order that takes input; null after the last.
    QWidget* naechstesFeld(QWidget* feld) const {
        for (QWidget* w = feld->nextInFocusChain(); w && w != feld && w != dialog_; w = w->nextInFocusChain()) {
            if (w->window() != dialog_ || !w->isEnabled() || !w->isVisibleTo(dialog_) || !w->property(FormularFeld).toBool()) continue;
            return w;
        }
        return nullptr;
    }

    QDialog* dialog_;
};

}  // namespace

void formularAbschliessen(QDialog* dialog, QLayout* form) {
    auto* weiter = new EingabeWeiter(dialog);
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!istFeld(w, dialog)) continue;
        w->setProperty(FormularFeld, true);
        w->installEventFilter(weiter);
    }

    auto* knoepfe = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    knoepfe->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Speichern"));
    knoepfe->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    QObject::connect(knoepfe, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(knoepfe, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* l = new QVBoxLayout(dialog);
    l->addLayout(form);
    l->addWidget(knoepfe);
}

bool tabellenTaste(QKeyEvent* e, const QTableWidget* tabelle, const std::function<void()>& neu, const std::function<void()>& aendern,
                   const std::function<void()>& loeschen) {
    const bool inTabelle = tabelle->hasFocus();
    const bool eingabe = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (e->key() == Qt::Key_Insert) neu();
    else if (e->key() == Qt::Key_Delete && inTabelle) loeschen();
    else if (eingabe && inTabelle) aendern();
    else return false;
    return true;
}

bool feldGruende(const QString* grund, QLabel* const* gruende, QWidget* const* felder, int anzahl) {
    int erster = -1;
    for (int i = anzahl - 1; i >= 0; --i) {
        gruende[i]->setText(grund[i]);
        gruende[i]->setVisible(!grund[i].isEmpty());
        if (!grund[i].isEmpty()) erster = i;
    }
    if (erster >= 0) felder[erster]->setFocus();
    return erster < 0;
}

namespace {

QString fehlerText(const Fehler& f) { return QStringLiteral("%1 (Fehler %2)").arg(f.Beschreibung()).arg(f.Nummer()); }

}  // namespace

stamm::Ablehnung schreiben(const QString& datenbank, const std::function<void(db::Database&)>& aenderung) {
    try {
        auto db = mandantOeffnen(datenbank, false);
        aenderung(*db);
        db->Close();
    } catch (const stamm::Ablehnung& a) {
        return a;
    } catch (const Fehler& e) {
        return {fehlerText(e)};
    }
    return {};
}

QString lesen(const QString& datenbank, const std::function<void(db::Database&)>& lesen) {
    try {
        auto db = mandantOeffnen(datenbank, true);
        lesen(*db);
        db->Close();
    } catch (const Fehler& f) {
        return fehlerText(f);
    }
    return {};
}

ObjektWahl objektWahl(QDialog* fenster, const QString& datenbank, long nr, const std::function<void()>& laden) {
    auto* objNr = new QLineEdit(nr > 0 ? QString::number(nr) : QString(), fenster);
    objNr->setObjectName(QStringLiteral("inpObjNr"));
    objNr->setMaximumWidth(90);
    objNr->setToolTip(QStringLiteral("Objekt-Nr; F2 öffnet die Objekt Auswahlhilfe"));
    auto* suchen = new QPushButton(QStringLiteral("Auswahl… (F2)"), fenster);
    suchen->setAutoDefault(false);
    const auto waehlen = [=] {
        ObjektAuswahlDialog d(datenbank, fenster);
        if (d.exec() == QDialog::Accepted) {
            objNr->setText(QString::number(d.gewaehlt()));
            laden();
        }
    };
    QObject::connect(suchen, &QPushButton::clicked, fenster, waehlen);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F2), fenster), &QShortcut::activated, fenster, waehlen);
    QObject::connect(objNr, &QLineEdit::editingFinished, fenster, laden);
    return {objNr, new QLabel(fenster), suchen};
}

long objektNummer(const QLineEdit* feld, QString* grund) {
    if (feld->text().trimmed().isEmpty()) return 0;
    QString g;
    const auto nr = stamm::objektNrLesen(feld->text(), g);
    if (grund) *grund = g;
    return nr.value_or(0);
}

}  // namespace hmz::module
