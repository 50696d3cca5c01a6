// The one place that turns amounts, numbers and dates into report text.
//
// Month names come from QLocale (Austrian German by default: "Jänner"), but
// the separators and the short date follow the Austrian office conventions
// ("1.234,50", "05.03.2003"), which differ from QLocale's own de_AT data.
#pragma once

#include "core/currency.h"
#include "core/variant.h"

#include <QDate>
#include <QLocale>
#include <QString>

namespace hmz::format {

// The locale used for month names: de_AT unless the user runs a German
// locale of another country (then that one).
QLocale gebietsschema();

QString betrag(Currency c);                   // "#,##0.00": 1.234,50 and -0,50
QString nullen(std::int64_t zahl, int stellen);  // "00000", "00"; wider numbers keep all digits
QString kurzDatum(QDate d);                   // 05.03.2003
QString monatJahr(QDate d);                   // "mm.yyyy": 03.2003
QString monatNameJahr(QDate d);               // "mmmm yyyy": Jänner 2003

// Reads what a user typed into a month field: "MM.JJ" or "MM.JJJJ" give the
// first day of that month, "0" gives the number 0, a full date "TT.MM.JJJJ"
// (as the field shows after a run) stays that date; anything else stays text.
Variant monatsEingabe(const QString& text);

}  // namespace hmz::format
