#include "dialog/frmhauptmzres.h"

#include "core/format.h"
#include "dialog/dialogskalieren.h"
#include "dialog/frmkill.h"
#include "dialog/inputfeld.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "entry/verbindung.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/druckerauswahl.h"
#include "report/ordnerdrucker.h"
#include "report/pufferdrucker.h"
#include "shell/fehlermelden.h"
#include "dialog/hilfe.h"
#include "dialog/hilfefenster.h"
#include "dialog/module.h"
#include "statement/lauf.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileDialog>
#include <QSettings>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace hmz {

namespace {

// Design size and place, in pixels of 15 twips.
constexpr int Links = 480 / 15, Oben = 1400 / 15, Breite = 10395 / 15, Hoehe = 6885 / 15;

const QString FormLoad = QStringLiteral("kmoHauptMzRes, in Form_Load");

// Item data of the printer box's entries that are no CUPS queue; a queue's
// entry carries its name.
constexpr qlonglong EintragPdfDatei = -1;  // the current printer writes one PDF file
constexpr qlonglong EintragJeObjekt = -2;  // "PDF-Dateien je Objekt"

qlonglong eintragArt(const QVariant& daten) {
    return daten.typeId() == QMetaType::LongLong ? daten.toLongLong() : 0;
}
const QString& JeObjekt = JeObjektEintrag;
const QString OrdnerSchluessel = QStringLiteral("drucken/pdfOrdner");

QLabel* beschriftung(const QString& text, const QString& name, QWidget* eltern, QRect r,
                     Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(text, eltern);
    l->setObjectName(name);
    l->setGeometry(r);
    l->setAlignment(a);
    return l;
}

QPushButton* knopf(const QString& text, const QString& name, QWidget* eltern, QRect r) {
    auto* b = new QPushButton(text, eltern);
    b->setObjectName(name);
    b->setGeometry(r);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

std::function<Antwort(const Meldung&)>& frmHauptMzRes::meldungsHook() {
    static std::function<Antwort(const Meldung&)> h;
    return h;
}

std::function<bool(const QUrl&)>& frmHauptMzRes::hilfeOeffner() {
    static std::function<bool(const QUrl&)> h = [](const QUrl& ziel) {
        // HTML help is shown here; any other help file by the desktop's viewer.
        if (hilfeFensterZeigen(ziel)) return true;
        return QDesktopServices::openUrl(ziel);
    };
    return h;
}

std::function<QString(QWidget*, const QString&)>& frmHauptMzRes::ordnerWahl() {
    static std::function<QString(QWidget*, const QString&)> w = [](QWidget* eltern, const QString& vorschlag) {
        return QFileDialog::getExistingDirectory(eltern, JeObjekt, vorschlag);
    };
    return w;
}

frmHauptMzRes::frmHauptMzRes(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHauptMzRes"));
    setWindowTitle(QStringLiteral("Hauptmietzinsreserve Abrechnung"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Arial"), 9));
    steuerelementeAnlegen();

    vorherigeOberflaeche_ = &ui();
    setzeOberflaeche(this);
    qApp->installEventFilter(this);
    laden();
}

frmHauptMzRes::~frmHauptMzRes() {
    if (&ui() == this) setzeOberflaeche(vorherigeOberflaeche_);
    while (sanduhren_ > 0) sanduhr(false);
}

void frmHauptMzRes::steuerelementeAnlegen() {
    fraVonBis_ = new QGroupBox(QStringLiteral("Von- / Bis-Auswahl"), this);
    fraVonBis_->setObjectName(QStringLiteral("fraVonBis"));
    // Kept compact so that the two check boxes below fit above the progress panel's place.
    fraVonBis_->setGeometry(16, 12, 420, 136);
    beschriftung(QStringLiteral("Objekt-Nr"), QStringLiteral("lblObjektNr"), fraVonBis_, {16, 31, 110, 22});
    beschriftung(QStringLiteral("von:"), QStringLiteral("lblVon"), fraVonBis_, {140, 31, 44, 22}, Qt::AlignRight | Qt::AlignVCenter);
    inpVonObjNr_ = new InputFeld(QStringLiteral("inpVonObjNr"), InputFeld::Art::Objektnummer, fraVonBis_);
    inpVonObjNr_->setGeometry(190, 30, 80, 24);
    beschriftung(QStringLiteral(" bis:"), QStringLiteral("lblBis"), fraVonBis_, {276, 31, 38, 22}, Qt::AlignRight | Qt::AlignVCenter);
    inpBisObjNr_ = new InputFeld(QStringLiteral("inpBisObjNr"), InputFeld::Art::Objektnummer, fraVonBis_);
    inpBisObjNr_->setGeometry(320, 30, 80, 24);
    beschriftung(QStringLiteral("Abrechnung von MM.JJ:"), QStringLiteral("lblAbrVon"), fraVonBis_, {16, 67, 170, 22});
    inpAbrVonDatum_ = new InputFeld(QStringLiteral("inpAbrVonDatum"), InputFeld::Art::Monat, fraVonBis_);
    inpAbrVonDatum_->setGeometry(190, 66, 100, 24);
    beschriftung(QStringLiteral("Abrechnung bis MM.JJ:"), QStringLiteral("lblAbrBis"), fraVonBis_, {16, 101, 170, 22});
    inpAbrBisDatum_ = new InputFeld(QStringLiteral("inpAbrBisDatum"), InputFeld::Art::Monat, fraVonBis_);
    inpAbrBisDatum_->setGeometry(190, 100, 100, 24);

    fraDurchfuehrung_ = new QGroupBox(QStringLiteral("Durchführungsbestimmungen"), this);
    fraDurchfuehrung_->setObjectName(QStringLiteral("fraDurchfuehrung"));
    fraDurchfuehrung_->setGeometry(16, 156, 420, 84);
    chkEuroAusweisen_ = new QCheckBox(QStringLiteral("EUR und ATS ausweisen"), fraDurchfuehrung_);
    chkEuroAusweisen_->setObjectName(QStringLiteral("chkEuroAusweisen"));
    chkEuroAusweisen_->setGeometry(16, 24, 300, 24);
    // Off at every start: a forgotten tick would silently keep a year's results from being stored.
    chkProbelauf_ = new QCheckBox(QStringLiteral("Probelauf (Ergebnisse nicht speichern)"), fraDurchfuehrung_);
    chkProbelauf_->setObjectName(QStringLiteral("chkProbelauf"));
    chkProbelauf_->setGeometry(16, 50, 300, 24);

    beschriftung(QStringLiteral("Druckerauswahl:"), QStringLiteral("lblDruckerauswahl"), this, {16, 250, 112, 24});
    cmbPrinter_ = new QComboBox(this);
    cmbPrinter_->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPrinter_->setGeometry(130, 249, 306, 26);

    beschriftung(QStringLiteral("Anzahl verarbeiteter Objekte:"), QStringLiteral("lblObjAnzText"), this, {16, 284, 200, 22});
    lblObjAnz_ = beschriftung(QString(), QStringLiteral("lblObjAnz"), this, {218, 284, 70, 22});
    // Where a PDF run writes, and after the run what it wrote and whether it stored.
    lblDruckZiel_ = beschriftung(QString(), QStringLiteral("lblDruckZiel"), this, {16, 310, 661, 66}, Qt::AlignLeft | Qt::AlignTop);
    lblDruckZiel_->setWordWrap(true);

    beschriftung(QStringLiteral("BuchungsJahr:"), QStringLiteral("lblBuchjahrText"), this, {456, 18, 100, 22});
    lblAuswahlBuchjahr_ = beschriftung(QString(), QStringLiteral("lblAuswahlBuchjahr"), this, {560, 18, 70, 22});
    beschriftung(QStringLiteral("MonatsStatus:"), QStringLiteral("lblMonStatusText"), this, {456, 44, 100, 22});
    lblAuswahlMonStatus_ = beschriftung(QString(), QStringLiteral("lblAuswahlMonStatus"), this, {560, 44, 70, 22});
    cmdHilfe_ = knopf(QStringLiteral("?"), QStringLiteral("cmdHilfe"), this, {645, 16, 32, 32});

    const QFont klein(QStringLiteral("Small Fonts"), 8);
    cmdSachbuch_ = knopf(QStringLiteral("Obj-/Kanzlei Buchungen"), QStringLiteral("cmdSachbuch"), this, {456, 90, 221, 30});
    cmdObjAusw_ = knopf(QStringLiteral("Objekt Auswahlhilfe"), QStringLiteral("cmdObjAusw"), this, {456, 126, 221, 30});
    cmdHmzResStamm_ = knopf(QStringLiteral("Hmz-/EHB-Summen Stamm"), QStringLiteral("cmdHmzResStamm"), this, {456, 162, 221, 30});
    cmdKontenStamm_ = knopf(QStringLiteral("Konten Stamm"), QStringLiteral("cmdKontenStamm"), this, {456, 198, 221, 30});
    for (auto* b : {cmdSachbuch_, cmdObjAusw_, cmdHmzResStamm_, cmdKontenStamm_}) b->setFont(klein);

    cmdBeenden_ = knopf(QStringLiteral("Beenden"), QStringLiteral("cmdBeenden"), this, {16, 395, 130, 44});
    cmdOK_ = knopf(QStringLiteral("Verarbeitung starten"), QStringLiteral("cmdOK"), this, {497, 395, 180, 44});
    cmdOK_->setDefault(true);

    // The progress panel; where it sits is decided at load time.
    picLatsch_ = new QFrame(this);
    picLatsch_->setObjectName(QStringLiteral("picLatsch"));
    picLatsch_->setFrameShape(QFrame::Panel);
    picLatsch_->setFrameShadow(QFrame::Raised);
    picLatsch_->setAutoFillBackground(true);
    picLatsch_->setGeometry(0, 0, 440, 130);
    lblDruckLäuft_ = beschriftung(QStringLiteral("                    Verarbeitung läuft"), QStringLiteral("lblDruckLäuft"),
                                  picLatsch_, {2, 2, 436, 30});
    lblDruckLäuft_->setAutoFillBackground(true);
    QFont fett = font();
    fett.setBold(true);
    lblDruckLäuft_->setFont(fett);
    lblLatsch_ = beschriftung(QStringLiteral("laufende Objekt-Nr:"), QStringLiteral("lblLatsch"), picLatsch_, {12, 44, 420, 24});
    cmdDruckenAbbrechen_ = knopf(QStringLiteral(" Verarbeitung   abbrechen"), QStringLiteral("cmdDruckenAbbrechen"),
                                 picLatsch_, {258, 80, 170, 40});

    InputFeld::ohnePruefung(cmdBeenden_);
    InputFeld::ohnePruefung(cmdDruckenAbbrechen_);

    resize(Breite, Hoehe);
    setMinimumSize(0, 0);

    // done() marks the dialog as gone, and only when it really closes.
    connect(cmdBeenden_, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdOK_, &QPushButton::clicked, this, &frmHauptMzRes::cmdOKClick);
    connect(cmdDruckenAbbrechen_, &QPushButton::clicked, this, &frmHauptMzRes::cmdDruckenAbbrechenClick);
    connect(cmdHilfe_, &QPushButton::clicked, this, &frmHauptMzRes::cmdHilfeClick);
    connect(cmdSachbuch_, &QPushButton::clicked, this, [] { SachbuchStarten(); });
    connect(cmdHmzResStamm_, &QPushButton::clicked, this, [] { HmzResStammStarten(); });
    connect(cmdKontenStamm_, &QPushButton::clicked, this, [this] { KontenStammStarten(inpAbrBisDatum_->text()); });
    connect(cmdObjAusw_, &QPushButton::clicked, this, &frmHauptMzRes::cmdObjAuswClick);
    // Only a choice of the user switches the printer, not the filling of the list.
    connect(cmbPrinter_, &QComboBox::activated, this, &frmHauptMzRes::druckerGewaehlt);
    connect(inpAbrVonDatum_, &InputFeld::Validate, this,
            [this](bool& cancel) { DatumFeldValidieren(*this, Feld::AbrVonDatum, cancel); });
    connect(inpAbrBisDatum_, &InputFeld::Validate, this,
            [this](bool& cancel) { DatumFeldValidieren(*this, Feld::AbrBisDatum, cancel); });
}

void frmHauptMzRes::laden() {
    auto& h = hilfe();
    auto& f = formular();
    auto& z = aufruf();
    h.LadenAbgeschlossen = false;
    HilfeKontexteUebernehmen();

    schritteMitMeldung(FormLoad, {
        [&] {
            // Nothing of an earlier call's client may stay bound.
            for (db::DataControl* c : {&f.MA_Data, &f.OO_Data, &f.KK_Data, &f.BU_Data, &f.OZ_Data, &f.AeData}) {
                c->trennen();
                c->DatabaseName = z.DatenbankPfad;
            }
        },
        [&] { DatenControlsVerbinden(f); },
        [&] { chkEuroAusweisen_->setChecked(AESelect() == 1); },
        [&] {
            move(Links, Oben);
            resize(Breite, Hoehe);
        },
        [&] {
            // Bottom right corner on the start button's bottom right corner.
            const QRect ok = cmdOK_->geometry();
            picLatsch_->move(ok.x() + ok.width() - picLatsch_->width(), ok.y() + ok.height() - picLatsch_->height());
            picLatsch_->hide();
            cmdBeenden_->show();
            lblLatsch_->clear();
        },
        [&] {
            const QDate d = z.MonatsStatusDatum.isValid() ? z.MonatsStatusDatum : NullDatum;
            const QString jahr = format::nullen(d.year(), 4);
            lblAuswahlMonStatus_->setText(format::nullen(d.month(), 2) + QLatin1Char('.') + jahr.mid(2, 2));
        },
        [&] {
            lblAuswahlBuchjahr_->setText(QString::number(z.Buchungsjahr));
            lblObjAnz_->setText(QStringLiteral("0"));
        },
        [&] { MauszeigerNormal(); },
        [&] { druckerListeFuellen(); },
    });
    h.LadenAbgeschlossen = true;
    z.DialogGeladen = true;
    mitMeldung(FormLoad, [&] { DialogSkalieren(this, true, true, width(), height(), 0); });
    setFixedSize(size());
}

// The box always shows the printer a run prints on: a queue, the PDF file of
// a printer that is no queue (so on a machine without any queue), or the
// folder entry.
void frmHauptMzRes::druckerListeFuellen() {
    const DruckerListe liste = DruckerListeFuellen();
    for (const DruckerEintrag& e : liste.eintraege) cmbPrinter_->addItem(e.name, e.name);
    int i = cmbPrinter_->findText(liste.anzeige, Qt::MatchExactly);
    const bool ordner = dynamic_cast<OrdnerDrucker*>(&Printer()) != nullptr;
    if (i < 0 && !ordner) {
        cmbPrinter_->addItem(QStringLiteral("PDF-Datei: ") + liste.anzeige, EintragPdfDatei);
        i = cmbPrinter_->count() - 1;
    }
    cmbPrinter_->addItem(JeObjekt, EintragJeObjekt);
    if (ordner) i = cmbPrinter_->count() - 1;
    cmbPrinter_->setCurrentIndex(i);
    druckerIndex_ = i;
    druckZielZeigen();
}

void frmHauptMzRes::druckerGewaehlt(int index) {
    const qlonglong daten = eintragArt(cmbPrinter_->itemData(index));
    if (daten == EintragJeObjekt) {
        QSettings einstellungen(QSettings::UserScope, QStringLiteral("hmzres"), QStringLiteral("hmzres"));
        const QString ordner = ordnerWahl()(this, einstellungen.value(OrdnerSchluessel, QDir::homePath()).toString());
        if (ordner.isEmpty()) {
            cmbPrinter_->setCurrentIndex(druckerIndex_);  // cancelled: the printer stays, and the box says so
            return;
        }
        einstellungen.setValue(OrdnerSchluessel, ordner);
        setzeDrucker(std::make_unique<OrdnerDrucker>(ordner));
    } else if (daten == EintragPdfDatei) {
        const QString datei = cmbPrinter_->itemText(index).mid(QStringLiteral("PDF-Datei: ").size());
        if (Printer().DeviceName() != datei) setzeDrucker(PufferDrucker::fuerPdf(datei));
    } else if (!DruckerWaehlen(cmbPrinter_->itemData(index).toString())) {
        cmbPrinter_->setCurrentIndex(druckerIndex_);
        return;
    }
    druckerIndex_ = index;
    druckZielZeigen();
}

void frmHauptMzRes::druckZielZeigen(const QString& nachLauf) {
    const qlonglong daten = eintragArt(cmbPrinter_->currentData());
    QString text = nachLauf;
    if (text.isEmpty() && daten == EintragJeObjekt) text = QStringLiteral("Ordner: ") + Printer().DeviceName();
    lblDruckZiel_->setText(text);
}

// --- LaufAnsicht -----------------------------------------------------------

Antwort frmHauptMzRes::melden(const Meldung& m) {
    if (auto& hook = meldungsHook()) return hook(m);
    QMessageBox box(this);
    box.setWindowTitle(m.titel.isEmpty() ? QGuiApplication::applicationDisplayName() : m.titel);
    box.setText(QString(m.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setIcon(m.symbol == Symbol::Stopp ? QMessageBox::Critical : QMessageBox::NoIcon);
    if (m.knoepfe == Knoepfe::OK) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return Antwort::OK;
    }
    QPushButton* ja = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    QPushButton* nein = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    box.setDefaultButton(m.standard == Antwort::Ja ? ja : nein);
    box.setEscapeButton(nein);
    box.exec();
    return box.clickedButton() == ja ? Antwort::Ja : Antwort::Nein;
}

void frmHauptMzRes::ereignisseVerarbeiten() { QCoreApplication::processEvents(); }

void frmHauptMzRes::sanduhr(bool an) {
    if (an) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++sanduhren_;
    } else if (sanduhren_ > 0) {
        QApplication::restoreOverrideCursor();
        --sanduhren_;
    }
}

void frmHauptMzRes::MauszeigerNormal() {
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

InputFeld* frmHauptMzRes::feld(Feld f) const {
    switch (f) {
    case Feld::VonObjNr: return inpVonObjNr_;
    case Feld::BisObjNr: return inpBisObjNr_;
    case Feld::AbrVonDatum: return inpAbrVonDatum_;
    case Feld::AbrBisDatum: return inpAbrBisDatum_;
    }
    return inpVonObjNr_;
}

Variant frmHauptMzRes::feldWert(Feld f) const { return feld(f)->Value(); }
void frmHauptMzRes::setzeFeldWert(Feld f, const Variant& wert) { feld(f)->setValue(wert); }
void frmHauptMzRes::fokus(Feld f) { feld(f)->setFocus(Qt::OtherFocusReason); }
void frmHauptMzRes::fokusStart() { cmdOK_->setFocus(Qt::OtherFocusReason); }
void frmHauptMzRes::fokusAbbrechen() { cmdDruckenAbbrechen_->setFocus(Qt::OtherFocusReason); }
bool frmHauptMzRes::probelauf() const { return chkProbelauf_->isChecked(); }

void frmHauptMzRes::schlussHinweis(const QString& text) {
    schlussHinweis_ = text;
    setzeLatsch(text);
}

int frmHauptMzRes::euroHaken() const { return chkEuroAusweisen_->isChecked() ? 1 : 0; }
void frmHauptMzRes::setzeEuroHaken(int wert) { chkEuroAusweisen_->setChecked(wert == 1); }

void frmHauptMzRes::setzeLatsch(const QString& text) {
    lblLatsch_->setText(text);
    lblLatsch_->repaint();
    emit latschGeaendert(text);
}

void frmHauptMzRes::setzeObjAnz(const QString& text) {
    lblObjAnz_->setText(text);
    lblObjAnz_->repaint();
}

void frmHauptMzRes::laufAussehen(int r, int g, int b, int vr, int vg, int vb, const QString& text) {
    QPalette p = lblDruckLäuft_->palette();
    p.setColor(QPalette::Window, QColor(r, g, b));
    p.setColor(QPalette::WindowText, QColor(vr, vg, vb));
    lblDruckLäuft_->setPalette(p);
    lblDruckLäuft_->setText(text);
}

void frmHauptMzRes::aussehen(Aussehen a) {
    switch (a) {
    case Aussehen::Leerlauf:
        cmdBeenden_->show();
        picLatsch_->hide();
        cmdOK_->show();
        // After a cancel the interrupted property still unwinds: start,
        // printer choice and Beenden wait until the start handler has returned.
        cmdOK_->setEnabled(!LaufAktiv());
        cmbPrinter_->setEnabled(!LaufAktiv());
        cmdBeenden_->setEnabled(!LaufAktiv());
        break;
    case Aussehen::Laeuft:
        cmdOK_->hide();
        cmdOK_->setEnabled(false);
        // Another printer would replace the one the run's job is open on.
        cmbPrinter_->setEnabled(false);
        cmdBeenden_->hide();
        picLatsch_->show();
        laufAussehen(0, 0, 128, 255, 255, 255, QStringLiteral("                  Verarbeitung läuft"));
        picLatsch_->repaint();
        cmdDruckenAbbrechen_->show();
        cmdOK_->setDefault(false);
        cmdDruckenAbbrechen_->setDefault(true);
        cmdDruckenAbbrechen_->setFocus(Qt::OtherFocusReason);
        break;
    case Aussehen::Angehalten:
        cmdDruckenAbbrechen_->hide();
        laufAussehen(128, 128, 128, 224, 224, 224, QStringLiteral("                Verarbeitung angehalten"));
        picLatsch_->repaint();
        break;
    case Aussehen::Fortgesetzt:
        laufAussehen(0, 0, 128, 255, 255, 255, QStringLiteral("                   Verarbeitung läuft"));
        cmdDruckenAbbrechen_->show();
        cmdDruckenAbbrechen_->setFocus(Qt::OtherFocusReason);
        picLatsch_->repaint();
        break;
    }
}

bool frmHauptMzRes::abbruchBestaetigen() {
    frmKill kill(this);
    kill.exec();
    return formular().AbbruchBestaetigt;
}

void frmHauptMzRes::kurzWarten() {
    // A precise timer runs on the monotonic clock; the loop lets the cancel button act meanwhile.
    QEventLoop warten;
    QTimer::singleShot(800, Qt::PreciseTimer, &warten, &QEventLoop::quit);
    warten.exec();
}

// --- Events ------------------------------------------------------------------

void frmHauptMzRes::cmdOKClick() {
    druckZielZeigen();
    schlussHinweis_.clear();
    // The queue may have gone since it was chosen.
    if (eintragArt(cmbPrinter_->currentData()) == 0 && !druckerBekannt(Printer().DeviceName())) {
        melden({druckerFehltText(Printer().DeviceName())});
        return;
    }
    const LaufErgebnis ergebnis = LaufStarten(*this);
    // Only now is the run over: start and printer box come back.
    if (ergebnis != LaufErgebnis::Abgelehnt) aussehen(Aussehen::Leerlauf);
    // A run into files names what it wrote.
    QStringList zeilen;
    const qlonglong daten = eintragArt(cmbPrinter_->currentData());
    if (ergebnis == LaufErgebnis::Gedruckt && daten == EintragPdfDatei)
        zeilen << QStringLiteral("PDF-Datei geschrieben: ") + Printer().DeviceName();
    if (auto* o = dynamic_cast<OrdnerDrucker*>(&Printer()); ergebnis == LaufErgebnis::Gedruckt && o && daten == EintragJeObjekt)
        zeilen << QStringLiteral("%1 PDF-Dateien geschrieben in %2").arg(o->geschrieben().size()).arg(o->DeviceName());
    // lblLatsch is hidden with the progress panel now: the note stays in sight here too.
    if (!schlussHinweis_.isEmpty()) zeilen << schlussHinweis_;
    if (!zeilen.isEmpty()) druckZielZeigen(zeilen.join(QLatin1Char('\n')));
}

void frmHauptMzRes::cmdDruckenAbbrechenClick() {
    if (formular().VerarbeitungLaeuft) LaufAbbrechen(*this);
}

long frmHauptMzRes::vonObjektNr() const {
    const Variant v = inpVonObjNr_->Value();
    return v.istNull() || v.istEmpty() || v.typ() == VarTyp::String ? 0 : v.toLong();
}

void frmHauptMzRes::cmdObjAuswClick() {
    const long nr = ObjektAuswahlStarten();
    if (nr > 0) {
        inpVonObjNr_->setValue(Variant::lng(static_cast<std::int32_t>(nr)));
        inpBisObjNr_->setValue(Variant::lng(static_cast<std::int32_t>(nr)));
    }
    inpVonObjNr_->setFocus(Qt::OtherFocusReason);
}

void frmHauptMzRes::hilfeTaste() {
    QWidget* fokus = QApplication::focusWidget();
    HilfeKontextSetzen(fokus);
    HilfeAufrufChk();
    if (!hilfe().HilfeOK) return;
    // The check found a relative name from the working folder; a viewer runs elsewhere.
    const QString datei = QFileInfo(hilfe().HilfeDatei).absoluteFilePath();
    // The field's own paragraph where the help has one, else the dialog's topic.
    const int kontext = hilfeKontext(fokus);
    const QUrl ziel = hilfeZiel(datei, {fokus ? fokus->objectName() : QString(),
                                        kontext ? QStringLiteral("kontext-%1").arg(kontext) : QString()});
    if (!hilfeOeffner()(ziel))
        melden({QStringLiteral("Die Hilfedatei ") + datei +
                QStringLiteral(" kann nicht angezeigt werden: es ist kein Programm zum Anzeigen eingerichtet.")});
}

void frmHauptMzRes::cmdHilfeClick() {
    HilfeKontextSetzen(QApplication::focusWidget());
    HilfeAufrufChk();
    if (hilfe().HilfeOK) hilfeTaste();  // as if F1 had been pressed
}

void frmHauptMzRes::taste(int key, bool& verbraucht) {
    switch (key) {
    case Qt::Key_F1:
        hilfeTaste();
        break;
    case Qt::Key_F2:
        cmdObjAuswClick();
        break;
    case Qt::Key_Escape:
        // Esc never reaches QDialog's own handling: it would close a running dialog.
        verbraucht = true;
        if (formular().VerarbeitungLaeuft) {
            if (cmdDruckenAbbrechen_->isVisible()) cmdDruckenAbbrechenClick();
        } else {
            reject();
        }
        break;
    default:
        break;
    }
}

bool frmHauptMzRes::eventFilter(QObject* ziel, QEvent* e) {
    if (e->type() != QEvent::KeyPress) return false;
    // Every key of this window once, before the control that has the focus sees it.
    QWidget* empfaenger = QApplication::focusWidget() ? QApplication::focusWidget() : this;
    if (ziel != empfaenger || empfaenger->window() != this) return false;
    bool verbraucht = false;
    taste(static_cast<QKeyEvent*>(e)->key(), verbraucht);
    return verbraucht;
}

void frmHauptMzRes::closeEvent(QCloseEvent* e) {
    if (formular().VerarbeitungLaeuft) {
        // Closing in the middle of a run asks like the cancel button does.
        e->ignore();
        cmdDruckenAbbrechenClick();
        return;
    }
    QDialog::closeEvent(e);
}

void frmHauptMzRes::done(int r) {
    if (formular().VerarbeitungLaeuft || LaufAktiv()) return;
    aufruf().DialogGeladen = false;
    QDialog::done(r);
}

}  // namespace hmz
