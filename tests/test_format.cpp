#include "core/format.h"

#include <gtest/gtest.h>

using hmz::Currency;
namespace format = hmz::format;

TEST(Format, AmountsUseAustrianGroupingAndTwoDecimals) {
    struct Fall {
        const char* wert;
        const char* text;
    } faelle[] = {
        {"1234.5", "1.234,50"}, {"-0.5", "-0,50"},        {"0", "0,00"},
        {"1234567.891", "1.234.567,89"}, {"-1234567.895", "-1.234.567,90"},
        {"0.005", "0,01"},      {"-0.005", "-0,01"},       {"-0.0049", "0,00"},
        {"999.995", "1.000,00"}, {"100", "100,00"},        {"2.675", "2,68"},
    };
    for (const auto& f : faelle) EXPECT_EQ(format::betrag(*Currency::parse(f.wert)), QString::fromUtf8(f.text)) << f.wert;
}

TEST(Format, NumbersDatesAndMonthNames) {
    EXPECT_EQ(format::nullen(7, 5), "00007");
    EXPECT_EQ(format::nullen(123456, 5), "123456");
    EXPECT_EQ(format::nullen(5, 2), "05");
    EXPECT_EQ(format::nullen(50, 2), "50");
    EXPECT_EQ(format::kurzDatum(QDate(2003, 3, 5)), "05.03.2003");
    EXPECT_EQ(format::monatJahr(QDate(2003, 1, 31)), "01.2003");
    EXPECT_EQ(format::monatNameJahr(QDate(2003, 1, 1)), QString::fromUtf8("Jänner 2003"));
    EXPECT_EQ(format::monatNameJahr(QDate(2003, 3, 1)), QString::fromUtf8("März 2003"));
    EXPECT_EQ(format::monatNameJahr(QDate(2003, 12, 1)), "Dezember 2003");
}

TEST(Format, MonthInputReadsMonthsZeroAndFullDates) {
    using hmz::VarTyp;
    EXPECT_EQ(format::monatsEingabe("03.03").toDate(), QDate(2003, 3, 1));
    EXPECT_EQ(format::monatsEingabe("12.1999").toDate(), QDate(1999, 12, 1));
    EXPECT_EQ(format::monatsEingabe("01.00").toDate(), QDate(2000, 1, 1));
    EXPECT_EQ(format::monatsEingabe("31.05.2003").toDate(), QDate(2003, 5, 31));
    const auto null = format::monatsEingabe("0");
    EXPECT_EQ(null.typ(), VarTyp::Integer);
    EXPECT_FALSE(null.istDatum());
    EXPECT_TRUE(format::monatsEingabe("").istEmpty());
    for (const char* kein : {"13.03", "3", "03.3", "März", "03.03.03.03"}) {
        const auto v = format::monatsEingabe(kein);
        EXPECT_EQ(v.typ(), VarTyp::String) << kein;
        EXPECT_FALSE(v.istDatum()) << kein;
    }
}
