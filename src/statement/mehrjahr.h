// Rows and totals of the ten-year reserve table at the end of a statement.
// Years before the euro change-over are stored in schillings; on a statement
// of a later year they are shown converted to euro, with the stored
// schilling figures in a small italic line below.
#pragma once

#include "core/currency.h"

namespace hmz {

// OZ_Data's recordset stands on the year row; adds it to the running totals.
void JahresZeileDrucken();
// The same for a row given by its figures as stored.
void JahresZeileDrucken(int jahr, Currency ohne, Currency ehb);
// The totals row (and with euro/schilling display the converted totals).
void JahresSummenDrucken();

// A stored schilling amount in euro, rounded straight to whole cents (half to
// the even cent) from the exact quotient.
Currency schillingInEuro(Currency ats);

}  // namespace hmz
