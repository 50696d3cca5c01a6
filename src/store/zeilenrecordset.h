// A read-only recordset over rows already in memory: what a caller read in
// one query and hands out in parts (the statement's bookings of a property,
// split by account) behaves like the result of a query of its own.
#pragma once

#include "store/datenzugriff.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace hmz::db {

using Zeilen = std::vector<std::vector<Variant>>;

// Columns are found by name, case-insensitively, as in the stores.
std::unique_ptr<Recordset> zeilenRecordset(QStringList spalten, Zeilen zeilen);

}  // namespace hmz::db
