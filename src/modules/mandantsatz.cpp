#include "modules/mandantsatz.h"
#include "modules/modulhilfe.h"
#include "modules/stammfenster.h"

#include "masterdata/objekte.h"
#include "store/datenzugriff.h"

#include <QFormLayout>
#include <QLineEdit>

namespace hmz {

MandantDialog::MandantDialog(const QString& datenbank, QWidget* parent) : QDialog(parent), datenbank_(datenbank) {
    setWindowTitle(QStringLiteral("Mandant"));
    module::hilfeTaste(this, QStringLiteral("mandant"));
    const QString namen[] = {QStringLiteral("Name"), QStringLiteral("Name 2"),  QStringLiteral("Name 3"),
                             QStringLiteral("Anschrift"), QStringLiteral("Nation"), QStringLiteral("PLZ"),
                             QStringLiteral("Ort"), QStringLiteral("Euro-Kurs (ATS je EUR)"), QStringLiteral("Monatsstatus")};
    auto* form = new QFormLayout;
    for (int i = 0; i < Felder; ++i) {
        felder_[i] = new QLineEdit(this);
        gruende_[i] = module::grundLabel(this);
        form->addRow(namen[i], module::mitGrund(felder_[i], gruende_[i], this));
    }
    felder_[Nation]->setToolTip(QStringLiteral("Vor der PLZ gedruckt, z. B. \"A\" ergibt \"A-1060 Wien\""));
    felder_[EuroKurs]->setPlaceholderText(QStringLiteral("leer: fester Kurs %1").arg(stamm::betragText(stamm::FesterEuroKurs)));
    felder_[EuroKurs]->setAlignment(Qt::AlignRight);
    felder_[MonatsStatus]->setPlaceholderText(QStringLiteral("TT.MM.JJJJ"));
    meldung_ = module::grundLabel(this);
    meldung_->setWordWrap(true);
    form->addRow(meldung_);
    module::formularAbschliessen(this, form);
    resize(480, sizeHint().height());
    laden();
}

void MandantDialog::laden() {
    if (const QString fehler = module::lesen(datenbank_, [&](db::Database& db) { gezeigt_ = stamm::mandantLesen(db); }); !fehler.isEmpty()) {
        meldung_->setText(fehler);
        meldung_->show();
        return;
    }
    const stamm::MandantSatz m = gezeigt_.value_or(stamm::MandantSatz{});
    const QString werte[] = {m.name, m.name2, m.name3, m.anschrift, m.nation, m.plz, m.ort,
                             m.euroKurs ? stamm::betragText(*m.euroKurs) : QString(), stamm::datumText(m.monatsStatus)};
    for (int i = 0; i < Felder; ++i) {
        felder_[i]->setText(werte[i]);
        gruende_[i]->hide();
    }
}

void MandantDialog::accept() {
    QString grund[Felder];
    const int jahr = gezeigt_ && gezeigt_->monatsStatus.isValid() ? gezeigt_->monatsStatus.year() : QDate::currentDate().year();
    const auto kurs = stamm::euroKursLesen(felder_[EuroKurs]->text(), grund[EuroKurs]);
    const auto status = stamm::monatsStatusLesen(felder_[MonatsStatus]->text(), jahr, grund[MonatsStatus]);
    if (!module::feldGruende(grund, gruende_, felder_)) return;
    const auto t = [this](Feld f) { return felder_[f]->text(); };
    const stamm::MandantSatz neu{t(Name), t(Name2), t(Name3), t(Anschrift), t(Nation), t(Plz).trimmed(), t(Ort), *kurs, *status};
    if (const auto a = module::schreiben(datenbank_, [&](db::Database& db) { stamm::mandantSpeichern(db, gezeigt_, neu); });
        !a.grund.isEmpty()) {
        if (a.geaendert) laden();
        meldung_->setText(a.grund);
        meldung_->show();
        return;
    }
    QDialog::accept();
}

}  // namespace hmz
