#include "statement/stapellauf.h"

#include "core/format.h"
#include "core/samefile.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "entry/verbindung.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/leerdrucker.h"
#include "report/ordnerdrucker.h"
#include "report/pufferdrucker.h"
#include "report/qtdrucker.h"
#include "shell/fehlermelden.h"
#include "shell/konsolenfehleranzeige.h"
#include "statement/lauf.h"
#include "store/datenzugriff.h"
#include "statement/objektdrucken.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <malloc.h>

namespace hmz {

namespace {

// The dialog's side of a run without a dialog: the inputs come from the
// command line, message texts go to stderr word for word, progress to stdout,
// and the one question (the balance difference) is answered by an option.
class KonsolenAnsicht : public LaufAnsicht {
public:
    KonsolenAnsicht(const DruckAuftrag& a, int haken) : auftrag_(a), haken_(haken) {
        felder_[0] = nummer(a.vonObjNr);
        felder_[1] = nummer(a.bisObjNr);
        felder_[2] = format::monatsEingabe(a.abrVon);
        felder_[3] = format::monatsEingabe(a.abrBis);
    }

    ~KonsolenAnsicht() override { zeileAbschliessen(); }

    Antwort melden(const Meldung& m) override {
        zeileAbschliessen();
        // A cancel is told when it is taken and again when the loop ends: once is enough here.
        if (m.knoepfe != Knoepfe::OK || m.text != letzteMeldung_) std::fprintf(stderr, "%s\n", qPrintable(m.text));
        letzteMeldung_ = m.text;
        if (m.knoepfe == Knoepfe::OK) return Antwort::OK;
        // The dialog's text speaks of its buttons; say which option is the "NEIN" here.
        if (!auftrag_.beiDifferenzWeiter)
            std::fputs("hmzres: angehalten; mit --on-imbalance continue werden die Abrechnungen trotzdem gedruckt\n", stderr);
        return auftrag_.beiDifferenzWeiter ? Antwort::Nein : Antwort::Ja;
    }
    // A signal cancels at the points where the dialog would see its cancel button.
    void ereignisseVerarbeiten() override {
        if (signalAbbruch_ || !auftrag_.abbruchSignal || auftrag_.abbruchSignal->load() == 0) return;
        if (!formular().VerarbeitungLaeuft) return;
        signalAbbruch_ = true;
        LaufAbbrechen(*this);
    }
    Variant feldWert(Feld f) const override { return felder_[static_cast<int>(f)]; }
    void setzeFeldWert(Feld f, const Variant& wert) override { felder_[static_cast<int>(f)] = wert; }
    void fokus(Feld) override {}
    int euroHaken() const override { return haken_; }
    void setzeEuroHaken(int wert) override { haken_ = wert; }
    void setzeLatsch(const QString& text) override {
        if (auftrag_.fortschrittBeobachter) auftrag_.fortschrittBeobachter(text);
        if (!auftrag_.fortschritt || text.isEmpty()) return;
        if (auftrag_.fortschrittZeile) {
            latsch_ = text;
            zeileZeigen(false);
            return;
        }
        // The caption is set more than once per property; print each change once.
        if (text != letzteZeile_) {
            std::printf("%s\n", qPrintable(text));
            std::fflush(stdout);  // a log or a pipe follows the run as it goes
        }
        letzteZeile_ = text;
    }
    void setzeObjAnz(const QString& text) override { anzahl_ = text; }
    bool probelauf() const override { return auftrag_.ohneSpeichern; }
    // Told in the closing line.
    void schlussHinweis(const QString& text) override { hinweis_ = text; }
    void objektFortschritt(long fertig, long gesamt) override {
        if (!uhr_.isValid()) uhr_.start();
        fertig_ = fertig;
        gesamt_ = gesamt;
        if (auftrag_.fortschritt && auftrag_.fortschrittZeile) zeileZeigen(fertig == gesamt);
    }
    void aussehen(Aussehen) override {}
    bool abbruchBestaetigen() override { return signalAbbruch_; }

    bool durchSignalAbgebrochen() const { return signalAbbruch_; }
    void zeileAbschliessen() {
        if (!zeileOffen_) return;
        std::printf("\n");
        std::fflush(stdout);
        zeileOffen_ = false;
    }
    const QString& anzahl() const { return anzahl_; }

    // One closing line for every end of a run that printed: how many
    // statements went out or were discarded, and what became of the year results.
    void schlusszeile(bool abgebrochen, long gespeichert) {
        zeileAbschliessen();
        QString zeile = abgebrochen ? QStringLiteral("Abgebrochen: %1 Abrechnungen verworfen; ").arg(anzahl_)
                                    : QStringLiteral("Fertig: %1 Abrechnungen gedruckt; ").arg(anzahl_);
        if (hinweis_.isEmpty() && abgebrochen) hinweis_ = ohneSpeichernHinweis();
        zeile += hinweis_.isEmpty() ? QStringLiteral("Jahresergebnisse gespeichert: %1").arg(gespeichert) : hinweis_;
        // --quiet keeps what the user must know: results that were not stored, a cancel.
        if (auftrag_.fortschritt)
            std::printf("%s\n", qPrintable(zeile));
        else if (abgebrochen || !hinweis_.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(zeile));
        std::fflush(stdout);
    }

private:
    static Variant nummer(const QString& text) {
        static const QRegularExpression ziffern(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
        if (text.trimmed().isEmpty()) return {};
        if (ziffern.match(text).hasMatch()) return Variant::lng(text.trimmed().toInt());
        return Variant::string(text);
    }

    static QString dauer(qint64 ms) {
        const qint64 s = ms / 1000;
        return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
    }

    // One line, rewritten in place: properties done of all, the current
    // property, elapsed and remaining time. At most ten times a second.
    void zeileZeigen(bool immer) {
        if (!immer && gezeigt_.isValid() && gezeigt_.elapsed() < 100) return;
        gezeigt_.start();
        const qint64 ms = uhr_.isValid() ? uhr_.elapsed() : 0;
        QString zeile = QStringLiteral("%1 von %2 Objekten").arg(fertig_).arg(gesamt_);
        if (!latsch_.isEmpty()) zeile += QStringLiteral(" | ") + latsch_;
        zeile += QStringLiteral(" | %1 vergangen").arg(dauer(ms));
        if (fertig_ > 0 && gesamt_ > fertig_) zeile += QStringLiteral(", noch etwa %1").arg(dauer(ms * (gesamt_ - fertig_) / fertig_));
        std::printf("\r\033[K%s", qPrintable(zeile));
        std::fflush(stdout);
        zeileOffen_ = true;
    }

    const DruckAuftrag& auftrag_;
    int haken_;
    Variant felder_[4];
    QString anzahl_ = QStringLiteral("0");
    QString letzteZeile_;
    QString letzteMeldung_, hinweis_;
    QString latsch_;
    bool signalAbbruch_ = false;
    bool zeileOffen_ = false;
    long fertig_ = 0, gesamt_ = 0;
    QElapsedTimer uhr_, gezeigt_;
};

// Gives the data controls their connect string without the password step,
// which would rewrite a file that has none yet.
void nurLesendVerbinden(Formular& f) {
    for (auto* control : f.datenControls)
        control->Connect = datenbankFormat() + QStringLiteral("pwd=") + DatenbankPasswort + QStringLiteral(";");
}

int fehlerStatus(const QString& text) {
    std::fprintf(stderr, "hmzres: %s\n", qPrintable(text));
    return 4;
}

}  // namespace

QString fremdeDateiHinweis(const Fehler& e, const QString& datei) {
    // The client key opens every client file: a file it does not open is none, whatever its bytes look like.
    if (e.Nummer() != db::nr::KeinGueltigesPasswort || db::Engine::IstServer(datei)) return {};
    return QStringLiteral("'%1' ist keine Mandantendatenbank (oder mit einem fremden Kennwort verschlüsselt) und bleibt "
                          "unverändert. Legen Sie mit 'hmzres init' einen Mandanten an oder übernehmen Sie einen mit "
                          "'hmzres import-mdb'.").arg(datei);
}

QString keinMandantHinweis(const QString& datenbank) {
    try {
        if (!db::Engine::IstServer(datenbank) || db::Engine::instance().Vorhanden(datenbank)) return {};
    } catch (const Fehler&) {
        return {};  // the open that follows says why
    }
    const QString name = db::Engine::Anzeigename(datenbank);
    return QStringLiteral("'%1' enthält keinen Mandanten; legen Sie mit 'hmzres init' einen an oder kopieren Sie "
                          "einen mit 'hmzres copy' hinein.").arg(name);
}

int druckAuftragAusfuehren(const DruckAuftrag& auftrag) {
    konsolenFehlerAnzeigeRegistrieren();
    // A headless run is the process's whole job. Every PDF page allocates and
    // frees its content buffers and a compressor state of a few hundred KB;
    // with the allocator's defaults each of them is mapped and unmapped again,
    // and the page faults cost about a tenth of the run. Keep freed memory
    // for reuse instead: the working set stays the same size.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    auto& z = aufruf();
    auto& f = formular();
    QString name = auftrag.datenbank;
    if (!auftrag.pdfDatei.isEmpty() && isDatabaseFile(auftrag.pdfDatei, auftrag.datenbank)) {
        std::fprintf(stderr, "hmzres: die PDF-Datei '%s' ist die Datenbank selbst\n", qPrintable(auftrag.pdfDatei));
        return 2;
    }
    if (!db::Engine::IstServer(name)) {
        const QFileInfo datei(name);
        if (!datei.isFile()) return fehlerStatus(QStringLiteral("Datenbank nicht gefunden: %1").arg(auftrag.datenbank));
        name = datei.absoluteFilePath();
        // The run writes the year results and the PDF only after the first
        // statement: refuse targets that cannot be written now, not after that work.
        try {
            if (!auftrag.nurRechnen) db::schreibbarPruefen(name);
        } catch (const Fehler& e) {
            return fehlerStatus(QStringLiteral("%1 (%2)").arg(e.Beschreibung()).arg(e.Nummer()));
        }
    }
    if (!auftrag.pdfDatei.isEmpty()) {
        if (const QString grund = QtDrucker::pdfZielFehler(auftrag.pdfDatei); !grund.isEmpty()) return fehlerStatus(grund);
    }
    if (!auftrag.pdfOrdner.isEmpty()) {
        // The files are made in a hidden folder inside and moved out of it: both need the folder.
        const QString ordner = QFileInfo(auftrag.pdfOrdner).absoluteFilePath();
        if (::access(QFile::encodeName(ordner).constData(), W_OK | X_OK) != 0)
            return fehlerStatus(QStringLiteral("in den Ordner %1 kann nicht geschrieben werden: %2").arg(ordner, QString::fromLocal8Bit(std::strerror(errno))));
    }

    z.AufrufParameter = VariantArray::leer(0, 100);
    z.AufrufParameter.at(0) = Variant::string(name);
    z.AufrufParameter.at(4) = Variant::string(QStringLiteral("Access;"));
    z.DatenbankPfad = name;
    z.GleicheZeile = QStringLiteral("GL");

    for (auto* control : f.datenControls) {
        control->trennen();
        control->DatabaseName = z.DatenbankPfad;
        control->ReadOnly = auftrag.nurRechnen;
    }
    if (auftrag.nurRechnen)
        nurLesendVerbinden(f);
    else
        DatenControlsVerbinden(f);
    try {
        mandantOeffnen(z.DatenbankPfad, true)
            ->Close();
    } catch (const Fehler& e) {
        if (const QString fremd = fremdeDateiHinweis(e, name); !fremd.isEmpty()) return fehlerStatus(fremd);
        return fehlerStatus(QStringLiteral("%1 (%2)").arg(e.Beschreibung()).arg(e.Nummer()));
    }
    if (const QString leer = keinMandantHinweis(z.DatenbankPfad); !leer.isEmpty()) return fehlerStatus(leer);

    const long fehlerVorher = gemeldeteFehler();
    const long gespeichertVorher = gespeicherteJahresergebnisse();
    // Reading the setting creates it when missing; a run that only computes shows no amounts.
    int haken = auftrag.nurRechnen ? 0 : AESelect();
    if (auftrag.eurAts) haken = *auftrag.eurAts ? 1 : 0;

    try {
        std::unique_ptr<Drucker> drucker;
        if (auftrag.nurRechnen)
            drucker = std::make_unique<LeerDrucker>();
        else if (!auftrag.pdfOrdner.isEmpty())
            drucker = std::make_unique<OrdnerDrucker>(auftrag.pdfOrdner);
        else if (!auftrag.pdfDatei.isEmpty())
            drucker = PufferDrucker::fuerPdf(auftrag.pdfDatei);
        else
            drucker = PufferDrucker::fuerDrucker(auftrag.druckerName);
        if (auftrag.druckerHuelle) drucker = auftrag.druckerHuelle(std::move(drucker));
        setzeDrucker(std::move(drucker));
    } catch (const Fehler& e) {
        return fehlerStatus(e.Beschreibung());
    }

    KonsolenAnsicht ansicht(auftrag, haken);
    z.DialogGeladen = true;  // the run prints as from a loaded dialog
    setzeNurRechnen(auftrag.nurRechnen);
    if (auftrag.objektErgebnis)
        setzeObjektBeobachter([&](const ObjektZustand& o) { auftrag.objektErgebnis(formular().ObjNrText, o); });
    const LaufErgebnis ergebnis = LaufStarten(ansicht);
    setzeObjektBeobachter({});
    setzeNurRechnen(false);
    ansicht.zeileAbschliessen();
    z.DialogGeladen = false;
    const bool fehler = gemeldeteFehler() != fehlerVorher;
    const long gespeichert = gespeicherteJahresergebnisse() - gespeichertVorher;
    if (ansicht.durchSignalAbgebrochen()) {
        if (!auftrag.nurRechnen) ansicht.schlusszeile(true, gespeichert);
        return 128 + auftrag.abbruchSignal->load();
    }

    switch (ergebnis) {
    case LaufErgebnis::Gedruckt:
        if (!auftrag.nurRechnen) ansicht.schlusszeile(false, gespeichert);
        return fehler ? 4 : 0;
    case LaufErgebnis::Abgelehnt:
    case LaufErgebnis::KeineObjekte:
        return 1;
    case LaufErgebnis::SHAbbruch:
        return fehler ? 4 : 3;
    case LaufErgebnis::Abgebrochen:
    case LaufErgebnis::Fehler:
        return 4;
    }
    return 4;
}

}  // namespace hmz
