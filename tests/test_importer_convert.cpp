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
        {2.0, "1900-01-01", ""},
        {34654.0, "1994-11-16", ""},
        {37756.5, "2003-05-15", "12:00:00"},
        {37756.75, "2003-05-15", "18:00:00"},
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

TEST(ImporterConvert, CurrencyColumnsGetExactTenThousandths) {
    struct Fall {
        SourceValue wert;
        StoreValue erwartet;
        bool problem;
    } faelle[] = {
        {SourceValue::ofMoney(127500), integer(127500), false},
        {SourceValue::ofMoney(-1), integer(-1), false},
        {SourceValue::ofInteger(12), integer(120000), false},
        // A double is taken as written: 0.1 is 0.1000, not 0.1000000000000000055.
        {SourceValue::ofReal(0.1), integer(1000), false},
        {SourceValue::ofReal(1234.5678), integer(12345678), false},
        {SourceValue::ofReal(-2.675), integer(-26750), false},
        // More decimals than a currency holds: rounded half to even, and said so.
        {SourceValue::ofReal(0.00005), integer(0), true},
        {SourceValue::ofReal(1.23456), integer(12346), true},
        {SourceValue::ofDecimal("1234.5000"), integer(12345000), false},
        {SourceValue::ofText("12,75"), integer(127500), false},
        {SourceValue::ofText("12.34567"), null(), true},
        {SourceValue::ofText("zwölf"), null(), true},
        {SourceValue::ofInteger(std::numeric_limits<std::int64_t>::max()), null(), true},
        {SourceValue::ofReal(1e300), null(), true},
        {SourceValue::ofDateTime(1.0), null(), true},
        {SourceValue::null(), null(), false},
    };
    for (const auto& f : faelle) {
        const Conversion c = convert(f.wert, ColumnKind::Currency);
        EXPECT_EQ(c.value, f.erwartet) << c.value.integer << " " << c.problem.toStdString();
        EXPECT_EQ(!c.problem.isEmpty(), f.problem) << c.problem.toStdString();
    }
}

TEST(ImporterConvert, DateColumnsOfTheComponentKeepTheDayAndReportADroppedTime) {
    const SourceValue mittag = SourceValue::ofDateTime(37756.5);
    const Conversion tag = convert(mittag, ColumnKind::Date);
    EXPECT_EQ(tag.value, text("2003-05-15"));
    EXPECT_TRUE(tag.problem.contains(QLatin1String("12:00:00"))) << tag.problem.toStdString();

    // Other tables keep the time of day.
    const Conversion voll = convert(mittag, ColumnKind::DateTime);
    EXPECT_EQ(voll.value, text("2003-05-15 12:00:00"));
    EXPECT_TRUE(voll.problem.isEmpty());

    EXPECT_EQ(convert(SourceValue::ofDateTime(37756.0), ColumnKind::Date).value, text("2003-05-15"));
    EXPECT_EQ(convert(SourceValue::ofDateTime(0.0), ColumnKind::Date).value, text("1899-12-30"));
    EXPECT_EQ(convert(SourceValue::ofText("2003-02-28"), ColumnKind::Date).value, text("2003-02-28"));
    for (const char* kein : {"2003-02-30", "28.02.2003", "2003-2-28", ""}) {
        const Conversion c = convert(SourceValue::ofText(kein), ColumnKind::Date);
        EXPECT_EQ(c.value, null()) << kein;
        EXPECT_FALSE(c.problem.isEmpty()) << kein;
    }
    EXPECT_FALSE(convert(SourceValue::ofDateTime(1e9), ColumnKind::Date).problem.isEmpty());
}

TEST(ImporterConvert, NumbersTextAndNullBetweenColumnKinds) {
    struct Fall {
        SourceValue wert;
        ColumnKind ziel;
        StoreValue erwartet;
        bool problem;
    } faelle[] = {
        {SourceValue::null(), ColumnKind::Integer, null(), false},
        {SourceValue::null(), ColumnKind::Text, null(), false},
        {SourceValue::ofText(""), ColumnKind::Text, text(""), false},  // empty text is not Null
        {SourceValue::ofInteger(-7), ColumnKind::Integer, integer(-7), false},
        {SourceValue::ofText(" 4711 "), ColumnKind::Integer, integer(4711), false},
        {SourceValue::ofText("47a"), ColumnKind::Integer, null(), true},
        {SourceValue::ofReal(3.0), ColumnKind::Integer, integer(3), false},
        {SourceValue::ofReal(3.5), ColumnKind::Integer, null(), true},
        {SourceValue::ofMoney(30000), ColumnKind::Integer, integer(3), false},
        {SourceValue::ofMoney(30001), ColumnKind::Integer, null(), true},
        {SourceValue::ofInteger(2800), ColumnKind::Text, text("2800"), false},  // account numbers kept as text
        {SourceValue::ofMoney(127500), ColumnKind::Text, text("12.7500"), false},
        {SourceValue::ofReal(0.15), ColumnKind::Text, text("0.15"), false},
        {SourceValue::ofReal(0.15), ColumnKind::Real, real(0.15), false},
        {SourceValue::ofReal(std::numeric_limits<double>::quiet_NaN()), ColumnKind::Real, null(), true},
        {SourceValue::ofDecimal("123456789012345678.9"), ColumnKind::Numeric, text("123456789012345678.9"), false},
        {SourceValue::ofBlob(QByteArray("\x00\x01", 2)), ColumnKind::Blob,
         {StoreValue::Type::Blob, 0, 0, QByteArray("\x00\x01", 2)}, false},
        {SourceValue::ofBlob("x"), ColumnKind::Integer, null(), true},
    };
    for (const auto& f : faelle) {
        const Conversion c = convert(f.wert, f.ziel);
        EXPECT_EQ(c.value, f.erwartet) << static_cast<int>(f.ziel) << " " << c.problem.toStdString();
        EXPECT_EQ(!c.problem.isEmpty(), f.problem) << c.problem.toStdString();
    }
}

TEST(ImporterConvert, DeclaredTypesOfTheFixedSchema) {
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("CURRENCY")), ColumnKind::Currency);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("DATE")), ColumnKind::Date);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("INTEGER")), ColumnKind::Integer);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("TEXT")), ColumnKind::Text);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("REAL")), ColumnKind::Real);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("BLOB")), ColumnKind::Blob);
    EXPECT_EQ(kindOfDeclaredType(QStringLiteral("DECIMAL")), ColumnKind::Numeric);
    // Every kind a copied column gets reads back as the same kind, except a
    // date with time, which is declared DATE like the component's dates.
    for (ColumnKind k : {ColumnKind::Integer, ColumnKind::Real, ColumnKind::Currency, ColumnKind::Date,
                         ColumnKind::Numeric, ColumnKind::Text, ColumnKind::Blob})
        EXPECT_EQ(kindOfDeclaredType(declaredTypeOf(k)), k);
}
