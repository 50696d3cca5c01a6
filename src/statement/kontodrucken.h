// One account of a property statement: the section heading when the account
// opens its section, the account line, its bookings in the account's listing
// mode (single bookings, one line per month, one line for the period, or the
// balance alone), the special line of its position and a blank line; the
// balance goes into the section's total.
#pragma once

#include <QString>

namespace hmz {

// Listing modes (KontoHmzresVerdichtKz); any other value prints the balance only.
namespace verdichtung {
inline constexpr long Einzelbuchungen = 0;
inline constexpr long Zeitraum = 1;
inline constexpr long Monate = 2;
}  // namespace verdichtung

struct KontoZustand {
    QString AktKontoNr;  // the account being printed, right-trimmed
    long BuchungNr = 0;  // booking lines printed so far for it (single bookings)
};

KontoZustand& konto();

// KK_Data's recordset stands on the account row.
void KontoDrucken();
void AbschnittKopfDrucken();

// The current account's bookings into BU_Data, single or summed by month
// (in month order); false when the query failed (reported), BU_Data then
// holds no result.
bool BuchungenSelectEinzelbu();
bool BuchungenSelect();

void EinzelbuchungDrucken();  // BU_Data on the booking
void MonatsZeileDrucken();    // BU_Data on the month row
void ZeitraumZeileDrucken();  // KK_Data on the account

}  // namespace hmz
