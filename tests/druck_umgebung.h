// A recording printer as the current printer, the print state of a run
// start, a fixed client and property, and the global state put back after
// each test.
#pragma once

#include "entry/formular.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/druck.h"
#include "report/kopf.h"
#include "speicher_recordset.h"

#include <gtest/gtest.h>

namespace hmz::test {

class DruckUmgebung : public ::testing::Test {
protected:
    void SetUp() override {
        auto d = std::make_unique<AufzeichnungsDrucker>();
        drucker = d.get();
        setzeDrucker(std::move(d));
        gespeichert_.dialogGeladen = aufruf().DialogGeladen;
        auto& f = formular();
        gespeichert_.abrJahr = f.AbrJahr;
        gespeichert_.von = f.AbrVonDatum;
        gespeichert_.bis = f.AbrBisDatum;
        gespeichert_.objNr = f.ObjNrText;
        gespeichert_.mehrjahr = f.MehrjahrAktiv;
        aufruf().DialogGeladen = true;
        f.AbrJahr = 2003;
        f.AbrVonDatum = QDate(2003, 1, 1);
        f.AbrBisDatum = QDate(2003, 12, 31);
        f.ObjNrText = QStringLiteral("00042");
        f.MehrjahrAktiv = false;
        setzeDruckDatum(QDate(2004, 2, 5));
        setzeKopfDatensaetze(&mandant, &objekt);
        druck() = DruckZustand{};
        DruckStart();
        drucker->leeren();
    }

    void TearDown() override {
        setzeKopfDatensaetze(nullptr, nullptr);
        setzeDruckDatum(QDate());
        setzeDrucker(nullptr);
        druck() = DruckZustand{};
        aufruf().DialogGeladen = gespeichert_.dialogGeladen;
        auto& f = formular();
        f.AbrJahr = gespeichert_.abrJahr;
        f.AbrVonDatum = gespeichert_.von;
        f.AbrBisDatum = gespeichert_.bis;
        f.ObjNrText = gespeichert_.objNr;
        f.MehrjahrAktiv = gespeichert_.mehrjahr;
    }

    // The start of a property's statement: the next check opens a page.
    void neuesObjekt() {
        Printer().setCurrentY(static_cast<float>(druck().SeitenEndeY + 1));
        druck().SeitenNr = 0;
    }

    std::vector<AufzeichnungsEintrag> texte() const {
        std::vector<AufzeichnungsEintrag> r;
        for (const auto& e : drucker->eintraege())
            if (e.art == AufzeichnungsEintrag::Art::Text) r.push_back(e);
        return r;
    }
    QStringList textListe() const {
        QStringList r;
        for (const auto& e : texte()) r << e.text;
        return r;
    }
    // The first recorded text equal to t; fails the test if there is none.
    AufzeichnungsEintrag text(const QString& t) const {
        for (const auto& e : texte())
            if (e.text == t) return e;
        ADD_FAILURE() << "no text " << t.toStdString();
        return {};
    }
    int anzahl(AufzeichnungsEintrag::Art art) const {
        int n = 0;
        for (const auto& e : drucker->eintraege()) n += e.art == art;
        return n;
    }

    AufzeichnungsDrucker* drucker = nullptr;
    SpeicherRecordset mandant{{{
        {QStringLiteral("MandName"), Variant::string(QStringLiteral("Hausverwaltung Gruber"))},
        {QStringLiteral("MandName2"), Variant::string(QStringLiteral("Immobilien GmbH"))},
        {QStringLiteral("MandName3"), Variant::string(QStringLiteral("Büro Wien"))},
        {QStringLiteral("MandAnschrift"), Variant::string(QStringLiteral("Ringstraße 12"))},
        {QStringLiteral("MandNation"), Variant::string(QStringLiteral("A"))},
        {QStringLiteral("MandPlz"), Variant::string(QStringLiteral("1010"))},
        {QStringLiteral("MandOrt"), Variant::string(QStringLiteral("Wien"))},
    }}};
    SpeicherRecordset objekt{{{
        {QStringLiteral("ObjAnschrift"), Variant::string(QStringLiteral("Lindengasse 7  "))},
        {QStringLiteral("ObjPlz"), Variant::string(QStringLiteral("8010"))},
        {QStringLiteral("ObjOrt"), Variant::string(QStringLiteral("Graz"))},
    }}};

private:
    struct {
        bool dialogGeladen = false;
        int abrJahr = 0;
        QDate von, bis;
        QString objNr;
        bool mehrjahr = false;
    } gespeichert_;
};

}  // namespace hmz::test
