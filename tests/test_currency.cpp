#include "core/currency.h"
#include "core/fehler.h"

#include <gtest/gtest.h>
#include <limits>

using hmz::Currency;

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
    EXPECT_EQ(Currency::parse(""), std::nullopt);
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
    EXPECT_EQ(Currency::fromRaw(12350).aufCentGerundet().raw(), 12400);   // 1.235 -> 1.24
    EXPECT_EQ(Currency::fromRaw(12250).aufCentGerundet().raw(), 12200);   // 1.225 -> 1.22
    EXPECT_EQ(Currency::fromRaw(-12350).aufCentGerundet().raw(), -12400);
    EXPECT_EQ(Currency::fromRaw(12251).aufCentGerundet().raw(), 12300);
    EXPECT_EQ(Currency::fromRaw(-49).aufCentGerundet().raw(), 0);
}

TEST(Currency, OverflowIsAnErrorNotAWrap) {
    const auto max = Currency::fromRaw(std::numeric_limits<std::int64_t>::max());
    const auto min = Currency::fromRaw(std::numeric_limits<std::int64_t>::min());
    auto nummer = [](auto&& f) {
        try { f(); } catch (const hmz::Fehler& e) { return e.Nummer(); }
        return 0L;
    };
    EXPECT_EQ(nummer([&] { (void)(max + Currency::fromRaw(1)); }), 6);
    EXPECT_EQ(nummer([&] { (void)(min - Currency::fromRaw(1)); }), 6);
    EXPECT_EQ(nummer([&] { (void)(-min); }), 6);
    EXPECT_EQ(nummer([&] { (void)(max * 2); }), 6);
    EXPECT_EQ(nummer([&] { (void)Currency::fromDouble(1e16); }), 6);
    EXPECT_EQ(nummer([&] { (void)Currency::fromUnits(1000000000000000LL); }), 6);
    EXPECT_EQ(nummer([&] { (void)Currency::fromUnits(1).durchDouble(0.0); }), 11);
    EXPECT_EQ(Currency::parse("922337203685478"), std::nullopt);
}
