#include "core/fehler.h"
#include "core/variant.h"

#include <gtest/gtest.h>

using hmz::Variant;
using hmz::VariantArray;

namespace {
long fehlerNr(const std::function<void()>& f) {
    try {
        f();
    } catch (const hmz::Fehler& e) {
        return e.Nummer();
    }
    return 0;
}
}  // namespace

TEST(Variant, ConversionsFollowTheClassicRules) {
    EXPECT_EQ(Variant().toString(), "");
    EXPECT_EQ(Variant().toLong(), 0);
    EXPECT_EQ(Variant().toDate(), hmz::NullDatum);
    EXPECT_EQ(Variant::string("2003").toLong(), 2003);
    EXPECT_EQ(Variant::string(" 12,5 ").toDouble(), 12.5);
    EXPECT_EQ(Variant::dbl(2.5).toLong(), 2);   // half to even
    EXPECT_EQ(Variant::dbl(3.5).toLong(), 4);
    EXPECT_EQ(Variant::dbl(-2.5).toInteger(), -2);
    EXPECT_EQ(Variant::lng(2003).toString(), "2003");
    EXPECT_EQ(Variant::date(QDate(2003, 3, 5)).toString(), "05.03.2003");
    EXPECT_EQ(Variant::string("15.03.2003").toDate(), QDate(2003, 3, 15));
    EXPECT_EQ(Variant::string("03.03").toDate(), QDate(2003, 3, 1));
    EXPECT_EQ(Variant::lng(37695).toDate(), QDate(2003, 3, 15));
    EXPECT_EQ(Variant::date(QDate(2003, 3, 15)).toDouble(), 37695.0);
    EXPECT_EQ(Variant::currency(*hmz::Currency::parse("12.5")).toString(), "12,5");
    EXPECT_TRUE(Variant::boolean(true).toBool());
    EXPECT_FALSE(Variant::string("0").toBool());
}

TEST(Variant, BadConversionsRaiseTypeMismatchOverflowOrNull) {
    EXPECT_EQ(fehlerNr([] { (void)Variant::string("abc").toLong(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::string("31.02.2003").toDate(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::string("x").toDate(); }), 13);
    EXPECT_EQ(fehlerNr([] { (void)Variant::lng(40000).toInteger(); }), 6);
    EXPECT_EQ(fehlerNr([] { (void)Variant::dbl(1e12).toLong(); }), 6);
    EXPECT_EQ(fehlerNr([] { (void)Variant::null().toString(); }), 94);
    EXPECT_EQ(fehlerNr([] { (void)Variant::null().toLong(); }), 94);
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
        {"01.30", QDate(1930, 1, 1)},      {"1.99", QDate(1999, 1, 1)},     {"05.03.2003", QDate(2003, 3, 5)},
        {"29.02.2004", QDate(2004, 2, 29)}, {"13.03", QDate()},             {"00.03", QDate()},
        {"0", QDate()},                    {"", QDate()},                   {"03-03", QDate()},
        {"03.003", QDate()},               {"29.02.2003", QDate()},         {"abc", QDate()},
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
