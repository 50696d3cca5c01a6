// The values the master-data layer binds to its statements: a number as the
// stores' 32-bit integer column, and an empty field as Null.
#pragma once

#include "core/variant.h"

#include <optional>

namespace hmz::stamm {

inline Variant ganz(long n) { return Variant::lng(static_cast<std::int32_t>(n)); }
inline Variant zahl(const std::optional<int>& n) { return n ? ganz(*n) : Variant::null(); }
inline Variant text(const QString& t) { return t.isEmpty() ? Variant::null() : Variant::string(t); }
inline Variant text(const std::optional<QString>& t) { return t ? Variant::string(*t) : Variant::null(); }

}  // namespace hmz::stamm
