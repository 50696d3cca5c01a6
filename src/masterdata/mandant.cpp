#include "masterdata/mandant.h"
#include "masterdata/parameter.h"

#include "masterdata/objekte.h"
#include "store/datenzugriff.h"

namespace hmz::stamm {

std::optional<std::optional<Currency>> euroKursLesen(const QString& eingabe, QString& grund) {
    const auto k = summeLesen(eingabe, grund);
    if (!k) return std::nullopt;
    if (*k && *k <= Currency()) {
        grund = QStringLiteral("Der Euro-Kurs muss größer als 0 sein (leer: der feste Kurs 13,7603).");
        return std::nullopt;
    }
    return k;
}

std::optional<QDate> monatsStatusLesen(const QString& eingabe, int jahr, QString& grund) {
    const auto d = datumLesen(eingabe, jahr, grund);
    if (d && !d->isValid()) {
        grund = MonatsStatusFehlt;
        return std::nullopt;
    }
    return d;
}

std::optional<MandantSatz> mandantLesen(db::Database& db) {
    // The first row, as the run's page header takes it.
    auto rs = db.OpenRecordset(QStringLiteral("SELECT MandName, MandName2, MandName3, MandAnschrift, MandNation, MandPlz, MandOrt, "
                                              "MandEurKurs, MandMonStatusDatum FROM AllgMandDaten"));
    if (rs->Eof()) return std::nullopt;
    const auto feld = [&](const char* name) {
        const Variant v = rs->Fields(QLatin1String(name));
        return v.istNull() || v.istEmpty() ? QString() : v.toString();
    };
    const Variant kurs = rs->Fields(QStringLiteral("MandEurKurs")), status = rs->Fields(QStringLiteral("MandMonStatusDatum"));
    return MandantSatz{feld("MandName"), feld("MandName2"), feld("MandName3"), feld("MandAnschrift"), feld("MandNation"),
                       feld("MandPlz"), feld("MandOrt"), kurs.istNull() || kurs.istEmpty() ? std::nullopt : std::optional(kurs.toCurrency()),
                       status.istNull() || status.istEmpty() ? QDate() : status.toDate()};
}

void mandantSpeichern(db::Database& db, const std::optional<MandantSatz>& alt, const MandantSatz& neu) {
    if (neu.euroKurs && *neu.euroKurs <= Currency())
        throw Ablehnung{QStringLiteral("Der Euro-Kurs muss größer als 0 sein (leer: der feste Kurs 13,7603).")};
    // The run dialog shows it and the euro display falls back on its year.
    if (!neu.monatsStatus.isValid()) throw Ablehnung{MonatsStatusFehlt};
    db::Transaktion t(db);
    // The rows' lock first, so that the comparison and the write see the same record.
    db.Execute(QStringLiteral("UPDATE AllgMandDaten SET MandName = MandName"));
    if (mandantLesen(db) != alt) throw Ablehnung{GeaendertText, true};
    if (!alt) mandantSatzAnlegen(db, neu.name);
    // The record is one row (a second one would print the same header).
    db.Execute(QStringLiteral("UPDATE AllgMandDaten SET MandName = ?, MandName2 = ?, MandName3 = ?, MandAnschrift = ?, MandNation = ?, "
                              "MandPlz = ?, MandOrt = ?, MandEurKurs = ?, MandMonStatusDatum = ?"),
               {text(neu.name), text(neu.name2), text(neu.name3), text(neu.anschrift), text(neu.nation), text(neu.plz), text(neu.ort),
                neu.euroKurs ? Variant::currency(*neu.euroKurs) : Variant::null(),
                neu.monatsStatus.isValid() ? Variant::date(neu.monatsStatus) : Variant::null()});
    t.commit();
}

}  // namespace hmz::stamm
