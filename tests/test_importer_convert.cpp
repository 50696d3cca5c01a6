// Conversion of Access values into store columns: dates, money, the column
// kinds of the fixed schema, and what is reported as not converted.
#include "importer/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace hmz::importer;

namespace {

StoreValue text(const char* t) { return {StoreValue::Type::Text, 0, 0, QByteArray(t)}; }
StoreValue integer(std::int64_t v) { return {StoreValue::Type::Integer, v, 0, {}}; }
StoreValue real(double v) { return {StoreValue::Type::Real, 0, v, {}}; }
StoreValue null() { return {}; }

}  // namespace

TEST(ImporterConvert, AccessDatesCountDaysFrom18991230WithTheTimeAsFraction) {
    struct Fall {
        double tage;
        const char* datum;
        const char* zeit;
    } faelle[] = {
        {0.0, "1899-12-30", ""},  // the zero date stays a date
        {1.0, "1899-12-31", ""},
        {34654.0, "1994-11-16", ""},
        {37756.5, "2003-05-15", "12:00:00"},
        // Before 1899-12-30 the fraction still counts forward from midnight.
        {-1.0, "1899-12-29", ""},
        {-1.25, "1899-12-29", "06:00:00"},
        // A hair before midnight rounds to the next day, not to 24:00:00.
        {37756.9999999, "2003-05-16", ""},
        {1.0 / 86400.0, "1899-12-30", "00:00:01"},
        {-657434.0, "0100-01-01", ""},
        {2958465.0, "9999-12-31", ""},
        // The bounds' own days keep their times.
        {-657434.5, "0100-01-01", "12:00:00"},
        {2958465.5, "9999-12-31", "12:00:00"},
        {2958465.9999999, "9999-12-31", "23:59:59"},
    };
    for (const auto& f : faelle) {
        const DateText d = accessDate(f.tage);
        EXPECT_EQ(d.date, QString::fromLatin1(f.datum)) << f.tage;
        EXPECT_EQ(d.time, QString::fromLatin1(f.zeit)) << f.tage;
    }
    for (double kaputt : {-657435.0, 2958466.0, std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(accessDate(kaputt).date.isEmpty()) << kaputt;
}

// Each value as a column of the given kind gets: the stored value, and
// whether it is reported as not converted as it was.
TEST(ImporterConvert, ValuesIntoColumnKinds) {
    using S = SourceValue;
    using K = ColumnKind;
    struct Fall {
        SourceValue wert;
        ColumnKind ziel;
        StoreValue erwartet;
        bool problem;
    } faelle[] = {
        {S::ofMoney(127500), K::Currency, integer(127500), false},
        {S::ofInteger(12), K::Currency, integer(120000), false},
        // A double is taken as written: 0.1 is 0.1000, not 0.1000000000000000055.
        {S::ofReal(0.1), K::Currency, integer(1000), false},
        {S::ofReal(-2.675), K::Currency, integer(-26750), false},
        // More decimals than a currency holds: rounded half to even, and said so.
        {S::ofReal(0.00005), K::Currency, integer(0), true},
        {S::ofReal(1.23456), K::Currency, integer(12346), true},
        {S::ofDecimal("1234.5000"), K::Currency, integer(12345000), false},
        {S::ofText("12,75"), K::Currency, integer(127500), false},
        {S::ofText("12.34567"), K::Currency, null(), true},
        {S::ofInteger(std::numeric_limits<std::int64_t>::max()), K::Currency, null(), true},
        {S::ofReal(1e300), K::Currency, null(), true},
        {S::ofDateTime(1.0), K::Currency, null(), true},
        {S::null(), K::Currency, null(), false},
        // The component's date columns keep the day and report a dropped time;
        // other tables keep the time of day.
        {S::ofDateTime(37756.5), K::Date, text("2003-05-15"), true},
        {S::ofDateTime(37756.5), K::DateTime, text("2003-05-15 12:00:00"), false},
        {S::ofDateTime(37756.0), K::Date, text("2003-05-15"), false},
        {S::ofDateTime(0.0), K::Date, text("1899-12-30"), false},
        {S::ofDateTime(1e9), K::Date, null(), true},
        {S::ofText("2003-02-28"), K::Date, text("2003-02-28"), false},
        {S::ofText("2003-02-30"), K::Date, null(), true},
        {S::ofText("28.02.2003"), K::Date, null(), true},
        {S::ofText(""), K::Date, null(), true},
        {S::null(), K::Integer, null(), false},
        {S::ofText(""), K::Text, text(""), false},  // empty text is not Null
        {S::ofInteger(-7), K::Integer, integer(-7), false},
        {S::ofText(" 4711 "), K::Integer, integer(4711), false},
        {S::ofText("47a"), K::Integer, null(), true},
        {S::ofReal(3.0), K::Integer, integer(3), false},
        {S::ofReal(3.5), K::Integer, null(), true},
        {S::ofMoney(30000), K::Integer, integer(3), false},
        {S::ofMoney(30001), K::Integer, null(), true},
        {S::ofInteger(2800), K::Text, text("2800"), false},  // account numbers kept as text
        {S::ofMoney(127500), K::Text, text("12.7500"), false},
        {S::ofReal(0.15), K::Text, text("0.15"), false},
        {S::ofReal(0.15), K::Real, real(0.15), false},
        {S::ofReal(std::numeric_limits<double>::quiet_NaN()), K::Real, null(), true},
        {S::ofDecimal("123456789012345678.9"), K::Numeric, text("123456789012345678.9"), false},
        {S::ofBlob(QByteArray("\x00\x01", 2)), K::Blob,
         {StoreValue::Type::Blob, 0, 0, QByteArray("\x00\x01", 2)}, false},
        {S::ofBlob("x"), K::Integer, null(), true},
    };
    for (const auto& f : faelle) {
        const Conversion c = convert(f.wert, f.ziel);
        EXPECT_EQ(c.value, f.erwartet) << static_cast<int>(f.ziel) << " " << c.value.integer << " "
                                       << c.problem.toStdString();
        EXPECT_EQ(!c.problem.isEmpty(), f.problem) << c.problem.toStdString();
    }
    const QString zeit = convert(S::ofDateTime(37756.5), K::Date).problem;
    EXPECT_TRUE(zeit.contains(QLatin1String("12:00:00"))) << zeit.toStdString();
}

TEST(ImporterConvert, DeclaredTypesOfTheFixedSchema) {
    // Every kind a copied column gets reads back as the same kind, except a
    // date with time, which is declared DATE like the component's dates.
    for (ColumnKind k : {ColumnKind::Integer, ColumnKind::Real, ColumnKind::Currency, ColumnKind::Date,
                         ColumnKind::Numeric, ColumnKind::Text, ColumnKind::Blob})
        EXPECT_EQ(kindOfDeclaredType(declaredTypeOf(k)), k);
    // Names other schemas give the same kinds.
    const std::pair<const char*, ColumnKind> namen[] = {
        {"DOUBLE", ColumnKind::Real},     {"float", ColumnKind::Real},      {"VARCHAR(50)", ColumnKind::Text},
        {"BIGINT", ColumnKind::Integer},  {"", ColumnKind::Blob},           {"NUMERIC(19,4)", ColumnKind::Numeric},
        {"DATETIME", ColumnKind::DateTime}};
    for (const auto& [name, kind] : namen) EXPECT_EQ(kindOfDeclaredType(QString::fromLatin1(name)), kind) << name;
}
