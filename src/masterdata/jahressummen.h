// Stored year results of a property ("Hmz-/EHB-Summen"): reading, the rules
// of a row, and saving or deleting one row in one short transaction that
// refuses when another program changed the row since it was shown.
#pragma once

#include "masterdata/stammdaten.h"

#include <stdexcept>

namespace hmz::stamm {

inline const QString GeaendertText =
    QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Programm geändert oder gelöscht");

// A save or delete that was refused; `geaendert`: another program changed the
// row since it was shown (the view must reload).
struct Ablehnung {
    QString grund;
    bool geaendert = false;
};

struct JahresSumme {
    int jahr = 0;
    std::optional<Currency> ohneEhb, vereinnEhb;  // Null stays Null
    bool operator==(const JahresSumme&) const = default;
    Currency mitEhb() const { return ohneEhb.value_or(Currency()) + vereinnEhb.value_or(Currency()); }
    // Years before the euro hold schillings, as the ten-year table reads them.
    QString waehrung() const { return jahr < 2002 ? QStringLiteral("ATS") : QStringLiteral("EUR"); }
};

constexpr int ErstesJahr = 1900, LetztesJahr = 2100;

// Writes a row under its key. A server lets two workstations look for a key
// at once: one that another took after this one looked is refused as
// `vergeben` (the view reloads), not as the store's error.
void unterSchluessel(const QString& vergeben, const std::function<void()>& schreiben);

// The rules of a typed field; nullopt with the German reason in `grund`.
std::optional<int> jahrLesen(const QString& text, QString& grund);
// Empty is Null; otherwise "1.234,56", negative allowed, at most 4 decimals.
std::optional<std::optional<Currency>> summeLesen(const QString& text, QString& grund);

// "1.234,56" as typed, exact to the fourth decimal ("-0,1234").
QString betragText(Currency c);

// Is there such a property (any type)?
bool objektVorhanden(db::Database& db, long objNr);
std::vector<JahresSumme> jahresSummenLesen(db::Database& db, long objNr);
// `alt` is the row as shown (nullopt: a new row). Throws Ablehnung.
void jahresSummeSpeichern(db::Database& db, long objNr, const std::optional<JahresSumme>& alt, const JahresSumme& neu);
void jahresSummeLoeschen(db::Database& db, long objNr, const JahresSumme& alt);

}  // namespace hmz::stamm
