// The export's figures are the printed ones: for every property of the demo,
// of a generated client and of a client with every section case, the export
// (computed first, while the year results are not stored yet, and writing
// nothing) is compared with the closing lines and ten-year rows of the
// statements printed afterwards. Then the two file formats.
#include "../bench/generator.h"
#include "../bench/zeitdrucker.h"
#include "sqlhilfe.h"
#include "testmandant.h"

#include "core/format.h"
#include "demomandant.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "statement/ergebnisexport.h"
#include "statement/stapellauf.h"
#include "statement/summen.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

using namespace hmz;
using namespace hmz::test;

namespace {

const QStringList Schlusszeilen = {
    QStringLiteral("Summe Einnahmen:"), QStringLiteral("Summe Ausgaben:"),
    QStringLiteral("Hauptmietzinsreserve-Zuwachs:"), QStringLiteral("Hauptmietzinsreserve:"),
    QStringLiteral("Hauptmietzinsreserve-Abgang:"), QStringLiteral("Summe Erhaltungsbeitrag:"),
    QStringLiteral("Hmzreserve mit Erhaltungsbeitr:"),
};

// What one property's statement shows: closing label -> amount, and the
// ten-year table as "year ohne ehb mit" rows and a "Summe ohne ehb mit" row.
struct Figuren {
    std::map<QString, QString> schluss;
    QStringList jahre;
};

std::map<long, Figuren> gedruckt(const QString& db) {
    AufzeichnungsDrucker rec;
    bench::DruckMessung egal;
    std::vector<std::pair<long, std::size_t>> anfaenge;  // property, its first entry
    DruckAuftrag a;
    a.datenbank = db;
    a.vonObjNr = QStringLiteral("1");
    a.bisObjNr = QStringLiteral("99999");
    a.abrVon = QStringLiteral("01.2003");
    a.abrBis = QStringLiteral("12.2003");
    a.eurAts = false;
    a.fortschritt = false;
    a.druckerHuelle = [&](std::unique_ptr<Drucker>) -> std::unique_ptr<Drucker> {
        return std::make_unique<bench::ZeitDrucker>(rec, egal);
    };
    a.fortschrittBeobachter = [&](const QString& t) {
        static const QRegularExpression objekt(QStringLiteral("^Laufende Objekt-Nr: (\\d+)$"));
        const auto m = objekt.match(t);
        if (m.hasMatch() && (anfaenge.empty() || anfaenge.back().first != m.captured(1).toLong()))
            anfaenge.emplace_back(m.captured(1).toLong(), rec.eintraege().size());
    };
    EXPECT_EQ(druckAuftragAusfuehren(a), 0);

    std::map<long, Figuren> r;
    const auto& l = rec.eintraege();
    for (std::size_t k = 0; k < anfaenge.size(); ++k) {
        const std::size_t bis = k + 1 < anfaenge.size() ? anfaenge[k + 1].second : l.size();
        QStringList texte;  // the ten-year table's texts without the schilling lines
        bool tabelle = false;
        Figuren f;
        for (std::size_t i = anfaenge[k].second; i < bis; ++i) {
            if (l[i].art != AufzeichnungsEintrag::Art::Text) continue;
            if (l[i].x == 110 && Schlusszeilen.contains(l[i].text) && i + 1 < bis) f.schluss[l[i].text] = l[i + 1].text;
            if (tabelle && !l[i].text.startsWith(QStringLiteral("ATS "))) texte << l[i].text;
            if (l[i].text == QStringLiteral("HMZ mit EHB")) tabelle = true;
        }
        static const QRegularExpression jahr(QStringLiteral("^\\d{4}$"));
        for (qsizetype i = 0; i < texte.size();) {
            const bool zeile = jahr.match(texte[i]).hasMatch() && i + 3 < texte.size();
            f.jahre << (zeile ? texte.mid(i, 4) : QStringList{QStringLiteral("Summe")} + texte.mid(i, 3)).join(' ');
            i += zeile ? 4 : 3;
        }
        r[anfaenge[k].first] = f;
    }
    return r;
}

Figuren erwartet(const ObjektErgebnis& e, const std::map<QString, QString>& gedruckteSchluss) {
    using format::betrag;
    const std::map<QString, Currency> werte = {
        {QStringLiteral("Summe Einnahmen:"), e.einnahmen},
        {QStringLiteral("Summe Ausgaben:"), e.ausgaben},
        {reserveBezeichnung(e.reserve), e.reserve},
        {QStringLiteral("Summe Erhaltungsbeitrag:"), e.ehb},
        {QStringLiteral("Hmzreserve mit Erhaltungsbeitr:"), e.reserve + e.ehb},
    };
    Figuren f;
    // A closing line the statement leaves out (no such section) stands for zero.
    for (const auto& [label, wert] : werte) {
        const bool abschnitt = label == QStringLiteral("Hmzreserve mit Erhaltungsbeitr:") ? !e.ehb.istNull() : !wert.istNull();
        if (gedruckteSchluss.count(label) || abschnitt) f.schluss[label] = betrag(wert);
    }
    for (const auto& j : e.jahre)
        f.jahre << QStringLiteral("%1 %2 %3 %4").arg(j.jahr).arg(betrag(j.ohne), betrag(j.ehb), betrag(j.ohne + j.ehb));
    f.jahre << QStringLiteral("Summe %1 %2 %3").arg(betrag(e.summeOhne), betrag(e.summeEhb), betrag(e.summeOhne + e.summeEhb));
    return f;
}

TEST(ErgebnisExport, FiguresAreThePrintedOnesAndNothingIsWritten) {
    struct Fall {
        const char* name;
        std::function<void(const QString&)> anlegen;
    };
    const Fall faelle[] = {
        {"demo", [](const QString& p) { demoMandantAnlegen(p); }},
        {"generated", [](const QString& p) {
             bench::GeneratorParameter g;
             g.objekte = 30;
             g.buchungen = 3000;
             g.seed = 3;
             bench::generieren(p, g);
         }},
        {"sections", abschnittsMandant},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        QTemporaryDir ordner;
        const QString db = ordner.filePath(QStringLiteral("mandant.db"));
        fall.anlegen(db);
        const auto stand = [&] {
            auto con = hmz::testhilfe::verbinden(db, DatenbankPasswort, true);
            return testhilfe::spalte(con.get(), "SELECT HmzObjNr || ' ' || HmzJahr || ' ' || ifnull(HmzHMZOhneEHB, '-') || ' ' "
                                                "|| ifnull(HmzVereinnEHB, '-') FROM ObjHmzResJahresSummen ORDER BY 1")
                   + testhilfe::spalte(con.get(), "SELECT AllgEinstNr || ' ' || AllgEinstWert FROM AllgEinstellungen ORDER BY 1")
                   + testhilfe::spalte(con.get(), "SELECT name FROM sqlite_master ORDER BY 1");
        };
        const auto vorher = stand();

        ExportAuftrag a;
        a.datenbank = db;
        a.vonObjNr = QStringLiteral("1");
        a.bisObjNr = QStringLiteral("99999");
        a.jahr = QStringLiteral("2003");
        std::vector<ObjektErgebnis> ergebnisse;
        ASSERT_EQ(ergebnisseBerechnen(a, ergebnisse), 0);
        EXPECT_EQ(stand().join(QLatin1Char('\n')).toStdString(), vorher.join(QLatin1Char('\n')).toStdString()) << "the export wrote to the database";

        const auto druck = gedruckt(db);
        ASSERT_EQ(ergebnisse.size(), druck.size());
        ASSERT_FALSE(ergebnisse.empty());
        for (const auto& e : ergebnisse) {
            SCOPED_TRACE(e.objNr);
            ASSERT_TRUE(druck.count(e.objNr));
            const Figuren& p = druck.at(e.objNr);
            const Figuren x = erwartet(e, p.schluss);
            EXPECT_EQ(p.schluss, x.schluss);
            EXPECT_EQ(p.jahre, x.jahre);
            EXPECT_EQ(e.jahr, 2003);
        }
    }
}

TEST(ErgebnisExport, CsvForAustrianSpreadsheetsAndJsonWithExactAmounts) {
    ObjektErgebnis e;
    e.objNr = 7;
    e.anschrift = "Gasse 1; Stiege \"B\"", e.plz = "1010", e.ort = "Wien";
    e.jahr = 2003;
    e.einnahmen = eur("1234.5");
    e.ausgaben = eur("-200.0001");
    e.reserve = eur("1034.4999");
    e.ehb = eur("0.5");
    e.jahre = {{2001, eur("72.67"), eur("1"), true, eur("1000"), eur("13.7603")}, {2003, eur("1034.4999"), eur("0.5")}};
    e.summeOhne = eur("1107.1699");
    e.summeEhb = eur("1.5");

    const QString a = "\"Gasse 1; Stiege \"\"B\"\"\";1010;Wien;";
    const QByteArray csv = alsCsv({e});
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n")),
              (QStringList{"ObjNr;Anschrift;PLZ;Ort;Zeile;Jahr;Einnahmen;Ausgaben;HMZ ohne EHB;vereinn.EHB;HMZ mit EHB;ATS HMZ ohne EHB;ATS vereinn.EHB",
                           "7;" + a + "Abrechnung;2003;1234,50;-200,0001;1034,4999;0,50;1034,9999;;",
                           "7;" + a + "Jahr;2001;;;72,67;1,00;73,67;1000,00;13,7603",
                           "7;" + a + "Jahr;2003;;;1034,4999;0,50;1034,9999;;",
                           "7;" + a + "Summe;;;;1107,1699;1,50;1108,6699;;",
                           ""}));

    const QJsonObject o = QJsonDocument::fromJson(alsJson({e})).object()["Objekte"].toArray().at(0).toObject();
    EXPECT_EQ(o["ObjNr"].toInt(), 7);
    EXPECT_EQ(o["SummeAusgaben"].toString(), "-200.0001");
    EXPECT_EQ(o["HmzReserveMitEhb"].toString(), "1034.9999");
    EXPECT_EQ(o["Jahre"].toArray().at(0).toObject()["Ats"].toObject()["VereinnEhb"].toString(), "13.7603");
    EXPECT_FALSE(o["Jahre"].toArray().at(1).toObject().contains("Ats"));
    EXPECT_EQ(o["SummeHmzMitEhb"].toString(), "1108.6699");
    for (const QString& k : o.keys() + o["Jahre"].toArray().at(0).toObject().keys())  // one key style
        EXPECT_TRUE(QRegularExpression("^([A-Z][a-z]+)+$").match(k).hasMatch()) << k.toStdString();
}

}  // namespace
