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

long fehlerBeiAufruf(const VariantArray& a) {
    try {
        kmoHauptmzRes().HauptMzRes_Aufruf(a);
    } catch (const Fehler& e) {
        return e.Nummer();
    }
    return 0;
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

TEST_F(Einstieg, TakesTheValuesAndShowsTheDialog) {
    kmoHauptmzRes k;
    EXPECT_EQ(aufruf().AufrufParameter.untereGrenze, 0);
    EXPECT_EQ(aufruf().AufrufParameter.obereGrenze(), 100);

    auto a = parameter(0, 11);
    k.HauptMzRes_Aufruf(a);
    EXPECT_EQ(ZaehlDialog::gezeigt, 1);
    EXPECT_EQ(aufruf().DatenbankPfad, "/tmp/mandant.db");
    EXPECT_EQ(aufruf().MonatsStatusDatum, QDate(2003, 3, 15));
    EXPECT_EQ(aufruf().Buchungsjahr, 2003);
    EXPECT_EQ(aufruf().GleicheZeile, "GL");
    EXPECT_EQ(aufruf().AufrufParameter.obereGrenze(), 11);

    // A second call replaces everything; empty elements give date 0 and year 0.
    auto b = parameter(0, 60);
    b.at(0) = Variant::string("/tmp/anderer.db");
    b.at(5) = Variant();
    b.at(11) = Variant();
    k.HauptMzRes_Aufruf(b);
    EXPECT_EQ(ZaehlDialog::gezeigt, 2);
    EXPECT_EQ(aufruf().DatenbankPfad, "/tmp/anderer.db");
    EXPECT_EQ(aufruf().MonatsStatusDatum, NullDatum);
    EXPECT_EQ(aufruf().Buchungsjahr, 0);
    k.einblenden();
    k.ausblenden();
    EXPECT_EQ(ZaehlDialog::gezeigt, 2);
}

TEST_F(Einstieg, BadArraysFailWithoutADialog) {
    EXPECT_EQ(fehlerBeiAufruf(parameter(1, 20)), 9);   // lower bound 1: element 0 missing
    EXPECT_EQ(fehlerBeiAufruf(parameter(0, 10)), 9);   // does not reach element 11
    auto a = parameter(0, 11);
    a.at(5) = Variant::string("kein Datum");
    EXPECT_EQ(fehlerBeiAufruf(a), 13);
    a = parameter(0, 11);
    a.at(11) = Variant::string("zweitausend");
    EXPECT_EQ(fehlerBeiAufruf(a), 13);
    a = parameter(0, 11);
    a.at(2) = Variant::lng(100000);  // element 2 must fit an Integer
    EXPECT_EQ(fehlerBeiAufruf(a), 6);
    a = parameter(0, 11);
    a.at(0) = Variant::null();
    EXPECT_EQ(fehlerBeiAufruf(a), 94);
    EXPECT_EQ(ZaehlDialog::gezeigt, 0);
}
