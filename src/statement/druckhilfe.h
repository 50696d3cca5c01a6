// Small helpers shared by the statement's line printers.
#pragma once

#include "core/currency.h"
#include "core/variant.h"

#include <QString>

namespace hmz::statement {

// The mode that keeps a printed line open. Held here rather than read from
// the entry's GleicheZeile, so that a statement printed without a host call
// (command line, tests) still keeps its lines together.
inline const QString GL = QStringLiteral("GL");

// A text column that may be empty in the database: Null prints as nothing
// instead of failing the whole property.
inline QString textOderLeer(const Variant& v) { return v.istNull() ? QString() : v.toString(); }

// An amount column that may be empty: Null counts as 0.
inline Currency betragOderNull(const Variant& v) { return v.istNull() ? Currency() : v.toCurrency(); }

// A value as a decimal literal of a query text.
inline QString zahl(long long n) { return QString::number(n); }

// A text as the inside of a quoted literal: a quote is doubled so that the
// value can never end the literal.
inline QString sqlText(const QString& s) {
    QString r = s;
    r.replace(QLatin1Char('\''), QStringLiteral("''"));
    return r;
}

}  // namespace hmz::statement
