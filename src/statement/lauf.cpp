// The run driver: checks, balance check, property selection and the loop
// over the properties, with the running/paused looks and the cancel.
#include "statement/lauf.h"

#include "core/format.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "store/schema.h"
#include "entry/zustand.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "shell/fehlermelden.h"
#include "statement/objektdrucken.h"
#include "statement/shpruefen.h"

#include <optional>

namespace hmz {

namespace {

LaufAnsicht* aktiveAnsicht = nullptr;
bool laufAktiv = false;

void ereignisse() {
    if (aktiveAnsicht) aktiveAnsicht->ereignisseVerarbeiten();
}

QString objektAbfrage(long von, long bis, QDate bisDatum) {
    return QStringLiteral("SELECT ") + QStringLiteral("ObjDaten.ObjNummer, ") + QStringLiteral("ObjAllgAufteilSchlNr, ") +
           QStringLiteral("ObjNutzflSchlNr, ") + QStringLiteral("ObjAnteileSchlNr, ") +
           QStringLiteral("ObjDaten.ObjTypus, ") + QStringLiteral("ObjDaten.ObjAnschrift, ") +
           QStringLiteral("ObjDaten.ObjPlz, ") + QStringLiteral("ObjDaten.ObjOrt, ") +
           QStringLiteral("ObjDaten.ObjHvStatusDatum, ") + QStringLiteral("ObjDaten.ObjGueltigBisDatum ") +
           QStringLiteral("FROM ObjDaten ") + QStringLiteral("WHERE ") + QStringLiteral("(ObjDaten.ObjNummer between ") +
           QString::number(von) + QStringLiteral(" AND ") + QString::number(bis) + QStringLiteral(") ") +
           QStringLiteral(" AND ObjTypus = 0") + QStringLiteral(" AND (ObjGueltigBisDatum >= datevalue('") +
           format::kurzDatum(bisDatum) + QStringLiteral("') or ObjGueltigBisDatum = 0)");
}

void LaufBeginnen(LaufAnsicht& a) {
    auto& f = formular();
    f.VerarbeitungLaeuft = true;
    a.aussehen(Aussehen::Laeuft);
    a.fokusAbbrechen();
    DruckStart();
    f.AbbruchBestaetigt = false;
}

void LaufBeenden(LaufAnsicht& a) {
    auto& f = formular();
    a.aussehen(Aussehen::Leerlauf);
    if (f.AbbruchBestaetigt) a.melden({QStringLiteral("Verarbeitung durch Anwender abgebrochen")});
    DruckEnde();  // after a cancel the printer swallows the rest of the discarded job
    f.VerarbeitungLaeuft = false;
}

// Steps after the checks; throws on database or printer failures.
LaufErgebnis laufDurchfuehren(LaufAnsicht& a, long von, long bis) {
    auto& f = formular();
    const long fehlerVorher = gemeldeteFehler();
    a.setzeLatsch(QStringLiteral("Soll/Haben prüfen - kurze Wartezeit"));
    LaufBeginnen(a);

    // The balance check and the statements read the year's bookings through
    // their indexes; a table made elsewhere may lack them.
    // A run that only computes writes nothing, indexes included, nor does a trial run.
    const bool schreiben = !istNurRechnen() && !a.probelauf();
    db::Database& datenbank = f.OO_Data.database();
    if (schreiben) db::buchungsIndexSicherstellen(datenbank, static_cast<int>(f.TabellenJahr));

    auto& p = shPruefung();
    p.PruefJahr = f.AbrJahr;
    p.PruefAnlass = QStringLiteral("Soll/Haben-Prüfung VOR BEGINN DER BUCHUNGSVERARBEITUNG");
    QString jahr;
    SHPrüfen(jahr, a);
    if (f.Abbruch) {
        LaufBeenden(a);
        a.fokus(Feld::VonObjNr);
        return LaufErgebnis::SHAbbruch;
    }

    a.setzeLatsch(QStringLiteral("Buchungsdateien einlesen"));
    MandSelect();
    const int haken = a.euroHaken();
    if ((f.EurAtsAusweisen ? -1 : 0) != haken && schreiben) euroEinstellungSpeichern(haken);
    f.EurAtsAusweisen = haken == 1;
    a.ereignisseVerarbeiten();
    a.sanduhr(false);

    f.LaufEnde = false;
    f.OO_Data.RecordSource = objektAbfrage(von, bis, f.AbrBisDatum);
    f.OO_Data.Refresh();
    db::Recordset& objekte = f.OO_Data.recordset();
    a.ereignisseVerarbeiten();
    a.sanduhr(false);

    if (objekte.RecordCount() == 0 || f.AbbruchBestaetigt) {
        f.LaufEnde = true;
        if (objekte.RecordCount() == 0) {
            a.melden({QStringLiteral("Keine Objekte zum Drucken gefunden")});
            a.aussehen(Aussehen::Leerlauf);
            return LaufErgebnis::KeineObjekte;
        }
        return LaufErgebnis::Abgebrochen;
    }

    LaufBeginnen(a);
    // No transaction around the run: it draws and waits for the user, and
    // other programs write meanwhile. Each property stores its year result
    // in a short transaction of its own.
    objekte.MoveFirst();
    const long gesamt = objekte.RecordCount();
    long fertig = 0;
    while (!f.LaufEnde) {
        a.objektFortschritt(fertig, gesamt);
        ObjektDrucken();
        ++fertig;
        objekte.MoveNext();
        a.ereignisseVerarbeiten();
        if (objekte.Eof()) f.LaufEnde = true;
    }
    if (!f.AbbruchBestaetigt) a.objektFortschritt(fertig, gesamt);
    const bool abgebrochen = druck().DruckGestoppt;
    LaufBeenden(a);
    if (abgebrochen) return LaufErgebnis::Abgebrochen;
    if (const QString hinweis = ohneSpeichernHinweis(); !hinweis.isEmpty()) a.schlussHinweis(hinweis);
    // A statement that met a reported failure stored no year row: not a success.
    return gemeldeteFehler() != fehlerVorher ? LaufErgebnis::Fehler : LaufErgebnis::Gedruckt;
}

}  // namespace

bool LaufAktiv() { return laufAktiv; }

LaufErgebnis LaufStarten(LaufAnsicht& a) {
    // A nested start (from an event point of a run) would replace the
    // recordsets the running loops still hold.
    if (laufAktiv) return LaufErgebnis::Abgelehnt;
    laufAktiv = true;
    struct Ende {
        ~Ende() { laufAktiv = false; }
    } ende;

    auto& f = formular();
    a.fokusStart();
    f.AbbruchBestaetigt = false;
    f.ObjektAnzahl = 0;
    a.setzeObjAnz(QStringLiteral("0"));

    long von = 0, bis = 0;
    if (!StartPruefungen(a, von, bis)) return LaufErgebnis::Abgelehnt;

    aktiveAnsicht = &a;
    setzeProbelauf(a.probelauf());
    setzeEreignisPunkt(&ereignisse);
    setzeLaufAnsicht(&a);
    LaufErgebnis ergebnis;
    try {
        ergebnis = laufDurchfuehren(a, von, bis);
    } catch (...) {
        // A failing query or printer: report it, discard the job, back to idle.
        const Fehler e = alsFehler(std::current_exception());
        FehlerQuelle() = QStringLiteral("kmoHauptMzRes, in cmdOK_Click");
        FehlerMelden(e);
        try {
            Printer().KillDoc();
        } catch (...) {
        }
        a.aussehen(Aussehen::Leerlauf);
        ergebnis = LaufErgebnis::Fehler;
    }
    setzeEreignisPunkt(nullptr);
    setzeLaufAnsicht(nullptr);
    setzeProbelauf(false);
    aktiveAnsicht = nullptr;
    f.VerarbeitungLaeuft = false;
    a.fokus(Feld::VonObjNr);
    return ergebnis;
}

void LaufAbbrechen(LaufAnsicht& a) {
    auto& f = formular();
    auto& d = druck();
    a.aussehen(Aussehen::Angehalten);
    f.AbbruchBestaetigt = false;
    f.AbbruchBestaetigt = a.abbruchBestaetigen();
    if (f.AbbruchBestaetigt) {
        d.KopfAktiv = true;
        d.DruckString = QStringLiteral("DRUCK VOM ANWENDER ABGEBROCHEN");
        DruckZeile(d.DruckString);
        Printer().KillDoc();
        d.DruckGestoppt = true;
        f.LaufEnde = true;
        f.BuchungenEnde = true;
        f.KontenEnde = true;
        LaufBeenden(a);
    } else {
        a.aussehen(Aussehen::Fortgesetzt);
        a.fokusAbbrechen();
    }
}

}  // namespace hmz
