#include "modules/sachbuch.h"
#include "modules/modulhilfe.h"
#include "modules/stammfenster.h"

#include "core/format.h"
#include "dialog/qtkomponenten.h"
#include "store/datenzugriff.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
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

const QColor Grau(128, 128, 128);

QString optText(const std::optional<QString>& t) { return t.value_or(QString()); }
std::optional<QString> optText(const QString& t) { return t.isEmpty() ? std::nullopt : std::optional<QString>(t); }

QString kontoText(const QString& nr, const std::vector<stamm::Konto>& konten) {
    for (const auto& k : konten)
        if (k.nr == nr) return k.bezeichnung.isEmpty() ? nr : nr + QLatin1Char(' ') + k.bezeichnung;
    return nr;
}

bool imStamm(const QString& nr, const std::vector<stamm::Konto>& konten) {
    return std::any_of(konten.begin(), konten.end(), [&](const stamm::Konto& k) { return k.nr == nr; });
}

QString differenzText(const stamm::SollHabenJahr& sh) { return QStringLiteral("Differenz %1").arg(format::betrag(sh.differenz())); }

void roteDifferenz(QLabel* l, const stamm::SollHabenJahr& sh) {
    l->setText(differenzText(sh));
    l->setStyleSheet(sh.differenz().istNull() ? QString() : QStringLiteral("color: #c00000; font-weight: bold"));
}

QTableWidgetItem* zelle(const QString& text, bool rechts = false) {
    auto* i = new QTableWidgetItem(text);
    if (rechts) i->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return i;
}

}  // namespace

BuchungsDialog::BuchungsDialog(int jahr, const std::vector<stamm::Konto>& konten, const std::optional<stamm::Buchung>& alt,
                               const stamm::SollHabenJahr& sh, QWidget* parent)
    : QDialog(parent), jahr_(jahr), alt_(alt), sh_(sh) {
    setWindowTitle(alt ? QStringLiteral("Buchung Nr %1 ändern").arg(alt->nr) : QStringLiteral("Buchungspaar erfassen %1").arg(jahr));
    const QString namen[] = {QStringLiteral("Datum"), QStringLiteral("Beleg-Nr"), QStringLiteral("Text 1"),
                             QStringLiteral("Text 2"), QStringLiteral("Betrag"), QStringLiteral("Art")};
    const QString werte[] = {alt ? format::kurzDatum(alt->datum) : QString(),
                             alt && alt->belegNr ? QString::number(*alt->belegNr) : QString(),
                             alt ? optText(alt->text1) : QString(),
                             alt ? optText(alt->text2) : QString(),
                             alt ? stamm::betragText(alt->betrag) : QString(),
                             alt ? optText(alt->art) : stamm::NormaleBuchungsart};
    for (int f = 0; f < Felder; ++f) {
        felder_[f] = new QLineEdit(werte[f], this);
        gruende_[f] = module::grundLabel(this);
    }
    felder_[Datum]->setPlaceholderText(QStringLiteral("TT.MM.JJJJ oder TT.MM."));
    felder_[Text2]->setPlaceholderText(QStringLiteral("(optional)"));
    felder_[Betrag]->setPlaceholderText(QStringLiteral("1.234,56"));
    felder_[Betrag]->setAlignment(Qt::AlignRight);
    felder_[Art]->setMaximumWidth(60);
    for (auto*& k : konten_) k = new QComboBox(this);
    for (const auto& k : konten) {
        const QString text = kontoText(k.nr, konten);
        konten_[0]->addItem(text, k.nr);
        if (!alt) konten_[1]->addItem(text, k.nr);
    }
    if (alt) {
        if (!imStamm(alt->kontoNr, konten))
            konten_[0]->addItem(alt->kontoNr + QStringLiteral(" (fehlt im Kontenstamm)"), alt->kontoNr);
        konten_[0]->setCurrentIndex(konten_[0]->findData(alt->kontoNr));
        konten_[1]->addItem(QStringLiteral("S (Soll)"), QStringLiteral("S"));
        konten_[1]->addItem(QStringLiteral("H (Haben)"), QStringLiteral("H"));
        konten_[1]->setCurrentIndex(std::max(0, konten_[1]->findData(alt->sh)));
    } else {
        konten_[0]->setCurrentIndex(-1);
        konten_[1]->setCurrentIndex(-1);
    }
    wirkung_ = new QLabel(this);
    wirkung_->setWordWrap(true);

    auto* form = new QFormLayout;
    for (int f = Datum; f <= Betrag; ++f) form->addRow(namen[f], module::mitGrund(felder_[f], gruende_[f], this));
    form->addRow(alt ? QStringLiteral("Konto") : QStringLiteral("Soll-Konto"), konten_[0]);
    form->addRow(alt ? QStringLiteral("S/H") : QStringLiteral("Haben-Konto"), konten_[1]);
    auto* art = new QHBoxLayout;
    art->addWidget(felder_[Art]);
    art->addWidget(new QLabel(QStringLiteral("01 normale Buchung; 90 = in der Abrechnung nicht berücksichtigt"), this), 1);
    auto* artZeile = new QWidget(this);
    art->setContentsMargins(0, 0, 0, 0);
    artZeile->setLayout(art);
    form->addRow(namen[Art], module::mitGrund(artZeile, gruende_[Art], this));
    form->addRow(wirkung_);
    module::formularAbschliessen(this, form);
    connect(felder_[Betrag], &QLineEdit::textChanged, this, &BuchungsDialog::wirkungZeigen);
    connect(konten_[1], &QComboBox::currentIndexChanged, this, &BuchungsDialog::wirkungZeigen);
    wirkungZeigen();
    resize(560, sizeHint().height());
}

std::optional<stamm::Buchung> BuchungsDialog::ausFeldern(QString* g) {
    const auto datum = stamm::buchungsDatumLesen(felder_[Datum]->text(), jahr_, g[Datum]);
    const auto beleg = stamm::belegNrLesen(felder_[Beleg]->text(), g[Beleg]);
    if (!alt_) g[Text1] = stamm::text1Grund(felder_[Text1]->text());
    const auto betrag = stamm::betragLesen(felder_[Betrag]->text(), false, g[Betrag]);
    // The editor's own rule: a new pair moves an amount greater than 0 (a
    // correction changes a single row).
    if (!alt_ && betrag && *betrag <= Currency())
        g[Betrag] = QStringLiteral("Der Betrag eines Buchungspaars muss größer als 0 sein.");
    for (int f = 0; f < Felder; ++f)
        if (!g[f].isEmpty()) return std::nullopt;
    stamm::Buchung b = alt_.value_or(stamm::Buchung{});
    b.datum = *datum;
    b.belegNr = *beleg;
    b.text1 = optText(felder_[Text1]->text());
    b.text2 = optText(felder_[Text2]->text());
    b.betrag = *betrag;
    b.art = optText(felder_[Art]->text().trimmed());
    b.kontoNr = konten_[0]->currentData().toString();
    b.sh = konten_[1]->currentData().toString();
    return b;
}

void BuchungsDialog::wirkungZeigen() {
    const QString jetzt = QStringLiteral("Soll/Haben-Differenz %1: jetzt %2").arg(jahr_).arg(format::betrag(sh_.differenz()));
    if (!alt_) {
        wirkung_->setText(jetzt + QStringLiteral(", ein Buchungspaar ändert sie nicht."));
        return;
    }
    QString grund;
    stamm::Buchung neu = *alt_;
    neu.sh = konten_[1]->currentData().toString();
    if (const auto c = stamm::betragLesen(felder_[Betrag]->text(), false, grund)) neu.betrag = *c;
    wirkung_->setText(jetzt + QStringLiteral(", nach der Änderung %1").arg(format::betrag(sh_.ohne(*alt_).mit(neu).differenz())));
}

void BuchungsDialog::accept() {
    QString g[Felder];
    const auto b = ausFeldern(g);
    if (!module::feldGruende(g, gruende_, felder_)) return;
    for (QComboBox* k : konten_)
        if (k->currentIndex() < 0) {
            k->setFocus();
            return;
        }
    buchung_ = *b;
    paar_ = {b->datum, b->belegNr, optText(b->text1), b->text2, b->betrag, b->kontoNr, konten_[1]->currentData().toString(),
             b->art.value_or(QString())};
    QDialog::accept();
}

SachbuchDialog::SachbuchDialog(const QString& datenbank, long objNr, int jahr, QWidget* parent)
    : QDialog(parent), datenbank_(datenbank) {
    setWindowTitle(QStringLiteral("Obj-/Kanzlei Buchungen"));
    module::hilfeTaste(this, QStringLiteral("cmdSachbuch"));
    const auto wahl = module::objektWahl(this, datenbank_, objNr, [this] { laden(); });
    objNr_ = wahl.nr;
    objInfo_ = wahl.info;
    jahr_ = new QComboBox(this);
    kontoFilter_ = new QComboBox(this);
    monatFilter_ = new QComboBox(this);
    monatFilter_->addItem(QStringLiteral("alle Monate"), 0);
    for (int m = 1; m <= 12; ++m) monatFilter_->addItem(format::gebietsschema().standaloneMonthName(m), m);
    tabelle_ = module::stammTabelle(this, QStringLiteral("tabBuchungen"),
                                    {QStringLiteral("Nr"), QStringLiteral("Datum"), QStringLiteral("Beleg-Nr"), QStringLiteral("Konto"),
                                     QStringLiteral("Text 1"), QStringLiteral("Text 2"), QStringLiteral("Betrag"), QStringLiteral("S/H"),
                                     QStringLiteral("Art"), QStringLiteral("Hinweis")});
    salden_ = module::stammTabelle(this, QStringLiteral("tabSalden"), {QStringLiteral("Konto"), QStringLiteral("Saldo")});
    salden_->setFocusPolicy(Qt::NoFocus);
    // Long texts get a width of their own, so that the amounts stay in view.
    for (const auto& [spalte, breite] : {std::pair{3, 200}, {4, 210}, {5, 80}}) {
        tabelle_->horizontalHeader()->setSectionResizeMode(spalte, QHeaderView::Interactive);
        tabelle_->setColumnWidth(spalte, breite);
    }
    salden_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    salden_->horizontalHeader()->setStretchLastSection(false);
    for (QTableWidget* t : {tabelle_, salden_}) t->setWordWrap(false);
    summen_ = new QLabel(this);
    differenz_ = new QLabel(this);

    auto* kopf = new QHBoxLayout;
    kopf->addWidget(new QLabel(QStringLiteral("Objekt-Nr"), this));
    kopf->addWidget(objNr_);
    kopf->addWidget(wahl.suchen);
    kopf->addWidget(objInfo_, 1);
    kopf->addWidget(new QLabel(QStringLiteral("Jahr"), this));
    kopf->addWidget(jahr_);
    auto* filter = new QHBoxLayout;
    filter->addWidget(new QLabel(QStringLiteral("Konto"), this));
    filter->addWidget(kontoFilter_, 1);
    filter->addWidget(new QLabel(QStringLiteral("Monat"), this));
    filter->addWidget(monatFilter_);
    filter->addStretch();
    auto* mitte = new QHBoxLayout;
    mitte->addWidget(tabelle_, 3);
    mitte->addWidget(salden_, 1);
    auto* fuss = new QHBoxLayout;
    fuss->addWidget(summen_);
    fuss->addWidget(differenz_);
    fuss->addStretch();
    auto* knoepfe = module::knopfLeiste<SachbuchDialog>(this, {{QStringLiteral("&Neu (Einfg)"), &SachbuchDialog::neu},
                                                              {QStringLiteral("Ä&ndern (Eingabe)"), &SachbuchDialog::aendern},
                                                              {QStringLiteral("&Löschen (Entf)"), &SachbuchDialog::loeschen}});
    auto* l = new QVBoxLayout(this);
    l->addLayout(kopf);
    l->addLayout(filter);
    l->addLayout(mitte, 1);
    l->addLayout(fuss);
    l->addLayout(knoepfe);
    resize(1280, 640);

    connect(tabelle_, &QTableWidget::cellDoubleClicked, this, &SachbuchDialog::aendern);
    connect(kontoFilter_, &QComboBox::activated, this, &SachbuchDialog::zeigen);
    connect(monatFilter_, &QComboBox::activated, this, &SachbuchDialog::zeigen);
    jahreLaden(jahr);
    connect(jahr_, &QComboBox::activated, this, &SachbuchDialog::laden);
    laden();
}

int SachbuchDialog::jahr() const { return jahr_->currentData().toInt(); }

long SachbuchDialog::objekt() const { return module::objektNummer(objNr_); }

// The years that have bookings, the one asked for, and the year after the latest.
void SachbuchDialog::jahreLaden(int jahr) {
    QList<int> jahre;
    if (const QString fehler = module::lesen(datenbank_, [&](db::Database& db) { jahre = stamm::buchungsjahre(db); }); !fehler.isEmpty())
        objInfo_->setText(fehler);
    if (jahr > 0 && !jahre.contains(jahr)) jahre << jahr;
    std::sort(jahre.begin(), jahre.end());
    if (!jahre.isEmpty()) jahre << jahre.back() + 1;
    jahr_->clear();
    for (int j : jahre) jahr_->addItem(QString::number(j), j);
    jahr_->setCurrentIndex(std::max(0, jahr_->findData(jahr > 0 ? jahr : QDate::currentDate().year())));
}

void SachbuchDialog::laden() {
    zeilen_.clear();
    konten_.clear();
    sh_ = {};
    objInfo_->clear();
    QString grund;
    const long nr = module::objektNummer(objNr_, &grund);
    const QString fehler = module::lesen(datenbank_, [&](db::Database& db) {
        konten_ = stamm::kontenLesen(db, jahr());
        sh_ = stamm::sollHabenLesen(db, jahr());
        if (nr > 0 && !stamm::objektVorhanden(db, nr)) objInfo_->setText(QStringLiteral("Das Objekt %1 gibt es nicht.").arg(nr));
        else if (nr > 0) zeilen_ = stamm::buchungenLesen(db, jahr(), nr);
    });
    if (!fehler.isEmpty())
        objInfo_->setText(fehler);
    else if (nr <= 0)
        objInfo_->setText(grund.isEmpty() ? QStringLiteral("Objekt-Nr eingeben oder mit F2 wählen.") : grund);
    setWindowTitle(QStringLiteral("Obj-/Kanzlei Buchungen %1").arg(jahr()));
    summen_->setText(QStringLiteral("Mandant %1: Soll %2   Haben %3  ").arg(jahr()).arg(format::betrag(sh_.soll), format::betrag(sh_.haben)));
    roteDifferenz(differenz_, sh_);
    const QString filter = kontoFilter_->currentData().toString();
    kontoFilter_->clear();
    kontoFilter_->addItem(QStringLiteral("alle Konten"), QString());
    QStringList benutzt;
    for (const auto& b : zeilen_)
        if (!benutzt.contains(b.kontoNr)) benutzt << b.kontoNr;
    benutzt.sort();
    for (const QString& k : benutzt) kontoFilter_->addItem(kontoText(k, konten_), k);
    kontoFilter_->setCurrentIndex(std::max(0, kontoFilter_->findData(filter)));
    zeigen();
}

void SachbuchDialog::zeigen() {
    const int vorher = tabelle_->currentRow();
    const QString konto = kontoFilter_->currentData().toString();
    const int monat = monatFilter_->currentData().toInt();
    gezeigt_.clear();
    std::vector<stamm::Buchung> imMonat;
    for (std::size_t i = 0; i < zeilen_.size(); ++i) {
        if (monat && zeilen_[i].datum.month() != monat) continue;
        imMonat.push_back(zeilen_[i]);
        if (konto.isEmpty() || zeilen_[i].kontoNr == konto) gezeigt_.push_back(i);
    }
    tabelle_->setRowCount(static_cast<int>(gezeigt_.size()));
    for (int r = 0; r < tabelle_->rowCount(); ++r) {
        const auto& b = zeilen_[gezeigt_[static_cast<std::size_t>(r)]];
        const QString grund = stamm::auslassGrund(b, imStamm(b.kontoNr, konten_));
        QTableWidgetItem* z[] = {zelle(QString::number(b.nr), true), zelle(format::kurzDatum(b.datum)),
                                 zelle(b.belegNr ? QString::number(*b.belegNr) : QString(), true), zelle(kontoText(b.kontoNr, konten_)),
                                 zelle(optText(b.text1)), zelle(optText(b.text2)), zelle(stamm::betragText(b.betrag), true),
                                 zelle(b.sh), zelle(optText(b.art)), zelle(grund)};
        for (int c = 0; c < 10; ++c) {
            if (!grund.isEmpty()) {
                z[c]->setForeground(Grau);
                z[c]->setToolTip(grund);
            }
            tabelle_->setItem(r, c, z[c]);
        }
    }
    if (tabelle_->rowCount() > 0) tabelle_->selectRow(std::clamp(vorher, 0, tabelle_->rowCount() - 1));
    const auto salden = stamm::kontoSalden(imMonat);
    salden_->setRowCount(static_cast<int>(salden.size()));
    int r = 0;
    for (const auto& [nr, saldo] : salden) {
        salden_->setItem(r, 0, zelle(kontoText(nr, konten_)));
        salden_->setItem(r++, 1, zelle(format::betrag(saldo), true));
    }
}

std::optional<stamm::Buchung> SachbuchDialog::gewaehlt() const {
    const int r = tabelle_->currentRow();
    if (r < 0 || r >= static_cast<int>(gezeigt_.size())) return std::nullopt;
    return zeilen_[gezeigt_[static_cast<std::size_t>(r)]];
}

template <class F>
void SachbuchDialog::speichern(F&& f) {
    if (const auto a = module::schreiben(datenbank_, f); !a.grund.isEmpty()) QMessageBox::warning(this, windowTitle(), a.grund);
    // The first booking of the latest year makes its table: the year after it becomes choosable.
    if (jahr_->currentIndex() == jahr_->count() - 1) jahreLaden(jahr());
    laden();
}

void SachbuchDialog::paarBuchen(const stamm::BuchungsPaar& paar) {
    speichern([&](db::Database& db) { stamm::paarSpeichern(db, jahr(), objekt(), paar); });
}

void SachbuchDialog::buchungAendern(const stamm::Buchung& alt, const stamm::Buchung& neu) {
    speichern([&](db::Database& db) { stamm::buchungAendern(db, jahr(), alt, neu); });
}

void SachbuchDialog::neu() {
    if (objekt() <= 0) {
        objNr_->setFocus();
        return;
    }
    if (konten_.empty()) {
        QMessageBox::information(this, windowTitle(),
                                 QStringLiteral("Der Kontenstamm %1 hat keine Konten: zuerst im Konten Stamm anlegen.").arg(jahr()));
        return;
    }
    BuchungsDialog d(jahr(), konten_, std::nullopt, sh_, this);
    if (d.exec() == QDialog::Accepted) paarBuchen(d.paar());
}

void SachbuchDialog::aendern() {
    const auto b = gewaehlt();
    if (!b) return;
    BuchungsDialog d(jahr(), konten_, b, sh_, this);
    if (d.exec() == QDialog::Accepted) buchungAendern(*b, d.buchung());
}

void SachbuchDialog::loeschen() {
    const auto b = gewaehlt();
    if (!b) return;
    const QString frage = QStringLiteral("Die Buchung Nr %1 (%2, %3 %4 %5) löschen?\nDie Soll/Haben-Differenz %6 wird danach %7 sein.")
                              .arg(b->nr)
                              .arg(format::kurzDatum(b->datum), b->kontoNr, stamm::betragText(b->betrag), b->sh)
                              .arg(jahr())
                              .arg(format::betrag(sh_.ohne(*b).differenz()));
    if (QMessageBox::question(this, windowTitle(), frage) != QMessageBox::Yes) return;
    speichern([&](db::Database& db) { stamm::buchungLoeschen(db, jahr(), *b); });
}

void SachbuchDialog::keyPressEvent(QKeyEvent* e) {
    if (module::tabellenTaste(e, tabelle_, [this] { neu(); }, [this] { aendern(); }, [this] { loeschen(); })) return;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && objNr_->hasFocus()) tabelle_->setFocus();
    else QDialog::keyPressEvent(e);
}

}  // namespace hmz
