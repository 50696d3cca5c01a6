// Master data as CSV: the reader, the amount rule, and export-csv/import-csv
// as a user runs them on both stores (round trip, a hand-written file, bad files).
#include "../bench/generator.h"
#include "demomandant.h"
#include "programm.h"
#include "speicher.h"

#include "masterdata/csv.h"
#include "masterdata/stammdaten.h"

#include <QBuffer>
#include <QFile>
#include <gtest/gtest.h>

using namespace hmz;
using namespace hmz::test;

namespace {

std::vector<std::vector<stamm::CsvFeld>> lesen(const QByteArray& daten) {
    QBuffer b;
    b.setData(daten);
    b.open(QIODevice::ReadOnly);
    stamm::CsvLeser l(b);
    std::vector<std::vector<stamm::CsvFeld>> zeilen;
    for (std::vector<stamm::CsvFeld> f; l.naechste(f);) zeilen.push_back(f);
    return zeilen;
}

QByteArray inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

void schreiben(const QString& pfad, const QByteArray& daten) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(daten);
}

const QStringList Tabellen{"client", "properties", "accounts", "bookings", "results"};

QStringList jahr(const QString& t) { return t == "bookings" ? QStringList{"--year", "2003"} : QStringList{}; }

}  // namespace

TEST(CsvLeser, QuotesSeparatorsAndLineEnds) {
    const auto z = lesen("\xEF\xBB\xBF" "a,b\r\n\"x,\"\"y\"\"\r\nz\",\r\n\n1,\"\"");
    ASSERT_EQ(z.size(), 3u);
    EXPECT_EQ(z[1][0].text, "x,\"y\"\r\nz");
    EXPECT_TRUE(z[1][1].text.isEmpty() && !z[1][1].zitiert);  // Null
    EXPECT_TRUE(z[2][1].text.isEmpty() && z[2][1].zitiert);   // empty text
    EXPECT_EQ(lesen("a\tb\n1;2\t3")[1].size(), 2u);
    EXPECT_EQ(lesen("\xEF\xBB\xBF" "a;b\n\xEF\xBB\xBFx;1")[1][0].text, QChar(0xFEFF) + QString("x"));  // only the file's BOM goes
    EXPECT_THROW(lesen("a;b\n1;\"offen\n"), stamm::CsvFehler);
    EXPECT_THROW(lesen("a;b\n\xC3\x28;1\n"), stamm::CsvFehler);
    // Records of every length across the reader's blocks.
    QByteArray lang = "a;b\r\n";
    for (int i = 0; i < 20000; ++i) lang += QByteArray::number(i) + ";x" + QByteArray(i % 7, 'y') + "\r\n";
    const auto l = lesen(lang);
    ASSERT_EQ(l.size(), 20001u);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(l[i + 1][0].text + l[i + 1][1].text, QString::number(i) + "x" + QString(i % 7, 'y')) << i;
}

TEST(CsvBetrag, ExactOrRefused) {
    const struct { const char* text; bool punkt; const char* raw; } faelle[] = {
        {"1.234,56", false, "1234.5600"}, {"-0,5", false, "-0.5000"}, {"1234.5678", true, "1234.5678"},
        {"1,00001", false, nullptr},      {"1.23,4", false, nullptr}, {"12a", false, nullptr}, {"1.234,5", true, nullptr}};
    for (const auto& f : faelle) {
        QString grund;
        const auto c = stamm::betragLesen(QString::fromLatin1(f.text), f.punkt, grund);
        EXPECT_EQ(c ? c->toPlainString() : QString(), f.raw ? QString::fromLatin1(f.raw) : QString()) << f.text;
    }
}

class CsvJeSpeicher : public testing::TestWithParam<Speicherart> {};

// The demo client or a small generated one (made as a file, then copied to a server).
static void quelleAnlegen(const TestSpeicher& s, Speicherart art, bool generiert) {
    if (!generiert) return demoMandantAnlegen(s.name());
    bench::GeneratorParameter g;
    g.objekte = 6, g.konten = 12, g.buchungen = 600, g.seed = 5;
    const QString datei = art == Speicherart::Datei ? s.name() : s.pfad("generiert.db");
    bench::generieren(datei, g);
    if (datei != s.name()) {
        ASSERT_EQ(hmzres({"copy", "--from", datei, "--to", s.name(), "--force"}).status, 0);
    }
}

// A client, table by table into a client made with init, prints the same
// statements; export, import, export gives the same bytes.
static void rundreise(Speicherart art, bool generiert) {
    TestSpeicher quelle(art), ziel(art);
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(quelle);
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(ziel);
    quelleAnlegen(quelle, art, generiert);
    ASSERT_EQ(hmzres({"init", "--db", ziel.name()}).status, 0);
    for (const QString& t : Tabellen) {
        const QString csv = quelle.pfad(t + ".csv");
        ASSERT_EQ(hmzres(QStringList{"export-csv", "--db", quelle.name(), "--table", t, "--out", csv} + jahr(t)).status, 0);
        const auto r = hmzres(QStringList{"import-csv", "--db", ziel.name(), "--table", t, "--file", csv, "--replace"} + jahr(t));
        ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
        const QString zurueck = quelle.pfad(t + "2.csv");
        ASSERT_EQ(hmzres(QStringList{"export-csv", "--db", ziel.name(), "--table", t, "--out", zurueck} + jahr(t)).status, 0);
        EXPECT_EQ(inhalt(zurueck), inhalt(csv)) << qPrintable(t);
    }
    for (const auto* s : {&quelle, &ziel}) {
        const auto r = hmzres({"print", "--db", s->name(), "--objects", "1-99999", "--period", "01.2003-12.2003", "--pdf",
                               quelle.pfad(s == &ziel ? "ziel.pdf" : "quelle.pdf"), "--quiet"});
        ASSERT_EQ(r.status, 0) << qPrintable(r.fehler);
    }
    EXPECT_EQ(pdfText(quelle.pfad("ziel.pdf")), pdfText(quelle.pfad("quelle.pdf")));
    EXPECT_EQ(hmzres({"export-csv", "--db", ziel.name(), "--table", "results"}).aus,
              hmzres({"export-csv", "--db", quelle.name(), "--table", "results"}).aus);
}

TEST_P(CsvJeSpeicher, RoundTripOfTheDemoClient) { rundreise(GetParam(), false); }
TEST_P(CsvJeSpeicher, RoundTripOfAGeneratedClient) { rundreise(GetParam(), true); }

// A client made with init prints from a file written as a spreadsheet writes
// it; bad files are refused whole, each with its line, and change nothing.
TEST_P(CsvJeSpeicher, SpreadsheetFileImportsAndBadFilesChangeNothing) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    const QString db = s.name(), csv = s.pfad("datei.csv");
    ASSERT_EQ(hmzres({"init", "--db", db, "--name", "Hausverwaltung Tabelle"}).status, 0);
    const auto einlesen = [&](const QString& tabelle, const QByteArray& daten, QStringList mehr = {}) {
        schreiben(csv, daten);
        return hmzres(QStringList{"import-csv", "--db", db, "--table", tabelle, "--file", csv} + mehr);
    };
    ASSERT_EQ(einlesen("properties", "ObjNummer;ObjAnschrift\r\n7;Hauptstraße 7\r\n8;\"Gasse 1; Hof\"\r\n").status, 0);
    ASSERT_EQ(einlesen("accounts", "kontonr,KontoBezeichnung,KontoHmzresPos,KontoHmzresVerdichtKz\n4000,Hauptmietzins,1,1\n"
                                   "7000,Instandhaltung,21,0\n9999,Verrechnung,0,1",
                       {"--year", "2003"}).status, 0);
    const QByteArray kopf = "BuObjNr;BuKontoNr;BuDatum;BuText1;BuBetrag;BuSH\r\n";
    const auto gut = einlesen("bookings", kopf + "7;4000;01.03.2003;\"Miete; März\";1.234,50;H\r\n"
                                                 "7;7000;2003-04-01;\"Dach \"\"rinne\"\"\";200,00;S\r\n7;9999;01.04.2003;;1.034,50;S",
                              {"--year", "2003"});
    ASSERT_EQ(gut.status, 0) << qPrintable(gut.fehler);
    EXPECT_TRUE(gut.aus.contains("Soll 1.234,50, Haben 1.234,50, Differenz 0,00")) << qPrintable(gut.aus);
    const QString pdf = s.pfad("a.pdf");
    const auto druck = hmzres({"print", "--db", db, "--objects", "7-7", "--period", "01.2003-12.2003", "--pdf", pdf, "--no-store"});
    ASSERT_EQ(druck.status, 0) << qPrintable(druck.fehler);
    const QString text = pdfText(pdf);
    for (const char* f : {"Hausverwaltung Tabelle", "1.234,50", "Dach \"rinne\""}) EXPECT_TRUE(text.contains(QString::fromUtf8(f))) << f;

    const auto dump = [&] {
        return hmzres({"export-csv", "--db", db, "--table", "bookings", "--year", "2003"}).aus +
               hmzres({"export-csv", "--db", db, "--table", "properties"}).aus;
    };
    const QString vorher = dump();
    const struct { const char* zeilen; const char* meldung; QStringList mehr; } schlecht[] = {
        {"7;4000;31.02.2003;;1,00;H\r\n7;9999;01.03.2003;;1,00;S", "Zeile 2, BuDatum: '31.02.2003' ist kein Datum", {}},
        {"7;4000;01.03.2003;;1,00001;H", "Zeile 2, BuBetrag: '1,00001' hat mehr als 4 Nachkommastellen", {"--allow-imbalance"}},
        {"7;4711;01.03.2003;;1,00;H\r\n7;9999;01.03.2003;;1,00;S", "Zeile 2, BuKontoNr: das Konto '4711' fehlt", {}},
        {"7;4000;01.03.2003;;1,00;H\r\n9;9999;01.03.2003;;1,00;S", "Zeile 3, BuObjNr: das Objekt 9 gibt es nicht", {}},
        {"7;4000;01.03.2003;;1,00;H", "Soll 0,00 und Haben 1,00 der Datei unterscheiden sich um -1,00", {}},
        {"7;4000;01.03.2003;\"offen;1,00;H\r\n", "Zeile 2: ein Anführungszeichen ist bis zum Dateiende nicht geschlossen", {}},
        {"7;4000;01.03.2003;M\xE4rz;1,00;H", "Zeile 2: die Datei ist nicht in UTF-8 geschrieben", {"--allow-imbalance"}},
    };
    for (const auto& f : schlecht) {
        const auto r = einlesen("bookings", kopf + f.zeilen, QStringList{"--year", "2003"} + f.mehr);
        EXPECT_EQ(r.status, 1) << f.meldung;
        EXPECT_TRUE(r.fehler.contains(QString::fromUtf8(f.meldung))) << qPrintable(r.fehler);
    }
    const auto doppelt = einlesen("bookings", "BuNr;" + kopf + "1;7;4000;01.03.2003;;1,00;H\r\n2;7;9999;01.03.2003;;1,00;S", {"--year", "2003"});
    EXPECT_TRUE(doppelt.fehler.contains("Zeile 2, BuNr: 1 gibt es schon")) << qPrintable(doppelt.fehler);
    // A file is refused what an editor refuses.
    const struct { const char *tabelle, *datei, *meldung; } regeln[] = {
        {"properties", "ObjNummer;Farbe\r\n20;rot\r\n", "Zeile 1, Farbe: diese Spalte gibt es in ObjDaten nicht"},
        {"properties", "ObjNummer\r\n100000\r\n", "Zeile 2, ObjNummer: Die Objekt-Nr ist eine Zahl von 1 bis 99999."},
        {"accounts", "KontoJJ;KontoNr;KontoHmzresPos\r\n2003;4712;100\r\n2003;\" \";1\r\n",
         "Zeile 2, KontoHmzresPos: Die HMZ-Position ist eine ganze Zahl von 0 bis 99.\nZeile 3, KontoNr: Die Konto-Nr fehlt."},
        {"results", "HmzObjNr;HmzJahr\r\n7;1899\r\n", "Zeile 2, HmzJahr: Das Jahr muss zwischen 1900 und 2100 liegen."},
    };
    for (const auto& r : regeln) {
        const QString fehler = einlesen(r.tabelle, r.datei).fehler;
        EXPECT_TRUE(fehler.contains(QString::fromUtf8(r.meldung))) << qPrintable(fehler);
    }
    EXPECT_EQ(dump(), vorher);

    // New numbers go on past the largest; --replace swaps the bookings of the file's properties only.
    const auto nur = [&](const char* objekte) {
        return hmzres({"export-csv", "--db", db, "--table", "bookings", "--year", "2003", "--objects", objekte}).aus;
    };
    ASSERT_EQ(einlesen("bookings", "BuNr;" + kopf + "50;8;4000;01.05.2003;;5,00;H\r\n51;8;9999;01.05.2003;;5,00;S", {"--year", "2003"}).status, 0);
    ASSERT_EQ(einlesen("bookings", kopf + "7;4000;01.06.2003;;2,00;H\r\n7;9999;01.06.2003;;2,00;S", {"--year", "2003"}).status, 0);
    EXPECT_TRUE(nur("7-7").contains("\r\n52;7;4000;01.06.2003;;;;2,00;H;1;;01\r\n53;7;9999")) << qPrintable(nur("7-7"));
    ASSERT_EQ(einlesen("bookings", kopf + "8;4000;01.06.2003;;7,00;H\r\n8;9999;01.06.2003;;7,00;S", {"--year", "2003", "--replace"}).status, 0);
    EXPECT_TRUE(nur("8-8").contains("7,00;S") && !nur("8-8").contains("5,00")) << qPrintable(nur("8-8"));
    EXPECT_EQ(nur("7-7").count("\r\n"), 6);
}

// The rules of --replace and --year for the client record and the account master.
TEST(CsvImport, ReplaceAndYearRules) {
    TestSpeicher s(Speicherart::Datei);
    const QString db = s.name(), csv = s.pfad("d.csv");
    ASSERT_EQ(hmzres({"init", "--db", db}).status, 0);
    const auto ein = [&](const QString& tabelle, const QByteArray& daten, QStringList mehr = {}) {
        schreiben(csv, daten);
        const auto r = hmzres(QStringList{"import-csv", "--db", db, "--table", tabelle, "--file", csv} + mehr);
        return QString::number(r.status) + " " + r.fehler;
    };
    EXPECT_TRUE(ein("client", "MandName\nNeu\n").contains("schon einen Mandantensatz (--replace"));
    EXPECT_EQ(ein("client", "MandName;MandEurKurs\nNeu;1234.5\n", {"--replace", "--decimal-point"}), "0 ");
    EXPECT_TRUE(hmzres({"export-csv", "--db", db, "--table", "client"}).aus.contains("Neu;;;;;;;1234,50;"));
    EXPECT_EQ(ein("properties", "ObjNummer\n7\n"), "0 ");
    EXPECT_TRUE(ein("accounts", "KontoJJ;KontoNr\n2004;4000\n", {"--year", "2003"}).contains("Zeile 2, KontoJJ: 2004 ist nicht das Jahr 2003"));
    EXPECT_EQ(ein("accounts", "KontoNr\n4000\n4100\n", {"--year", "2003"}), "0 ");
    EXPECT_EQ(ein("bookings", "BuObjNr;BuKontoNr;BuDatum;BuBetrag;BuSH\n7;4100;1.2.2003;1;H\n7;4000;1.2.2003;1;S\n", {"--year", "2003"}), "0 ");
    EXPECT_TRUE(ein("accounts", "KontoNr\n4000\n", {"--year", "2003"}).contains("Zeile 2, KontoJJ+KontoNr: 2003/4000 gibt es schon"));
    EXPECT_TRUE(ein("accounts", "KontoNr\n4000\n5000\n", {"--year", "2003", "--replace"})
                    .contains("Die Buchungen 2003 verwenden Konten, die in der Datei fehlen: 4100"));
    EXPECT_EQ(ein("accounts", "KontoNr;KontoBezeichnung\n4000;Miete\n4100;BK\n", {"--year", "2003", "--replace"}), "0 ");
    EXPECT_TRUE(hmzres({"export-csv", "--db", db, "--table", "accounts"}).aus.endsWith("2003;4000;Miete;;\r\n2003;4100;BK;;\r\n"));
}

// A long file is read ahead in parts: its rows keep their line numbers, and
// amounts the direct reading does not take go the long way.
TEST(CsvImport, LongFileKeepsLinesAndAmounts) {
    TestSpeicher s(Speicherart::Datei);
    const QString db = s.name(), csv = s.pfad("d.csv");
    ASSERT_EQ(hmzres({"init", "--db", db}).status, 0);
    const auto ein = [&](const QString& tabelle, const QByteArray& daten, QStringList mehr = {}) {
        schreiben(csv, daten);
        return hmzres(QStringList{"import-csv", "--db", db, "--table", tabelle, "--file", csv} + mehr);
    };
    ASSERT_EQ(ein("properties", "ObjNummer\n7\n").status, 0);
    ASSERT_EQ(ein("accounts", "KontoNr\n4000\n", {"--year", "2003"}).status, 0);
    QByteArray d = "BuObjNr;BuKontoNr;BuDatum;BuBetrag;BuSH\n";
    for (int i = 2; i <= 1300; ++i) d += i == 1201 ? "7;4000;1.2.2003;1.23,00;H\n" : "7;4000;1.2.2003;-1.000,5;H\n";
    const auto r = ein("bookings", d + "7;\"4000", {"--year", "2003", "--allow-imbalance"});
    EXPECT_TRUE(r.fehler.contains("Zeile 1201, BuBetrag: '1.23,00' ist kein Betrag\n") && r.fehler.contains("Zeile 1301: ein Anführungszeichen"))
        << qPrintable(r.fehler);
    const auto gut = ein("bookings", d.replace("1.23,00", " 1,25 "), {"--year", "2003", "--allow-imbalance"});
    EXPECT_TRUE(gut.aus.contains("Haben -1.298.647,75")) << qPrintable(gut.aus);
    // A number twice, in ascending order and out of it: the line of the first is named.
    const struct { const char* nummern; const char* meldung; } doppelt[] = {
        {"5\n5\n", "Zeile 3, BuNr: 5 steht schon in Zeile 2"},
        {"9\n4\n9\n", "Zeile 4, BuNr: 9 steht schon in Zeile 2"},
        {"9\n4\n4\n", "Zeile 4, BuNr: 4 steht schon in Zeile 3"}};
    for (const auto& f : doppelt) {
        const QByteArray z = QByteArray(f.nummern).replace("\n", ";7;4000;1.2.2003;1,00;H\n");
        const auto n = ein("bookings", "BuNr;BuObjNr;BuKontoNr;BuDatum;BuBetrag;BuSH\n" + z, {"--year", "2003", "--allow-imbalance"});
        EXPECT_TRUE(n.fehler.contains(f.meldung)) << qPrintable(n.fehler);
    }
}

INSTANTIATE_TEST_SUITE_P(Speicher, CsvJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

// list on the demo client: each kind in each format, read-only.
TEST_P(CsvJeSpeicher, ListShowsTheClient) {
    TestSpeicher s(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    demoMandantAnlegen(s.name());
    const struct { QStringList args; QString erwartet; } faelle[] = {
        {{"properties", "--objects", "7"}, "ObjNummer  ObjTypus  ObjAnschrift           ObjPlz  ObjOrt  ObjGueltigBisDatum\n"},
        {{"properties", "--objects", "7"}, "        7         0  Ottakringer Straße 58  1160"},
        {{"years", "--format", "csv"}, "\xEF\xBB\xBFJahr;Buchungen;SummeSoll;SummeHaben;Differenz\r\n2003;"},
        {{"years"}, "0,00\n"},
        {{"results", "--objects", "7-7", "--year", "2001", "--format", "csv"}, ";ATS\r\n"},
        {{"results", "--year", "2002", "--format", "json"}, "\"Waehrung\": \"EUR\""},
        {{"accounts", "--year", "1999"}, "KontoJJ  KontoNr  KontoBezeichnung  KontoHmzresPos  KontoHmzresVerdichtKz\n"},
    };
    for (const auto& f : faelle) {
        const auto r = hmzres(QStringList{"list"} + f.args + QStringList{"--db", s.name()});
        EXPECT_EQ(r.status, 0) << qPrintable(r.fehler);
        EXPECT_TRUE(r.aus.contains(f.erwartet)) << qPrintable(f.args.join(' ') + "\n" + r.aus);
    }
    EXPECT_EQ(hmzres({"list", "things", "--db", s.name()}).status, 2);
}
