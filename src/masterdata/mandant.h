// The client record ("Mandantenstamm", one row): reading it and saving it in
// one short transaction that refuses when another program changed it since
// it was shown. Its names and address print in every page header.
#pragma once

#include "masterdata/jahressummen.h"

namespace hmz::stamm {

struct MandantSatz {
    QString name, name2, name3, anschrift, nation, plz, ort;
    std::optional<Currency> euroKurs;  // Null: the fixed rate
    QDate monatsStatus;
    bool operator==(const MandantSatz&) const = default;
};

// Schillings per euro, used when the record has no rate of its own.
inline const Currency FesterEuroKurs = Currency::fromRaw(137603);

inline const QString MonatsStatusFehlt = QStringLiteral("Das Monatsstatus-Datum fehlt (TT.MM.JJJJ).");

// Empty is Null (the fixed rate); otherwise a rate above 0 with at most 4 decimals.
std::optional<std::optional<Currency>> euroKursLesen(const QString& text, QString& grund);

// Required: TT.MM.JJJJ, or TT.MM. in `jahr`.
std::optional<QDate> monatsStatusLesen(const QString& text, int jahr, QString& grund);

// nullopt: the client has no record yet.
std::optional<MandantSatz> mandantLesen(db::Database& db);
// `alt` is the record as shown (nullopt: there was none). Throws Ablehnung.
void mandantSpeichern(db::Database& db, const std::optional<MandantSatz>& alt, const MandantSatz& neu);

}  // namespace hmz::stamm
