#include "core/fehler.h"
#include "entry/kmohauptmzres.h"
#include "entry/zustand.h"

#include <gtest/gtest.h>

using namespace hmz;

namespace {

struct ZaehlDialog : RunDialog {
    static inline int gezeigt = 0;
    void modalZeigen() override { ++gezeigt; }
};

VariantArray parameter(long von, long bis) {
    VariantArray a = VariantArray::leer(von, bis);
    if (a.enthaelt(0)) a.at(0) = Variant::string("/tmp/mandant.db");
    if (a.enthaelt(5)) a.at(5) = Variant::date(QDate(2003, 3, 15));
    if (a.enthaelt(11)) a.at(11) = Variant::lng(2003);
    return a;
}

class Einstieg : public ::testing::Test {
protected:
    void SetUp() override {
        setzeDialogFabrik([] { return std::make_unique<ZaehlDialog>(); });
        ZaehlDialog::gezeigt = 0;
    }
    void TearDown() override { setzeDialogFabrik(nullptr); }
};

}  // namespace

// Each call replaces what the one before left; empty elements give date 0 and year 0.
TEST_F(Einstieg, TakesTheValuesAndShowsTheDialog) {
    kmoHauptmzRes k;
    k.HauptMzRes_Aufruf(parameter(0, 11));
    EXPECT_EQ(aufruf().MonatsStatusDatum, QDate(2003, 3, 15));
    auto b = parameter(0, 60);
    b.at(0) = Variant::string("/tmp/anderer.db");
    b.at(5) = Variant();
    b.at(11) = Variant();
    k.HauptMzRes_Aufruf(b);
    EXPECT_EQ(ZaehlDialog::gezeigt, 2);
    EXPECT_EQ(aufruf().DatenbankPfad, "/tmp/anderer.db");
    EXPECT_EQ(aufruf().MonatsStatusDatum, NullDatum);
    EXPECT_EQ(aufruf().Buchungsjahr, 0);
    EXPECT_EQ(aufruf().AufrufParameter.obereGrenze(), 60);
}

TEST_F(Einstieg, BadArraysFailWithoutADialog) {
    const auto fehlerBeiAufruf = [](long von, long bis, long element = -1, const Variant& wert = {}) {
        VariantArray a = parameter(von, bis);
        if (element >= 0) a.at(element) = wert;
        try {
            kmoHauptmzRes().HauptMzRes_Aufruf(a);
        } catch (const Fehler& e) {
            return e.Nummer();
        }
        return 0L;
    };
    EXPECT_EQ(fehlerBeiAufruf(1, 20), 9);  // element 0 missing
    EXPECT_EQ(fehlerBeiAufruf(0, 10), 9);  // does not reach element 11
    EXPECT_EQ(fehlerBeiAufruf(0, 11, 5, Variant::string("kein Datum")), 13);
    EXPECT_EQ(fehlerBeiAufruf(0, 11, 11, Variant::string("zweitausend")), 13);
    EXPECT_EQ(fehlerBeiAufruf(0, 11, 2, Variant::lng(100000)), 6);  // element 2 must fit an Integer
    EXPECT_EQ(fehlerBeiAufruf(0, 11, 0, Variant::null()), 94);
    EXPECT_EQ(ZaehlDialog::gezeigt, 0);
}
