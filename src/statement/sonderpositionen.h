// The two positions that do not enter the statement at their full balance:
// advertising-space income (position 11) is reduced by 75 % of its balance,
// five expenditure positions get 20 % of their balance added once more.
// Each prints one extra line under the account and corrects the section total.
#pragma once

#include "core/currency.h"

namespace hmz {

inline constexpr int WerbeflaechenPosition = 11;
bool istZuschlagPosition(int pos);  // 25, 26, 32, 35, 36

// KK_Data's recordset stands on the account just printed, its last line ended.
void WerbeflaechenAbzugDrucken();
void ZuschlagDrucken();

// The extra amount of a special line: the balance times the factor, rounded
// to whole cents (half to the even cent), so that the printed amount and the
// amount added to the total are the same value.
Currency sonderBetrag(Currency saldo, double faktor);

}  // namespace hmz
