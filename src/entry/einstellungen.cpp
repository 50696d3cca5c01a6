#include "entry/einstellungen.h"

#include "entry/formular.h"
#include "shell/fehlermelden.h"

namespace hmz {

namespace {

const QString EinstellungText = QStringLiteral("HauptMzRes Euro ausweisen (1=ausweisen)");
const QString EinstellungKriterium = QStringLiteral("AllgEinstNr = 149");

void einstellungAnlegen(db::Recordset& rs, int wert) {
    rs.AddNew();
    rs.SetField(QStringLiteral("AllgEinstNr"), Variant::lng(149));
    rs.SetField(QStringLiteral("AllgEinstWert"), Variant::lng(wert));
    rs.SetField(QStringLiteral("AllgEinstText"), Variant::string(EinstellungText));
    rs.Update();  // the new row becomes the current one
}

}  // namespace

int AESelect() {
    auto& f = formular();
    const QString quelle = QStringLiteral("kmoHauptMzRes, in AESelect");
    const bool gelesen = mitMeldung(quelle, [&] {
        f.AeData.RecordSource = QStringLiteral("SELECT * FROM AllgEinstellungen WHERE AllgEinstNr = 149");
        f.AeData.Refresh();
    });
    if (!gelesen) return f.EurAtsAusweisen ? 1 : 0;  // nothing to search or edit
    schritteMitMeldung(quelle, {
        [&] { f.AeData.recordset().FindFirst(EinstellungKriterium); },
        [&] {
            auto& rs = f.AeData.recordset();
            if (rs.NoMatch()) einstellungAnlegen(rs, 1);
        },
        [&] { f.EurAtsAusweisen = f.AeData.recordset().Fields(QStringLiteral("AllgEinstWert")).toBool(); },
    });
    return f.EurAtsAusweisen ? 1 : 0;
}

void MandSelect() {
    auto& f = formular();
    const QString quelle = QStringLiteral("kmoHauptmzRes, in MandSelect");
    schritteMitMeldung(quelle, {
        [&] { f.MA_Data.RecordSource = QStringLiteral("SELECT * ") + QStringLiteral("FROM AllgMandDaten; "); },
        [&] { f.MA_Data.Refresh(); },
    });
}

void euroEinstellungSpeichern(int haken) {
    auto& ae = formular().AeData;
    if (!ae.hatRecordset()) {
        ae.RecordSource = QStringLiteral("SELECT * FROM AllgEinstellungen WHERE AllgEinstNr = 149");
        ae.Refresh();
    }
    auto& rs = ae.recordset();
    rs.FindFirst(EinstellungKriterium);
    // Without the row, editing the current one would overwrite another setting.
    if (rs.NoMatch()) {
        einstellungAnlegen(rs, haken);
        return;
    }
    rs.Edit();
    rs.SetField(QStringLiteral("AllgEinstWert"), Variant::lng(haken));
    rs.Update();
}

}  // namespace hmz
