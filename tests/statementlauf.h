// Drives the property statement the way the run driver does, without the
// driver: a test client database, the run values in formular(), the client
// record in MA_Data, the properties in OO_Data, a recording printer with the
// print state of a run start, then ObjektDrucken for every property.
#pragma once

#include "entry/formular.h"
#include "shell/oberflaeche.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "report/kopf.h"
#include "skriptansicht.h"
#include "statement/objektdrucken.h"
#include "speicher.h"
#include "testmandant.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace hmz::test {

// Every statement test runs on a client file and on the server.
class StatementTest : public ::testing::TestWithParam<Speicherart> {
protected:
    QTemporaryDir ordner;
    std::optional<TestSpeicher> speicher;
    std::unique_ptr<TestMandant> mandant;
    AufzeichnungsDrucker* drucker = nullptr;
    SkriptAnsicht ansicht;

    void SetUp() override {
        ASSERT_TRUE(ordner.isValid());
        speicher.emplace(GetParam());
        HMZ_SPEICHER_ODER_UEBERSPRINGEN(*speicher);
        mandant = std::make_unique<TestMandant>(speicher->name());
        mandant->mandant();
        setzeDruckDatum(QDate(2004, 2, 16));
        setzeOberflaeche(&ansicht);
        setzeLaufAnsicht(&ansicht);
        auto& f = formular();
        f.EurAtsAusweisen = false;
        f.LaufEnde = f.AbbruchBestaetigt = false;
    }

    void TearDown() override {
        for (auto* c : formular().datenControls) {
            c->trennen();
            c->RecordSource.clear();
        }
        setzeEreignisPunkt(nullptr);
        setzeLaufAnsicht(nullptr);
        setzeOberflaeche(nullptr);
        setzeDruckDatum(QDate());
        auto& f = formular();
        f.EurAtsAusweisen = f.LaufEnde = f.AbbruchBestaetigt = false;
    }

    // The statements of properties von..bis for the period, in one job; the
    // display list's dump.
    QString drucken(int von, int bis, QDate abrVon, QDate abrBis, bool eurAts = false) {
        auto& f = formular();
        for (auto* c : f.datenControls) {
            c->trennen();
            c->DatabaseName = mandant->pfad();
            c->Connect = QStringLiteral("Access;pwd=") + DatenbankPasswort + QLatin1Char(';');
        }
        aufruf().DialogGeladen = true;
        f.AbrVonDatum = abrVon;
        f.AbrBisDatum = abrBis;
        f.AbrJahr = abrBis.year();
        f.TabellenJahr = abrBis.year();
        f.EurAtsAusweisen = eurAts;
        f.ObjektAnzahl = 0;
        f.LaufEnde = f.AbbruchBestaetigt = false;

        f.MA_Data.RecordSource = QStringLiteral("SELECT * FROM AllgMandDaten");
        f.MA_Data.Refresh();
        f.OO_Data.RecordSource = QStringLiteral("SELECT * FROM ObjDaten WHERE ObjNummer between %1 AND %2 "
                                                "ORDER BY ObjNummer").arg(von).arg(bis);
        f.OO_Data.Refresh();

        auto d = std::make_unique<AufzeichnungsDrucker>();
        drucker = d.get();
        setzeDrucker(std::move(d));
        DruckStart();

        auto& oo = f.OO_Data.recordset();
        if (oo.RecordCount() > 0) {
            oo.MoveFirst();
            while (!oo.Eof() && !f.LaufEnde) {
                ObjektDrucken();
                oo.MoveNext();
            }
        }
        DruckEnde();
        // Let the test write to the file again.
        for (auto* c : f.datenControls) c->trennen();
        return drucker->dump();
    }

    QString jahr2003(int von = 1, int bis = 1, bool eurAts = false) {
        return drucken(von, bis, QDate(2003, 1, 1), QDate(2003, 12, 31), eurAts);
    }

    // Texts printed, in order.
    QStringList texte() const {
        QStringList r;
        for (const auto& e : drucker->eintraege())
            if (e.art == AufzeichnungsEintrag::Art::Text) r << e.text;
        return r;
    }

    // The texts on the line of the first text equal to `text` (same page, same y).
    QStringList zeileMit(const QString& text) const {
        const auto& l = drucker->eintraege();
        int seite = 0;
        for (size_t i = 0; i < l.size(); ++i) {
            if (l[i].art == AufzeichnungsEintrag::Art::Seite) seite = l[i].seite;
            if (l[i].art != AufzeichnungsEintrag::Art::Text || l[i].text != text) continue;
            QStringList r;
            int s = 0;
            for (const auto& e : l) {
                if (e.art == AufzeichnungsEintrag::Art::Seite) s = e.seite;
                if (s == seite && e.art == AufzeichnungsEintrag::Art::Text && qAbs(e.y - l[i].y) < 0.01) r << e.text;
            }
            return r;
        }
        return {};
    }

    // The text that follows each occurrence of `text` on its line (an amount after its label).
    QStringList werteNach(const QString& text) const {
        QStringList r;
        const auto& l = drucker->eintraege();
        for (size_t i = 0; i + 1 < l.size(); ++i)
            if (l[i].art == AufzeichnungsEintrag::Art::Text && l[i].text == text
                && l[i + 1].art == AufzeichnungsEintrag::Art::Text && qAbs(l[i + 1].y - l[i].y) < 0.01)
                r << l[i + 1].text;
        return r;
    }

    // Stored year rows of a property: {year, raw HMZ ohne EHB, raw vereinn. EHB}.
    QList<QVariantList> jahresSummen(int objNr) {
        return mandant->abfrage(QStringLiteral("SELECT HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB FROM "
                                               "ObjHmzResJahresSummen WHERE HmzObjNr = ? ORDER BY HmzJahr"),
                                {objNr});
    }

    // Compares the dump with tests/data/<name>.txt; HMZRES_REGENERATE=1 rewrites the file instead.
    static void vergleiche(const QString& name, const QString& dump) {
        const QString pfad = QStringLiteral(HMZ_TESTDATA "/") + name + QStringLiteral(".txt");
        if (qEnvironmentVariableIntValue("HMZRES_REGENERATE") == 1) {
            QDir().mkpath(QStringLiteral(HMZ_TESTDATA));
            QFile f(pfad);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << pfad.toStdString();
            f.write(dump.toUtf8());
            return;
        }
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "missing expectation " << pfad.toStdString()
                                                 << " (HMZRES_REGENERATE=1 writes it)";
        const QStringList erwartet = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
        const QStringList ist = dump.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < qMax(erwartet.size(), ist.size()); ++i) {
            const QString e = erwartet.value(i, QStringLiteral("<end>"));
            const QString a = ist.value(i, QStringLiteral("<end>"));
            ASSERT_EQ(e.toStdString(), a.toStdString()) << name.toStdString() << ".txt line " << i + 1;
        }
    }
};

}  // namespace hmz::test
