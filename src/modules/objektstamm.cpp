#include "modules/objektstamm.h"
#include "modules/modulhilfe.h"
#include "modules/stammfenster.h"

#include "store/datenzugriff.h"

#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace hmz {

ObjektDialog::ObjektDialog(const std::optional<stamm::Objekt>& alt, QWidget* parent) : QDialog(parent) {
    setWindowTitle(alt ? QStringLiteral("Objekt ändern") : QStringLiteral("Objekt anlegen"));
    const QString namen[] = {QStringLiteral("Objekt-Nr"), QStringLiteral("Anschrift"), QStringLiteral("PLZ"),
                             QStringLiteral("Ort"),       QStringLiteral("Typus"),     QStringLiteral("gültig bis")};
    const QString werte[] = {alt ? QString::number(alt->nr) : QString(), alt ? alt->anschrift : QString(), alt ? alt->plz : QString(),
                             alt ? alt->ort : QString(), QString::number(alt ? alt->typus : 0),
                             alt ? stamm::datumText(alt->gueltigBis) : QString()};
    auto* form = new QFormLayout;
    for (int i = 0; i < Felder; ++i) {
        felder_[i] = new QLineEdit(werte[i], this);
        gruende_[i] = module::grundLabel(this);
    }
    felder_[Nr]->setMaxLength(5);
    felder_[GueltigBis]->setPlaceholderText(QStringLiteral("TT.MM.JJJJ, leer: ohne Ende"));
    typusText_ = new QLabel(this);
    const auto typusZeigen = [this] {
        QString grund;
        const auto t = stamm::typusLesen(felder_[Typus]->text(), grund);
        typusText_->setText(t ? QStringLiteral("%1 (die Abrechnung druckt nur Objekte des Typus 0)").arg(stamm::typusText(*t)) : QString());
    };
    typusZeigen();
    connect(felder_[Typus], &QLineEdit::textChanged, this, typusZeigen);
    for (int i = 0; i < Felder; ++i) {
        QWidget* w = module::mitGrund(felder_[i], gruende_[i], this);
        if (i == Typus) static_cast<QVBoxLayout*>(w->layout())->insertWidget(1, typusText_);
        form->addRow(namen[i], w);
    }
    module::formularAbschliessen(this, form);
    resize(440, sizeHint().height());
}

void ObjektDialog::accept() {
    QString grund[Felder];
    const auto nr = stamm::objektNrLesen(felder_[Nr]->text(), grund[Nr]);
    const auto typus = stamm::typusLesen(felder_[Typus]->text(), grund[Typus]);
    const auto bis = stamm::datumLesen(felder_[GueltigBis]->text(), QDate::currentDate().year(), grund[GueltigBis]);
    if (!module::feldGruende(grund, gruende_, felder_)) return;
    wert_ = {*nr, felder_[Anschrift]->text(), felder_[Plz]->text().trimmed(), felder_[Ort]->text(), *typus, *bis};
    QDialog::accept();
}

ObjektStammDialog::ObjektStammDialog(const QString& datenbank, QWidget* parent) : QDialog(parent), datenbank_(datenbank) {
    setWindowTitle(QStringLiteral("Objekte"));
    module::hilfeTaste(this, QStringLiteral("objekte"));
    tabelle_ = module::stammTabelle(this, QStringLiteral("tabObjekte"),
                                    {QStringLiteral("Objekt-Nr"), QStringLiteral("Anschrift"), QStringLiteral("PLZ"), QStringLiteral("Ort"),
                                     QStringLiteral("Typus"), QStringLiteral("gültig bis")});
    meldung_ = module::grundLabel(this);
    meldung_->setWordWrap(true);
    auto* knoepfe = module::knopfLeiste<ObjektStammDialog>(this, {{QStringLiteral("&Neu (Einfg)"), &ObjektStammDialog::neu},
                                                                  {QStringLiteral("Ä&ndern (Eingabe)"), &ObjektStammDialog::aendern},
                                                                  {QStringLiteral("&Löschen (Entf)"), &ObjektStammDialog::loeschen}});
    auto* l = new QVBoxLayout(this);
    l->addWidget(tabelle_);
    l->addWidget(meldung_);
    l->addLayout(knoepfe);
    resize(760, 460);
    connect(tabelle_, &QTableWidget::cellDoubleClicked, this, &ObjektStammDialog::aendern);
    laden();
}

void ObjektStammDialog::laden() {
    const int vorher = tabelle_->currentRow();
    zeilen_.clear();
    if (const QString fehler = module::lesen(datenbank_, [&](db::Database& db) { zeilen_ = stamm::alleObjekteLesen(db); }); !fehler.isEmpty()) {
        meldung_->setText(fehler);
        meldung_->show();
    }
    tabelle_->setRowCount(static_cast<int>(zeilen_.size()));
    for (int r = 0; r < tabelle_->rowCount(); ++r) {
        const auto& o = zeilen_[static_cast<std::size_t>(r)];
        const QString texte[] = {QStringLiteral("%1").arg(o.nr, 5, 10, QLatin1Char('0')),
                                 o.anschrift,
                                 o.plz,
                                 o.ort,
                                 QStringLiteral("%1 %2").arg(o.typus).arg(stamm::typusText(o.typus)),
                                 o.gueltigBis.isValid() ? stamm::datumText(o.gueltigBis) : QStringLiteral("ohne Ende")};
        for (int c = 0; c < 6; ++c) tabelle_->setItem(r, c, new QTableWidgetItem(texte[c]));
    }
    if (tabelle_->rowCount() > 0) tabelle_->selectRow(std::clamp(vorher, 0, tabelle_->rowCount() - 1));
}

template <class F>
void ObjektStammDialog::ausfuehren(F&& f) {
    meldung_->setText(module::schreiben(datenbank_, f).grund);
    meldung_->setVisible(!meldung_->text().isEmpty());
    laden();  // what is stored now, also after a refusal
}

void ObjektStammDialog::speichern(const std::optional<stamm::Objekt>& alt, const stamm::Objekt& neu) {
    ausfuehren([&](db::Database& db) { stamm::objektSpeichern(db, alt, neu); });
}

void ObjektStammDialog::entfernen(const stamm::Objekt& alt) {
    ausfuehren([&](db::Database& db) { stamm::objektLoeschen(db, alt); });
}

void ObjektStammDialog::bearbeiten(const std::optional<stamm::Objekt>& alt) {
    ObjektDialog d(alt, this);
    if (d.exec() == QDialog::Accepted) speichern(alt, d.wert());
}

void ObjektStammDialog::neu() { bearbeiten(std::nullopt); }

void ObjektStammDialog::aendern() {
    const int r = tabelle_->currentRow();
    if (r >= 0 && r < static_cast<int>(zeilen_.size())) bearbeiten(zeilen_[static_cast<std::size_t>(r)]);
}

void ObjektStammDialog::loeschen() {
    const int r = tabelle_->currentRow();
    if (r < 0 || r >= static_cast<int>(zeilen_.size())) return;
    const stamm::Objekt o = zeilen_[static_cast<std::size_t>(r)];
    if (QMessageBox::question(this, windowTitle(), QStringLiteral("Das Objekt %1 löschen?").arg(o.nr)) == QMessageBox::Yes) entfernen(o);
}

void ObjektStammDialog::keyPressEvent(QKeyEvent* e) {
    if (!module::tabellenTaste(e, tabelle_, [this] { neu(); }, [this] { aendern(); }, [this] { loeschen(); })) QDialog::keyPressEvent(e);
}

}  // namespace hmz
