#include "statement/stapellauf.h"

#include "core/format.h"
#include "core/samefile.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "entry/verbindung.h"
#include "entry/zustand.h"
#include "report/drucker.h"
#include "report/pufferdrucker.h"
#include "shell/fehlermelden.h"
#include "shell/konsolenfehleranzeige.h"
#include "statement/lauf.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
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

    Antwort melden(const Meldung& m) override {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
        if (m.knoepfe == Knoepfe::OK) return Antwort::OK;
        return auftrag_.beiDifferenzWeiter ? Antwort::Nein : Antwort::Ja;
    }
    Variant feldWert(Feld f) const override { return felder_[static_cast<int>(f)]; }
    void setzeFeldWert(Feld f, const Variant& wert) override { felder_[static_cast<int>(f)] = wert; }
    void fokus(Feld) override {}
    int euroHaken() const override { return haken_; }
    void setzeEuroHaken(int wert) override { haken_ = wert; }
    void setzeLatsch(const QString& text) override {
        if (auftrag_.fortschrittBeobachter) auftrag_.fortschrittBeobachter(text);
        // The caption is set more than once per property; print each change once.
        if (auftrag_.fortschritt && !text.isEmpty() && text != letzteZeile_) std::printf("%s\n", qPrintable(text));
        letzteZeile_ = text;
    }
    void setzeObjAnz(const QString& text) override { anzahl_ = text; }
    void aussehen(Aussehen) override {}
    bool abbruchBestaetigen() override { return false; }

    const QString& anzahl() const { return anzahl_; }

private:
    static Variant nummer(const QString& text) {
        static const QRegularExpression ziffern(QStringLiteral("^\\s*\\d{1,9}\\s*$"));
        if (text.trimmed().isEmpty()) return {};
        if (ziffern.match(text).hasMatch()) return Variant::lng(text.trimmed().toInt());
        return Variant::string(text);
    }

    const DruckAuftrag& auftrag_;
    int haken_;
    Variant felder_[4];
    QString anzahl_ = QStringLiteral("0");
    QString letzteZeile_;
};

int fehlerStatus(const QString& text) {
    std::fprintf(stderr, "hmzres: %s\n", qPrintable(text));
    return 4;
}

}  // namespace

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
    const QFileInfo datei(auftrag.datenbank);
    if (!auftrag.pdfDatei.isEmpty() && isDatabaseFile(auftrag.pdfDatei, auftrag.datenbank)) {
        std::fprintf(stderr, "hmzres: the PDF file '%s' is the database itself\n", qPrintable(auftrag.pdfDatei));
        return 2;
    }
    if (!datei.isFile()) return fehlerStatus(QStringLiteral("database not found: %1").arg(auftrag.datenbank));

    z.AufrufParameter = VariantArray::leer(0, 100);
    z.AufrufParameter.at(0) = Variant::string(datei.absoluteFilePath());
    z.AufrufParameter.at(4) = Variant::string(QStringLiteral("Access;"));
    z.DatenbankPfad = datei.absoluteFilePath();
    z.GleicheZeile = QStringLiteral("GL");

    for (auto* control : f.datenControls) {
        control->trennen();
        control->DatabaseName = z.DatenbankPfad;
    }
    DatenControlsVerbinden(f);
    try {
        db::Engine::instance()
            .OpenDatabase(z.DatenbankPfad, false, true, QStringLiteral(";pwd=") + DatenbankPasswort)
            ->Close();
    } catch (const Fehler& e) {
        return fehlerStatus(QStringLiteral("%1 (%2)").arg(e.Beschreibung()).arg(e.Nummer()));
    }

    const long fehlerVorher = gemeldeteFehler();
    int haken = AESelect();
    if (auftrag.eurAts) haken = *auftrag.eurAts ? 1 : 0;

    try {
        std::unique_ptr<Drucker> drucker = auftrag.pdfDatei.isEmpty() ? PufferDrucker::fuerDrucker(auftrag.druckerName)
                                                                       : PufferDrucker::fuerPdf(auftrag.pdfDatei);
        if (auftrag.druckerHuelle) drucker = auftrag.druckerHuelle(std::move(drucker));
        setzeDrucker(std::move(drucker));
    } catch (const Fehler& e) {
        return fehlerStatus(e.Beschreibung());
    }

    KonsolenAnsicht ansicht(auftrag, haken);
    z.DialogGeladen = true;  // the run prints as from a loaded dialog
    const LaufErgebnis ergebnis = LaufStarten(ansicht);
    z.DialogGeladen = false;
    const bool fehler = gemeldeteFehler() != fehlerVorher;

    switch (ergebnis) {
    case LaufErgebnis::Gedruckt:
        if (auftrag.fortschritt) std::printf("Anzahl verarbeiteter Objekte: %s\n", qPrintable(ansicht.anzahl()));
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
