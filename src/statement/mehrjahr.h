// Rows and totals of the ten-year reserve table at the end of a statement.
// Years before the euro change-over are stored in schillings; on a statement
// of a later year they are shown converted to euro, with the stored
// schilling figures in a small italic line below.
#pragma once

#include "core/currency.h"

#include <QString>
#include <optional>
#include <vector>

namespace hmz {

namespace db {
class Database;
class Recordset;
}  // namespace db

// A row of the ten-year table as printed: euro figures (converted from
// schillings when `ats` is set, the stored schilling figures then in atsOhne/atsEhb).
struct JahresZeile {
    int jahr = 0;
    Currency ohne, ehb;
    bool ats = false;
    Currency atsOhne, atsEhb;
};

// The ten-year table of one property's statement: its rows as printed,
// oldest first, and their totals in the statement's currency.
struct Zehnjahrestabelle {
    std::vector<JahresZeile> zeilen;
    Currency summeOhne, summeEhb;
    // A row with its figures as stored; a schilling year on a statement of a
    // euro year is converted, and the totals take the converted figures.
    void hinzufuegen(long abrJahr, int jahr, Currency ohne, Currency ehb);
};

// The stored rows that the table of a statement of abrJahr shows for the
// property: its year and the nine before it, oldest first.
QString zehnjahresAbfrage(long objNr, long abrJahr);

// The table from the rows of that query (none: nullptr). `eigenes` is the
// result of a statement that stores nothing: it stands last in place of the
// stored row of abrJahr.
struct EigenesErgebnis {
    Currency ohne, ehb;
};
Zehnjahrestabelle zehnjahrestabelle(db::Recordset* gespeichert, long abrJahr,
                                    const std::optional<EigenesErgebnis>& eigenes = std::nullopt);

// What a statement of abrJahr would show from the rows stored now, before
// its own run rewrites its year.
Zehnjahrestabelle zehnjahrestabelleLesen(db::Database& db, long objNr, long abrJahr);

// A row of the table, converted or not as it says.
void JahresZeileDrucken(const JahresZeile& z);
// The totals row of the current property (and with euro/schilling display
// the converted totals).
void JahresSummenDrucken();

// A stored schilling amount in euro, rounded straight to whole cents (half to
// the even cent) from the exact quotient.
Currency schillingInEuro(Currency ats);

}  // namespace hmz
