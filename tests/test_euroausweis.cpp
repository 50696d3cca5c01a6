// The converted amount beside a total: direction by year, the client's rate,
// the fallback rate with its message, and the operation's own error reports.
#include "entry/formular.h"
#include "shell/oberflaeche.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"
#include "report/euroausweis.h"
#include "fehleranzeige_attrappe.h"
#include "speicher_recordset.h"

#include <gtest/gtest.h>

namespace hmz::test {
namespace {

struct Mitschrift : Oberflaeche {
    QStringList meldungen;
    Antwort melden(const Meldung& m) override {
        meldungen << m.text;
        EXPECT_TRUE(m.titel.isEmpty());
        EXPECT_EQ(m.knoepfe, Knoepfe::OK);
        EXPECT_EQ(m.symbol, Symbol::Keines);
        return Antwort::OK;
    }
};

std::vector<Fehlerbericht> berichte;

const QString KursMeldung = QStringLiteral(
    "Gemäß Mandantenstamm soll ein Euro-2fach-Ausweis erfolgen.\r\n"
    "Der Euro-Kurs in Mandantenstamm ist jedoch Null.\r\n"
    "Es wird der Euro-Kurs 13,7603 verwendet!");

Currency betrag(const char* s) { return *Currency::parse(s); }

class EuroAusweisTest : public ::testing::Test {
protected:
    void SetUp() override {
        setzeOberflaeche(&ui_);
        test::FehlerAnzeigeAttrappe::registrieren(berichte);
        berichte.clear();
        eurAts_ = formular().EurAtsAusweisen;
        formular().EurAtsAusweisen = true;
        euroAusweis() = EuroAusweisZustand{};
    }
    void TearDown() override {
        setzeOberflaeche(nullptr);
        test::FehlerAnzeigeAttrappe::entfernen();
        formular().EurAtsAusweisen = eurAts_;
        FehlerQuelle().clear();
    }
    SpeicherRecordset mandant(Variant kurs, Variant statusDatum = Variant::date(QDate(2003, 6, 30))) {
        return SpeicherRecordset{{{{QStringLiteral("MandEurKurs"), kurs},
                                   {QStringLiteral("MandMonStatusDatum"), statusDatum}}}};
    }
    Mitschrift ui_;
    bool eurAts_ = false;
};

TEST_F(EuroAusweisTest, RichtungKursUndRundung) {
    const Variant kurs = Variant::currency(betrag("13.7603"));
    const Variant statusJahr2002 = Variant::date(QDate(2002, 3, 31));
    struct Fall {
        int jahr;  // 0: from the month status
        const char* betrag;
        Variant kurs;
        QString text;
        int meldungen = 0;
        Variant status = Variant::date(QDate(2003, 6, 30));
        bool aus = false;  // display switched off: no text and no message, whatever the rate
    };
    const Fall faelle[] = {
        // Both directions with the client's rate; the statements' dumps have more.
        {2001, "1", kurs, "(=EUR 0,07)"},
        {2004, "-1234567.89", kurs, "(=ATS -16.988.024,54)"},  // 16988024.537767
        {0, "1000", kurs, "(=ATS 13.760,30)", 0, statusJahr2002},
        // A rate of 0 or none: said at every call, the fixed rate taken.
        {2001, "13760.30", Variant::currency(Currency()), "(=EUR 1.000,00)", 1},
        {2001, "13760.30", Variant::null(), "(=EUR 1.000,00)", 1},
        {2001, "13760.30", Variant::currency(Currency()), "", 0, Variant::date(QDate(2003, 6, 30)), true},
        {2001, "13760.30", Variant::null(), "", 0, Variant::date(QDate(2003, 6, 30)), true},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(std::to_string(f.jahr) + " " + f.betrag);
        ui_.meldungen.clear();
        auto rs = mandant(f.kurs, f.status);
        formular().EurAtsAusweisen = !f.aus;
        euroAusweis().EuroAusweisText = QStringLiteral("(=EUR 1,00)");
        euroAusweis().AusweisJahr = f.jahr;
        EuroAusweis(rs, betrag(f.betrag));
        EXPECT_EQ(euroAusweis().EuroAusweisText, f.text);
        if (!f.aus) {
            EXPECT_EQ(euroAusweis().AusweisJahr, f.jahr ? f.jahr : 2002);
        }
        EXPECT_EQ(ui_.meldungen, QStringList(f.meldungen, KursMeldung));
    }
    EXPECT_TRUE(berichte.empty());
    formular().EurAtsAusweisen = true;

    // The exact values behind the texts: a quotient through double, a product
    // exact and rounded half to even.
    auto rs = mandant(kurs);
    euroAusweis().AusweisJahr = 2001;
    EuroAusweis(rs, betrag("1"));
    EXPECT_EQ(euroAusweis().EuroWert, betrag("0.0727"));  // 0.072672...
    euroAusweis().AusweisJahr = 2002;
    EuroAusweis(rs, betrag("1.0001"));
    EXPECT_EQ(euroAusweis().AtsWert, betrag("13.7617"));  // 13.76167603
    const std::pair<const char*, const char*> halbe[] = {{"1.0001", "0.5"}, {"-1.0003", "-0.5002"}};
    auto halberKurs = mandant(Variant::currency(betrag("0.5")));
    for (const auto& [b, ats] : halbe) {
        EuroAusweis(halberKurs, betrag(b));
        EXPECT_EQ(euroAusweis().AtsWert, betrag(ats)) << b;
    }
}

TEST_F(EuroAusweisTest, FehlerWerdenGemeldetDerTextBleibtLeer) {
    // Without a status date the year stays 0: reported, and the euro direction is taken.
    auto ohne = mandant(Variant::currency(betrag("13.7603")), Variant::null());
    euroAusweis().AusweisJahr = 0;
    EuroAusweis(ohne, betrag("13760.30"));
    EXPECT_EQ(euroAusweis().AusweisJahr, 0);
    EXPECT_EQ(euroAusweis().EuroAusweisText, QStringLiteral("(=EUR 1.000,00)"));

    // An overflow leaves no text, never the previous one.
    auto rs = mandant(Variant::currency(betrag("13.7603")));
    euroAusweis().AusweisJahr = 2002;
    EuroAusweis(rs, betrag("900000000000000"));
    EXPECT_TRUE(euroAusweis().EuroAusweisText.isEmpty());
    ASSERT_EQ(berichte.size(), 2u);
    EXPECT_EQ(berichte[1].nummer, fehlernr::Ueberlauf);
    for (const auto& b : berichte) EXPECT_EQ(b.quelle, QStringLiteral("in mdlEuroAusw"));
}

}  // namespace
}  // namespace hmz::test
