// Form-level state of the run dialog, kept apart from any widget so that the
// dialog and the command line drive the same statement code. One instance per
// process; its values survive from one call to the next.
#pragma once

#include "store/datenzugriff.h"

#include <QDate>
#include <QString>

namespace hmz {

struct Formular {
    // Data controls: settings, client record, properties, accounts, bookings, year sums.
    db::DataControl AeData, MA_Data, OO_Data, KK_Data, BU_Data, OZ_Data;

    // The run's period (first and last day), its year and the bookings table's year.
    QDate AbrVonDatum, AbrBisDatum;
    int AbrJahr = 0;
    long TabellenJahr = 0;
    long ObjektAnzahl = 0;

    // The property being printed, as "00000", and whether its summary page runs.
    QString ObjNrText;
    bool MehrjahrAktiv = false;

    // Run flags: the loops and the cancel handler talk only through these.
    bool VerarbeitungLaeuft = false;
    bool LaufEnde = false;
    bool AbbruchBestaetigt = false;
    bool Abbruch = false;
    bool EurAtsAusweisen = false;
    bool KontenEnde = false;
    bool BuchungenEnde = false;
    bool JahreEnde = false;

    // The six controls in the dialog's order.
    db::DataControl* datenControls[6] = {&AeData, &MA_Data, &OO_Data, &KK_Data, &BU_Data, &OZ_Data};
};

Formular& formular();

}  // namespace hmz
