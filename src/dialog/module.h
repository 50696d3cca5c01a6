// Starting the related modules of the suite from the run dialog: each is
// created through the component registry, given the call parameters, and
// released when it returns. Every step reports its own failure and the
// sequence goes on, so the busy pointer is always reset.
#pragma once

#include <QString>

namespace hmz {

// Bookkeeping and reserve year sums: nothing comes back.
void SachbuchStarten();
void HmzResStammStarten();

// Account master. `abrBisText` is what the to-month field holds; unless it
// is empty or "0", the year of "1." + that text becomes element 11.
void KontenStammStarten(const QString& abrBisText);

// Property search: the chosen property number, or 0 when nothing was chosen
// (or the module could not be used).
long ObjektAuswahlStarten();

}  // namespace hmz
