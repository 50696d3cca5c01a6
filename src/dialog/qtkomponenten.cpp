#include "dialog/qtkomponenten.h"

#include "shell/oberflaeche.h"
#include "store/datenzugriff.h"
#include "entry/zustand.h"
#include "modules/mandantsatz.h"
#include "modules/objektstamm.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace hmz {

namespace {

class FehlerAnzeigeDialog : public FehlerAnzeige {
public:
    void uebernehmen(const Werte& w) override { werte_ = w; }
    void anzeigen() override {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Fehler"), fehlerText(werte_), QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setObjectName(QStringLiteral("kmoAllgError"));
        box.setDetailedText(fehlerDetails(werte_));
        antwort_ = box.exec();
    }
    int antwort() const override { return antwort_; }

private:
    Werte werte_;
    int antwort_ = 0;
};

class ObjektAuswahl : public ModulKomponente {
public:
    void starten(VariantArray& p) override {
        ObjektAuswahlDialog d(p.at(0).toString(), QApplication::activeWindow());
        if (d.exec() == QDialog::Accepted) nr_ = d.gewaehlt();
    }
    long gewaehlteObjektNr() const override { return nr_; }

private:
    long nr_ = 0;
};

}  // namespace

QString fehlerText(const FehlerAnzeige::Werte& w) {
    return QStringLiteral("Fehler-Nr.: %1\n\n%2\n\nQuelle: %3").arg(w.nummer).arg(w.beschreibung, w.quelle);
}

QString fehlerDetails(const FehlerAnzeige::Werte& w) {
    return QStringLiteral("Hilfedatei: %1\nHilfekontext: %2\nProgramm: %3\nWeitere Angaben: %4 %5\nKennzeichen: %6")
        .arg(w.hilfeDatei, w.hilfeKontext, w.programm, w.frei1, w.frei2)
        .arg(w.flag);
}

QList<ObjektZeile> objekteLesen(const QString& pfad) {
    auto db = mandantOeffnen(pfad, true);
    auto rs = db->OpenRecordset(QStringLiteral(
        "SELECT ObjNummer, ObjAnschrift, ObjPlz, ObjOrt FROM ObjDaten WHERE ObjTypus = 0 ORDER BY ObjNummer"));
    QList<ObjektZeile> zeilen;
    const auto text = [&](const char* spalte) {
        const Variant v = rs->Fields(QLatin1String(spalte));
        return v.istNull() ? QString() : v.toString();
    };
    for (; !rs->Eof(); rs->MoveNext())
        zeilen.push_back({rs->Fields(QStringLiteral("ObjNummer")).toLong(), text("ObjAnschrift"), text("ObjPlz"), text("ObjOrt")});
    rs->Close();
    db->Close();
    return zeilen;
}

ObjektAuswahlDialog::ObjektAuswahlDialog(const QList<ObjektZeile>& zeilen, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmObjektAuswahl"));
    setWindowTitle(QStringLiteral("Objekt Auswahlhilfe"));
    resize(560, 420);

    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("inpFilter"));
    filter_->setPlaceholderText(QStringLiteral("Objekt-Nr, Anschrift oder Ort"));
    filter_->setClearButtonEnabled(true);

    modell_ = new QStandardItemModel(0, 4, this);
    modell_->setHorizontalHeaderLabels(
        {QStringLiteral("Objekt-Nr"), QStringLiteral("Anschrift"), QStringLiteral("PLZ"), QStringLiteral("Ort")});
    fuellen(zeilen);
    gefiltert_ = new QSortFilterProxyModel(this);
    gefiltert_->setSourceModel(modell_);
    gefiltert_->setFilterKeyColumn(-1);
    gefiltert_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    liste_ = new QTreeView(this);
    liste_->setObjectName(QStringLiteral("lstObjekte"));
    liste_->setModel(gefiltert_);
    liste_->setRootIsDecorated(false);
    liste_->setUniformRowHeights(true);
    liste_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste_->setSelectionBehavior(QAbstractItemView::SelectRows);
    liste_->header()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto* knoepfe = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    knoepfe->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Übernehmen"));
    knoepfe->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));

    auto* l = new QVBoxLayout(this);
    l->addWidget(filter_);
    l->addWidget(liste_);
    l->addWidget(knoepfe);

    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& t) {
        gefiltert_->setFilterFixedString(t.trimmed());
        if (gefiltert_->rowCount() > 0) liste_->setCurrentIndex(gefiltert_->index(0, 0));
    });
    connect(liste_, &QTreeView::activated, this, &ObjektAuswahlDialog::uebernehmen);
    connect(knoepfe, &QDialogButtonBox::accepted, this, &ObjektAuswahlDialog::uebernehmen);
    connect(knoepfe, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (gefiltert_->rowCount() > 0) liste_->setCurrentIndex(gefiltert_->index(0, 0));
    filter_->setFocus();
}

ObjektAuswahlDialog::ObjektAuswahlDialog(const QString& datenbank, QWidget* parent)
    : ObjektAuswahlDialog(objekteLesen(datenbank), parent) {
    datenbank_ = datenbank;
    auto* knoepfe = findChild<QDialogButtonBox*>();
    const auto knopf = [&](const QString& text, void (ObjektAuswahlDialog::*aktion)()) {
        QPushButton* k = knoepfe->addButton(text, QDialogButtonBox::ActionRole);
        k->setAutoDefault(false);  // Enter takes the chosen property
        connect(k, &QPushButton::clicked, this, aktion);
    };
    knopf(QStringLiteral("Objekte…"), &ObjektAuswahlDialog::objekteZeigen);
    knopf(QStringLiteral("Mandant…"), &ObjektAuswahlDialog::mandantZeigen);
}

void ObjektAuswahlDialog::fuellen(const QList<ObjektZeile>& zeilen) {
    modell_->removeRows(0, modell_->rowCount());
    for (const ObjektZeile& z : zeilen) {
        auto* nr = new QStandardItem(QStringLiteral("%1").arg(z.nummer, 5, 10, QLatin1Char('0')));
        nr->setData(static_cast<qlonglong>(z.nummer), Qt::UserRole);
        modell_->appendRow({nr, new QStandardItem(z.anschrift), new QStandardItem(z.plz), new QStandardItem(z.ort)});
    }
}

void ObjektAuswahlDialog::objekteZeigen() {
    {
        ObjektStammDialog d(datenbank_, this);
        d.exec();
    }
    try {
        fuellen(objekteLesen(datenbank_));
    } catch (const Fehler&) {  // the list as it was; the master showed the failure
    }
    if (gefiltert_->rowCount() > 0) liste_->setCurrentIndex(gefiltert_->index(0, 0));
}

void ObjektAuswahlDialog::mandantZeigen() {
    MandantDialog d(datenbank_, this);
    d.exec();
}

int ObjektAuswahlDialog::sichtbareZeilen() const { return gefiltert_->rowCount(); }

void ObjektAuswahlDialog::uebernehmen() {
    const QModelIndex i = liste_->currentIndex();
    if (!i.isValid()) return;  // nothing to take: stay open
    gewaehlt_ = gefiltert_->index(i.row(), 0).data(Qt::UserRole).toLongLong();
    accept();
}

void qtKomponentenRegistrieren() {
    registriereKomponente(komponenten::FehlerAnzeigeName, [] { return std::make_unique<FehlerAnzeigeDialog>(); });
    registriereKomponente(komponenten::ObjektAuswahl, neueObjektAuswahl);
}

std::unique_ptr<Komponente> neueObjektAuswahl() { return std::make_unique<ObjektAuswahl>(); }

}  // namespace hmz
