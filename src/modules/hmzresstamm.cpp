#include "modules/hmzresstamm.h"
#include "modules/modulhilfe.h"
#include "modules/stammfenster.h"

#include "dialog/qtkomponenten.h"
#include "core/format.h"
#include "report/euroausweis.h"
#include "statement/mehrjahr.h"
#include "store/datenzugriff.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hmz {

namespace {

QString betrag(const std::optional<Currency>& c) {
    return c ? stamm::betragText(*c) : QString();
}

}  // namespace

JahresSummeDialog::JahresSummeDialog(const std::optional<stamm::JahresSumme>& alt, QWidget* parent) : QDialog(parent) {
    setWindowTitle(alt ? QStringLiteral("Jahresergebnis ändern") : QStringLiteral("Jahresergebnis erfassen"));
    auto* form = new QFormLayout;
    const QString namen[] = {QStringLiteral("Jahr"), QStringLiteral("HMZ ohne EHB"), QStringLiteral("vereinnahmter EHB")};
    const QString werte[] = {alt ? QString::number(alt->jahr) : QString(), alt ? betrag(alt->ohneEhb) : QString(),
                             alt ? betrag(alt->vereinnEhb) : QString()};
    for (int i = 0; i < 3; ++i) {
        felder_[i] = new QLineEdit(werte[i], this);
        if (i > 0) felder_[i]->setAlignment(Qt::AlignRight);
        gruende_[i] = module::grundLabel(this);
        form->addRow(namen[i], module::mitGrund(felder_[i], gruende_[i], this));
    }
    felder_[1]->setPlaceholderText(QStringLiteral("1.234,56"));
    module::formularAbschliessen(this, form);
}

void JahresSummeDialog::accept() {
    QString grund[3];
    const auto jahr = stamm::jahrLesen(felder_[0]->text(), grund[0]);
    const auto ohne = stamm::summeLesen(felder_[1]->text(), grund[1]);
    const auto ehb = stamm::summeLesen(felder_[2]->text(), grund[2]);
    if (!module::feldGruende(grund, gruende_, felder_)) return;
    wert_ = {*jahr, *ohne, *ehb};
    QDialog::accept();
}

HmzResStammDialog::HmzResStammDialog(const QString& datenbank, long objNr, QWidget* parent)
    : QDialog(parent), datenbank_(datenbank) {
    setWindowTitle(QStringLiteral("Hmz-/EHB-Summen Stamm"));
    module::hilfeTaste(this, QStringLiteral("cmdHmzResStamm"));
    const auto wahl = module::objektWahl(this, datenbank_, objNr, [this] { laden(); });
    objNr_ = wahl.nr;
    objInfo_ = wahl.info;
    tabelle_ = module::stammTabelle(this, QStringLiteral("tabSummen"),
                                    {QStringLiteral("Jahr"), QStringLiteral("HMZ ohne EHB"), QStringLiteral("vereinnahmter EHB"),
                                     QStringLiteral("HMZ mit EHB"), QStringLiteral("Währung")});

    auto* kopf = new QHBoxLayout;
    kopf->addWidget(new QLabel(QStringLiteral("Objekt-Nr"), this));
    kopf->addWidget(objNr_);
    kopf->addWidget(wahl.suchen);
    kopf->addWidget(objInfo_, 1);
    auto* knoepfe = module::knopfLeiste<HmzResStammDialog>(this, {{QStringLiteral("&Neu (Einfg)"), &HmzResStammDialog::neu},
                                                                  {QStringLiteral("Ä&ndern (Eingabe)"), &HmzResStammDialog::aendern},
                                                                  {QStringLiteral("&Löschen (Entf)"), &HmzResStammDialog::loeschen},
                                                                  {QStringLiteral("&Zehnjahresübersicht…"), &HmzResStammDialog::zehnjahresuebersicht}});
    auto* l = new QVBoxLayout(this);
    l->addLayout(kopf);
    l->addWidget(tabelle_);
    l->addLayout(knoepfe);
    resize(640, 420);

    connect(tabelle_, &QTableWidget::cellDoubleClicked, this, &HmzResStammDialog::aendern);
    laden();
}

long HmzResStammDialog::objekt() const { return module::objektNummer(objNr_); }

void HmzResStammDialog::laden() {
    const int vorher = tabelle_->currentRow();
    zeilen_.clear();
    QString grund;
    const long nr = module::objektNummer(objNr_, &grund);
    objInfo_->setText(grund);
    if (nr > 0) {
        const QString fehler = module::lesen(datenbank_, [&](db::Database& db) {
            if (!stamm::objektVorhanden(db, nr)) objInfo_->setText(QStringLiteral("Das Objekt %1 gibt es nicht.").arg(nr));
            else zeilen_ = stamm::jahresSummenLesen(db, nr);
        });
        if (!fehler.isEmpty()) objInfo_->setText(fehler);
    }
    tabelle_->setRowCount(static_cast<int>(zeilen_.size()));
    for (int r = 0; r < tabelle_->rowCount(); ++r) {
        const auto& z = zeilen_[static_cast<std::size_t>(r)];
        const QString texte[] = {QString::number(z.jahr), betrag(z.ohneEhb), betrag(z.vereinnEhb), betrag(z.mitEhb()), z.waehrung()};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(texte[c]);
            if (c > 0 && c < 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tabelle_->setItem(r, c, item);
        }
    }
    if (tabelle_->rowCount() > 0) tabelle_->selectRow(std::clamp(vorher, 0, tabelle_->rowCount() - 1));
}

std::optional<stamm::JahresSumme> HmzResStammDialog::gewaehlt() const {
    const int r = tabelle_->currentRow();
    if (r < 0 || r >= static_cast<int>(zeilen_.size())) return std::nullopt;
    return zeilen_[static_cast<std::size_t>(r)];
}

template <class F>
void HmzResStammDialog::speichern(F&& f) {
    if (const auto a = module::schreiben(datenbank_, f); !a.grund.isEmpty()) QMessageBox::warning(this, windowTitle(), a.grund);
    laden();  // what is stored now, also after a refusal
}

void HmzResStammDialog::bearbeiten(const std::optional<stamm::JahresSumme>& alt) {
    const long nr = objekt();
    if (nr <= 0) {
        objNr_->setFocus();
        return;
    }
    JahresSummeDialog d(alt, this);
    if (d.exec() != QDialog::Accepted) return;
    speichern([&](db::Database& db) { stamm::jahresSummeSpeichern(db, nr, alt, d.wert()); });
}

void HmzResStammDialog::neu() { bearbeiten(std::nullopt); }

void HmzResStammDialog::aendern() {
    if (const auto z = gewaehlt()) bearbeiten(z);
}

void HmzResStammDialog::loeschen() {
    const auto z = gewaehlt();
    if (!z) return;
    if (QMessageBox::question(this, windowTitle(), QStringLiteral("Das Ergebnis des Jahres %1 löschen?").arg(z->jahr)) != QMessageBox::Yes)
        return;
    speichern([&](db::Database& db) { stamm::jahresSummeLoeschen(db, objekt(), *z); });
}

void HmzResStammDialog::zehnjahresuebersicht() {
    const long nr = objekt();
    if (nr <= 0) {
        objNr_->setFocus();
        return;
    }
    bool ok = false;
    const int vorschlag = zeilen_.empty() ? QDate::currentDate().year() : zeilen_.back().jahr;
    const int jahr = QInputDialog::getInt(this, QStringLiteral("Zehnjahresübersicht"), QStringLiteral("Abrechnungsjahr:"), vorschlag,
                                          stamm::ErstesJahr, stamm::LetztesJahr, 1, &ok);
    if (!ok) return;
    ZehnjahresDialog d(datenbank_, nr, jahr, this);
    d.exec();
}

ZehnjahresDialog::ZehnjahresDialog(const QString& datenbank, long objNr, int jahr, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Zehnjahresübersicht Objekt %1, Abrechnung %2").arg(objNr).arg(jahr));
    module::hilfeTaste(this, QStringLiteral("zehnjahr"));
    tabelle_ = module::stammTabelle(this, QStringLiteral("tabZehnjahre"),
                                    {QStringLiteral("Jahr"), QStringLiteral("HMZ ohne EHB"), QStringLiteral("vereinn.EHB"),
                                     QStringLiteral("HMZ mit EHB"), QStringLiteral("gespeichert: ATS ohne EHB"),
                                     QStringLiteral("ATS vereinn.EHB"), QStringLiteral("ATS mit EHB")});
    tabelle_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    auto* hinweis = new QLabel(this);
    hinweis->setWordWrap(true);
    const bool euro = jahr >= EuroUmstellungsJahr;
    QString text = QStringLiteral("Die gespeicherten Jahre %1 bis %2, wie die Abrechnung %2 sie druckt, in %3.")
                       .arg(jahr - 9)
                       .arg(jahr)
                       .arg(euro ? QStringLiteral("EUR") : QStringLiteral("ATS"));
    if (euro) text += QStringLiteral(" Jahre vor %1 sind in ATS gespeichert und zum Kurs 13,7603 umgerechnet.").arg(EuroUmstellungsJahr);
    text += QStringLiteral(" Ein Lauf über das ganze Jahr %1 ersetzt dessen Zeile durch sein Ergebnis.").arg(jahr);

    Zehnjahrestabelle t;
    if (const QString fehler = module::lesen(datenbank, [&](db::Database& db) { t = zehnjahrestabelleLesen(db, objNr, jahr); });
        !fehler.isEmpty())
        text = fehler;
    hinweis->setText(text);

    const auto zeile = [this](int r, const QString& jahrText, const JahresZeile& z) {
        const auto b = [](Currency c) { return format::betrag(c); };
        const QString texte[] = {jahrText,
                                 b(z.ohne),
                                 b(z.ehb),
                                 b(z.ohne + z.ehb),
                                 z.ats ? b(z.atsOhne) : QString(),
                                 z.ats ? b(z.atsEhb) : QString(),
                                 z.ats ? b(z.atsOhne + z.atsEhb) : QString()};
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(texte[c]);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tabelle_->setItem(r, c, item);
        }
    };
    const int n = static_cast<int>(t.zeilen.size());
    tabelle_->setRowCount(n + 1);
    for (int r = 0; r < n; ++r) {
        const auto& z = t.zeilen[static_cast<std::size_t>(r)];
        zeile(r, QString::number(z.jahr), z);
    }
    zeile(n, QStringLiteral("Summe"), {0, t.summeOhne, t.summeEhb});
    QFont fett = font();
    fett.setBold(true);
    for (int c = 0; c < 7; ++c) tabelle_->item(n, c)->setFont(fett);

    auto* schliessen = new QPushButton(QStringLiteral("Schließen"), this);
    connect(schliessen, &QPushButton::clicked, this, &QDialog::accept);
    auto* unten = new QHBoxLayout;
    unten->addStretch();
    unten->addWidget(schliessen);
    auto* l = new QVBoxLayout(this);
    l->addWidget(hinweis);
    l->addWidget(tabelle_);
    l->addLayout(unten);
    resize(860, 440);
}

void HmzResStammDialog::keyPressEvent(QKeyEvent* e) {
    if (module::tabellenTaste(e, tabelle_, [this] { neu(); }, [this] { aendern(); }, [this] { loeschen(); })) return;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && objNr_->hasFocus()) tabelle_->setFocus();
    else QDialog::keyPressEvent(e);
}

}  // namespace hmz
