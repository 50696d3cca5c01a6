// The core value types: exact money, classic variant conversions, and the
// Austrian number, date and month formats.
#include "core/currency.h"
#include "core/fehler.h"
#include "core/format.h"
#include "core/variant.h"

#include <gtest/gtest.h>
#include <functional>
#include <limits>
#include <map>

using hmz::Currency;
using hmz::Variant;
using hmz::VariantArray;
namespace format = hmz::format;

namespace {
// The error number a call raises; 0 if it raises none.
long fehlerNr(const std::function<void()>& f) {
    try {
        f();
    } catch (const hmz::Fehler& e) {
        // In the words of a German installation, not the English ones.
        static const std::map<long, QString> texte{{6, "Überlauf"},
                                                   {9, "Index außerhalb des gültigen Bereichs"},
                                                   {11, "Division durch Null"},
                                                   {13, "Typen unverträglich"},
                                                   {94, "Unzulässige Verwendung von Null"}};
        if (texte.contains(e.Nummer())) {
            EXPECT_EQ(e.Beschreibung(), texte.at(e.Nummer()));
        }
        return e.Nummer();
    }
    return 0;
}
}  // namespace

TEST(Currency, ExactSumsAndIntegerProducts) {
    const auto a = *Currency::parse("0.1");
    Currency s;
    for (int i = 0; i < 10; ++i) s += a;
    EXPECT_EQ(s, Currency::fromUnits(1));
    EXPECT_EQ((Currency::fromRaw(12345) * 3).raw(), 37035);
    EXPECT_EQ((*Currency::parse("-12,75")).raw(), -127500);
    EXPECT_EQ(Currency::parse("12.75001"), std::nullopt);
    EXPECT_EQ(Currency::parse("12.750000")->raw(), 127500);
    EXPECT_EQ(Currency::parse("abc"), std::nullopt);
    EXPECT_EQ(Currency::fromRaw(-5).toPlainString(), "-0.0005");
}

TEST(Currency, FractionalResultsRoundHalfToEven) {
    // Values whose scaled double is exactly a half go to the even neighbour.
    struct Fall { double wert; std::int64_t raw; } faelle[] = {
        {0.00005, 0}, {0.00025, 2}, {0.00035, 4}, {-0.00025, -2}, {0.12345, 1234}, {0.12355, 1236},
        {2.00025, 20002}, {0.00006, 1},
    };
    for (const auto& f : faelle) EXPECT_EQ(Currency::fromDouble(f.wert).raw(), f.raw) << f.wert;
    EXPECT_EQ(Currency::fromUnits(13760).durchDouble(13.7603).raw(), 9999782);
    EXPECT_EQ((*Currency::parse("13760.30")).durchDouble(13.7603), Currency::fromUnits(1000));
    EXPECT_EQ(Currency::fromUnits(1000).malDouble(13.7603), *Currency::parse("13760.30"));
}

TEST(Currency, CentRoundingHalfToEven) {
    for (const auto& [raw, cent] : {std::pair{12350, 12400}, {12250, 12200}, {-12350, -12400}, {12251, 12300}, {-49, 0}})
        EXPECT_EQ(Currency::fromRaw(raw).aufCentGerundet().raw(), cent) << raw;
}

TEST(Currency, OverflowIsAnErrorNotAWrap) {
    const auto max = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());
    const auto min = Currency::fromRaw(std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(fehlerNr([&] { (void)(max + Currency::fromRaw(1)); }), 6);
    EXPECT_EQ(fehlerNr([&] { (void)(-min); }), 6);
    EXPECT_EQ(fehlerNr([&] { (void)(max * 2); }), 6);
    EXPECT_EQ(fehlerNr([&] { (void)Currency::fromDouble(1e16); }), 6);
    EXPECT_EQ(fehlerNr([&] { (void)Currency::fromUnits(1000000000000000LL); }), 6);
    EXPECT_EQ(fehlerNr([&] { (void)Currency::fromUnits(1).durchDouble(0.0); }), 11);
    EXPECT_EQ(Currency::parse("922337203685478"), std::nullopt);
}

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
    EXPECT_EQ(format::kurzDatum(QDate(2003, 3, 5)), "05.03.2003");
    EXPECT_EQ(format::monatJahr(QDate(2003, 1, 31)), "01.2003");
    EXPECT_EQ(format::monatNameJahr(QDate(2003, 1, 1)), QString::fromUtf8("Jänner 2003"));
    EXPECT_EQ(format::monatNameJahr(QDate(2003, 12, 1)), "Dezember 2003");
}

TEST(Format, MonthInputReadsMonthsZeroAndFullDates) {
    using hmz::VarTyp;
    EXPECT_EQ(format::monatsEingabe("03.03").toDate(), QDate(2003, 3, 1));
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

TEST(Variant, ConversionsFollowTheClassicRules) {
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_EQ(Variant().toLong(), 0);
    EXPECT_EQ(Variant().toDate(), hmz::NullDatum);
    EXPECT_EQ(Variant::string("2003").toLong(), 2003);
    EXPECT_EQ(Variant::string(" 12,5 ").toDouble(), 12.5);
    EXPECT_EQ(Variant::dbl(2.5).toLong(), 2);   // half to even
    EXPECT_EQ(Variant::dbl(3.5).toLong(), 4);
    EXPECT_EQ(Variant::lng(2003).toString(), "2003");
    EXPECT_EQ(Variant::date(QDate(2003, 3, 5)).toString(), "05.03.2003");
    EXPECT_EQ(Variant::string("15.03.2003").toDate(), QDate(2003, 3, 15));
    EXPECT_EQ(Variant::lng(37695).toDate(), QDate(2003, 3, 15));
    EXPECT_EQ(Variant::date(QDate(2003, 3, 15)).toDouble(), 37695.0);
    EXPECT_EQ(Variant::currency(*hmz::Currency::parse("12.5")).toString(), "12,5");
    EXPECT_TRUE(Variant::boolean(true).toBool());
    EXPECT_FALSE(Variant::string("0").toBool());
}

TEST(Variant, BadConversionsRaiseTypeMismatchOverflowOrNull) {
    EXPECT_EQ(fehlerNr([] { (void)Variant::string("abc").toLong(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::string("31.02.2003").toDate(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::lng(40000).toInteger(); }), 6);
    EXPECT_EQ(fehlerNr([] { (void)Variant::dbl(1e12).toLong(); }), 6);
    EXPECT_EQ(fehlerNr([] { (void)Variant::null().toString(); }), 94);
    EXPECT_EQ(fehlerNr([] { (void)Variant::lng(1).toArray(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::array(VariantArray::leer(0, 2)).toString(); }), 13);
}

TEST(Variant, ArraysKeepTheirBoundsAndCopyByValue) {
    VariantArray a = VariantArray::leer(1, 3);
    EXPECT_EQ(a.obereGrenze(), 3);
    EXPECT_EQ(fehlerNr([&] { (void)a.at(0); }), 9);
    EXPECT_EQ(fehlerNr([&] { (void)a.at(4); }), 9);
    a.at(2) = Variant::string("x");
    Variant v = Variant::array(a);
    Variant kopie = v;
    a.at(2) = Variant::string("y");
    EXPECT_EQ(kopie.toArray().at(2).toString(), "x");
    EXPECT_EQ(kopie, v);
    EXPECT_FALSE(kopie == Variant::array(a));
}

TEST(Variant, DateTestAcceptsMonthsAndFullDatesOnly) {
    struct Fall {
        const char* text;
        QDate erwartet;  // invalid: not a date
    } faelle[] = {
        {"03.03", QDate(2003, 3, 1)},      {"12.2003", QDate(2003, 12, 1)}, {"01.29", QDate(2029, 1, 1)},
        {"01.30", QDate(1930, 1, 1)},      {"05.03.2003", QDate(2003, 3, 5)}, {"29.02.2004", QDate(2004, 2, 29)},
        {"13.03", QDate()},                {"00.03", QDate()},               {"", QDate()},
        {"03-03", QDate()},                {"03.003", QDate()},              {"29.02.2003", QDate()},
    };
    for (const auto& f : faelle) {
        const auto d = hmz::datumAusText(QString::fromUtf8(f.text));
        if (f.erwartet.isValid()) {
            ASSERT_TRUE(d.has_value()) << f.text;
            EXPECT_EQ(*d, f.erwartet) << f.text;
        } else {
            EXPECT_FALSE(d.has_value()) << f.text;
        }
    }
}
