// What the run driver needs of the run dialog besides message boxes: the
// four input fields, the euro check box, the progress labels, the looks and
// the focus. The Qt dialog implements it; the command line and the tests
// provide their own.
#pragma once

#include "core/variant.h"
#include "shell/oberflaeche.h"

#include <QString>

namespace hmz {

enum class Feld { VonObjNr, BisObjNr, AbrVonDatum, AbrBisDatum };
QString feldName(Feld f);  // "inpVonObjNr", ... "inpAbrBisDatum"

enum class Aussehen {
    Leerlauf,      // start and close buttons visible, progress panel hidden
    Laeuft,        // progress panel, running colours
    Angehalten,    // paused colours, cancel button hidden
    Fortgesetzt,   // running colours again after "Nein"
};

class LaufAnsicht : public Oberflaeche {
public:
    virtual Variant feldWert(Feld f) const = 0;
    virtual void setzeFeldWert(Feld f, const Variant& wert) = 0;
    virtual void fokus(Feld f) = 0;
    virtual void fokusStart() {}          // cmdOK
    virtual void fokusAbbrechen() {}      // cmdDruckenAbbrechen
    virtual int euroHaken() const = 0;    // chkEuroAusweisen: 0 or 1
    virtual void setzeEuroHaken(int wert) = 0;
    virtual void setzeLatsch(const QString& text) = 0;   // lblLatsch, repainted at once
    virtual void setzeObjAnz(const QString& text) = 0;   // lblObjAnz, repainted at once
    virtual void aussehen(Aussehen a) = 0;
    // The modal confirmation "Laufende Verarbeitung abbrechen?": true for "Ja".
    virtual bool abbruchBestaetigen() = 0;
    // Before each property of the run and after the last: properties done of all selected.
    virtual void objektFortschritt(long fertig, long gesamt) {
        (void)fertig;
        (void)gesamt;
    }
    // A trial run prints the statements but stores nothing (the dialog's "Probelauf" box).
    virtual bool probelauf() const { return false; }
    // A note that closes a run once it has ended: why its year results were not stored.
    virtual void schlussHinweis(const QString& text) { setzeLatsch(text); }
    // The balance check's short wait (0.8 s, events processed); the command line does not wait.
    virtual void kurzWarten() {}
};

}  // namespace hmz
