#include "modules/kontenstamm.h"
#include "modules/modulhilfe.h"
#include "modules/stammfenster.h"

#include "store/datenzugriff.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hmz {

namespace {

}  // namespace

KontoDialog::KontoDialog(const std::optional<stamm::Konto>& alt, QWidget* parent) : QDialog(parent) {
    setWindowTitle(alt ? QStringLiteral("Konto ändern") : QStringLiteral("Konto anlegen"));
    nr_ = new QLineEdit(alt ? alt->nr : QString(), this);
    bezeichnung_ = new QLineEdit(alt ? alt->bezeichnung : QString(), this);
    position_ = new QLineEdit(alt && alt->position ? QString::number(*alt->position) : QString(), this);
    ausweis_ = new QComboBox(this);
    for (int a = 0; a <= 3; ++a) ausweis_->addItem(QStringLiteral("%1 %2").arg(a).arg(stamm::ausweisText(a)), a);
    ausweis_->setCurrentIndex(alt && alt->ausweis ? std::clamp(*alt->ausweis, 0, 3) : 0);
    nrGrund_ = module::grundLabel(this);
    positionGrund_ = module::grundLabel(this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Konto-Nr"), module::mitGrund(nr_, nrGrund_, this));
    form->addRow(QStringLiteral("Bezeichnung"), bezeichnung_);
    form->addRow(QStringLiteral("HMZ-Position"), module::mitGrund(position_, positionGrund_, this));
    form->addRow(QStringLiteral("Ausweis"), ausweis_);
    module::formularAbschliessen(this, form);
}

void KontoDialog::accept() {
    QString grund;
    const auto position = stamm::positionLesen(position_->text(), grund);
    positionGrund_->setText(grund);
    positionGrund_->setVisible(!position);
    const bool nrFehlt = nr_->text().trimmed().isEmpty();
    nrGrund_->setText(QStringLiteral("Die Konto-Nr fehlt."));
    nrGrund_->setVisible(nrFehlt);
    if (nrFehlt || !position) {
        (nrFehlt ? nr_ : position_)->setFocus();
        return;
    }
    wert_ = {nr_->text().trimmed(), bezeichnung_->text(), *position, ausweis_->currentData().toInt()};
    QDialog::accept();
}

KontenStammDialog::KontenStammDialog(const QString& datenbank, int jahr, QWidget* parent)
    : QDialog(parent), datenbank_(datenbank), jahr_(jahr) {
    setWindowTitle(QStringLiteral("Konten Stamm %1").arg(jahr));
    module::hilfeTaste(this, QStringLiteral("cmdKontenStamm"));
    tabelle_ = module::stammTabelle(this, QStringLiteral("tabKonten"),
                                    {QStringLiteral("Konto-Nr"), QStringLiteral("Bezeichnung"), QStringLiteral("HMZ-Position"),
                                     QStringLiteral("Abschnitt"), QStringLiteral("Ausweis")});
    fehlende_ = new QLabel(this);
    fehlende_->setWordWrap(true);
    fehlende_->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* knoepfe = module::knopfLeiste<KontenStammDialog>(this, {{QStringLiteral("&Neu (Einfg)"), &KontenStammDialog::neu},
                                                                  {QStringLiteral("Ä&ndern (Eingabe)"), &KontenStammDialog::aendern},
                                                                  {QStringLiteral("&Löschen (Entf)"), &KontenStammDialog::loeschen},
                                                                  {QStringLiteral("&Vorjahr übernehmen"), &KontenStammDialog::vorjahr}});
    auto* l = new QVBoxLayout(this);
    l->addWidget(tabelle_);
    l->addWidget(fehlende_);
    l->addLayout(knoepfe);
    resize(760, 460);
    connect(tabelle_, &QTableWidget::cellDoubleClicked, this, &KontenStammDialog::aendern);
    laden();
}

void KontenStammDialog::laden() {
    const int vorher = tabelle_->currentRow();
    zeilen_.clear();
    QStringList fehlend;
    const QString fehler = module::lesen(datenbank_, [&](db::Database& db) {
        zeilen_ = stamm::kontenLesen(db, jahr_);
        fehlend = stamm::fehlendeKonten(db, jahr_);
    });
    fehlende_->setText(!fehler.isEmpty() ? fehler
                       : fehlend.isEmpty()
                           ? QString()
                           : QStringLiteral("Buchungen verwenden Konten, die im Kontenstamm fehlen (die Abrechnung lässt sie aus): %1")
                                 .arg(fehlend.join(QStringLiteral(", "))));
    tabelle_->setRowCount(static_cast<int>(zeilen_.size()));
    for (int r = 0; r < tabelle_->rowCount(); ++r) {
        const auto& k = zeilen_[static_cast<std::size_t>(r)];
        const QString texte[] = {k.nr, k.bezeichnung, k.position ? QString::number(*k.position) : QString(),
                                 stamm::abschnittText(k.position), stamm::ausweisText(k.ausweis)};
        for (int c = 0; c < 5; ++c) tabelle_->setItem(r, c, new QTableWidgetItem(texte[c]));
    }
    if (tabelle_->rowCount() > 0) tabelle_->selectRow(std::clamp(vorher, 0, tabelle_->rowCount() - 1));
}

template <class F>
void KontenStammDialog::speichern(F&& f) {
    if (const auto a = module::schreiben(datenbank_, f); !a.grund.isEmpty()) QMessageBox::warning(this, windowTitle(), a.grund);
    laden();
}

void KontenStammDialog::bearbeiten(const std::optional<stamm::Konto>& alt) {
    KontoDialog d(alt, this);
    if (d.exec() == QDialog::Accepted) speichern([&](db::Database& db) { stamm::kontoSpeichern(db, jahr_, alt, d.wert()); });
}

void KontenStammDialog::neu() { bearbeiten(std::nullopt); }

void KontenStammDialog::aendern() {
    const int r = tabelle_->currentRow();
    if (r >= 0 && r < static_cast<int>(zeilen_.size())) bearbeiten(zeilen_[static_cast<std::size_t>(r)]);
}

void KontenStammDialog::loeschen() {
    const int r = tabelle_->currentRow();
    if (r < 0 || r >= static_cast<int>(zeilen_.size())) return;
    const stamm::Konto k = zeilen_[static_cast<std::size_t>(r)];
    if (QMessageBox::question(this, windowTitle(), QStringLiteral("Das Konto %1 löschen?").arg(k.nr)) != QMessageBox::Yes) return;
    speichern([&](db::Database& db) { stamm::kontoLoeschen(db, jahr_, k); });
}

void KontenStammDialog::vorjahr() {
    speichern([&](db::Database& db) {
        const int n = stamm::vorjahrUebernehmen(db, jahr_);
        QMessageBox::information(this, windowTitle(), QStringLiteral("%1 Konten aus %2 übernommen.").arg(n).arg(jahr_ - 1));
    });
}

void KontenStammDialog::keyPressEvent(QKeyEvent* e) {
    if (!module::tabellenTaste(e, tabelle_, [this] { neu(); }, [this] { aendern(); }, [this] { loeschen(); })) QDialog::keyPressEvent(e);
}

}  // namespace hmz
