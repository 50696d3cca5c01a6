// The run driver end to end: checks, balance check, selection, the loop,
// cancel, and the stored euro choice, on the recording printer; and the
// command line run's progress line on a terminal.
#include "demomandant.h"
#include "entry/einstellungen.h"
#include "entry/formular.h"
#include "entry/verbindung.h"
#include "entry/zustand.h"
#include "report/aufzeichnungsdrucker.h"
#include "report/kopf.h"
#include "programm.h"
#include "shell/komponenten.h"
#include "skriptansicht.h"
#include "speicher.h"
#include "statement/lauf.h"
#include "statement/objektdrucken.h"
#include "statement/stapellauf.h"
#include "speicher.h"
#include "sqlhilfe.h"
#include "testmandant.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <tuple>
#include <unistd.h>

using namespace hmz;
using namespace hmz::test;
using Art = AufzeichnungsEintrag::Art;

namespace {

class Lauf : public ::testing::Test {
protected:
    QTemporaryDir ordner;
    std::unique_ptr<TestMandant> mandant;
    AufzeichnungsDrucker* drucker = nullptr;
    SkriptAnsicht ansicht;

    void SetUp() override {
        // A headless run earlier in this process leaves its console error display registered.
        entferneKomponente(komponenten::FehlerAnzeigeName);
        mandant = std::make_unique<TestMandant>(ort());
        mandant->mandant();
        // Three printable properties; one of another type, one expired, one valid past the period.
        mandant->objekt(1).objekt(2).objekt(3, "Lange Gasse 3", "1080", "Wien", 0, QDate(2004, 6, 30));
        mandant->objekt(4, "Büro", "1010", "Wien", 1).objekt(5, "Verkauft", "1020", "Wien", 0, QDate(2003, 6, 30));
        mandant->konto(2003, "4000", "Hauptmietzins", 1, 1).konto(2003, "9999", "Verrechnung", 0, 1);
        for (int obj = 1; obj <= 5; ++obj) {
            mandant->buchung(obj, "4000", QDate(2003, 3, 1), eur("100.00"));
            mandant->buchung(obj, "9999", QDate(2003, 3, 1), eur("-100.00"));
        }
        mandant->schliessen();

        auto& z = aufruf();
        z.AufrufParameter = VariantArray::leer(0, 100);
        z.DatenbankPfad = mandant->pfad();
        z.GleicheZeile = QStringLiteral("GL");
        z.DialogGeladen = true;
        for (auto* c : formular().datenControls) {
            c->trennen();
            c->DatabaseName = z.DatenbankPfad;
        }
        DatenControlsVerbinden(formular());
        ansicht.haken = AESelect();
        setzeOberflaeche(&ansicht);
        setzeDruckDatum(QDate(2004, 2, 16));
        auto d = std::make_unique<AufzeichnungsDrucker>();
        drucker = d.get();
        setzeDrucker(std::move(d));
    }

    virtual QString ort() { return ordner.filePath(QStringLiteral("mandant.db")); }
    void TearDown() override {
        for (auto* c : formular().datenControls) {
            c->trennen();
            c->RecordSource.clear();
        }
        setzeOberflaeche(nullptr);
        setzeDruckDatum(QDate());
        aufruf().DialogGeladen = false;
    }

    int anzahl(Art art) const {
        int n = 0;
        for (const auto& e : drucker->eintraege()) n += e.art == art;
        return n;
    }
    QStringList objektNummern() const {
        QStringList nr;
        for (const auto& e : drucker->eintraege())
            if (e.art == Art::Text && e.text.startsWith(QStringLiteral("Objekt-Nr:")) && !nr.contains(e.text)) nr << e.text;
        return nr;
    }
    // The run has ended: the dialog idles with the focus on the first field.
    void leerlauf() const {
        EXPECT_EQ(ansicht.aussehenVerlauf.back(), Aussehen::Leerlauf);
        EXPECT_EQ(ansicht.fokusVerlauf.back(), Feld::VonObjNr);
        EXPECT_FALSE(formular().VerarbeitungLaeuft);
    }
    bool aussehen(Aussehen a) const {
        const auto& v = ansicht.aussehenVerlauf;
        return std::find(v.begin(), v.end(), a) != v.end();
    }
    QList<QVariantList> jahresZeilen() {
        mandant->schliessen();
        return mandant->abfrage("SELECT HmzObjNr, HmzHMZOhneEHB, HmzVereinnEHB FROM ObjHmzResJahresSummen ORDER BY 1");
    }
    int meldungen(const QString& text) const {
        int n = 0;
        for (const auto& m : ansicht.meldungen) n += m.text == text;
        return n;
    }
};

struct LaufJeSpeicher : Lauf, ::testing::WithParamInterface<Speicherart> {
    TestSpeicher speicher{GetParam()};
    void SetUp() override { HMZ_SPEICHER_ODER_UEBERSPRINGEN(speicher); Lauf::SetUp(); }
    QString ort() override { return speicher.name(); }
};
}  // namespace

// A run for a year without bookings leaves the dialog's kept connection free.
TEST_P(LaufJeSpeicher, ARunForAYearWithoutBookingsLeavesTheKeptConnectionFreeForTheNextRunAndOthers) {
    ansicht.eingabe("1", "5", "01.02", "12.02");
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::SHAbbruch);
    ansicht.eingabe("1", "5", "01.03", "12.03");
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Gedruckt);
    auto anderer = db::Engine::instance().OpenDatabase(speicher.name(), false, true, ";pwd=" + DatenbankPasswort);
    EXPECT_EQ(anderer->OpenRecordset("SELECT COUNT(*) AS n FROM ObjHmzResJahresSummen")->Fields("n").toLong(), 3);
    if (GetParam() == Speicherart::Datei) {  // another program writes meanwhile
        EXPECT_EQ(sqlite3_exec(testhilfe::verbinden(speicher.name(), DatenbankPasswort, false).get(), "DELETE FROM ObjDaten",
                               nullptr, nullptr, nullptr), SQLITE_OK);
    }
}

INSTANTIATE_TEST_SUITE_P(Speicher, LaufJeSpeicher, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

TEST_F(Lauf, PrintsTheValidPropertiesOfTheRangeInOneJob) {
    ansicht.eingabe("1", "5", "01.03", "12.03");
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Gedruckt);
    EXPECT_EQ(ansicht.objAnz, "3");
    EXPECT_EQ(objektNummern(), (QStringList{"Objekt-Nr:     00001", "Objekt-Nr:     00002", "Objekt-Nr:     00003"}));
    EXPECT_EQ(anzahl(Art::Ende), 1);
    EXPECT_EQ(anzahl(Art::Verworfen), 0);
    for (const char* zeile :
         {"Soll/Haben prüfen - kurze Wartezeit", "Buchungsdateien einlesen", "Laufende Objekt-Nr: 00003"})
        EXPECT_TRUE(ansicht.latsch.contains(QString::fromUtf8(zeile))) << zeile;
    leerlauf();
    EXPECT_TRUE(ansicht.meldungen.empty());
    // Each printed property has its year row; the others none.
    EXPECT_EQ(jahresZeilen().size(), 3);

    ansicht.eingabe("6", "9", "01.03", "12.03");
    drucker->leeren();
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::KeineObjekte);
    EXPECT_EQ(ansicht.letzteMeldung(), "Keine Objekte zum Drucken gefunden");
    leerlauf();
    EXPECT_EQ(anzahl(Art::Text), 0);
}

TEST_F(Lauf, AnImbalanceAsksAndJaStopsNeinGoesOn) {
    mandant->buchung(1, "4000", QDate(2003, 5, 1), Currency::fromRaw(1));  // one ten-thousandth, credit
    mandant->schliessen();
    ansicht.eingabe("1", "1", "01.03", "12.03");
    ansicht.antworten = {Antwort::Ja};
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::SHAbbruch);
    ASSERT_EQ(ansicht.meldungen.size(), 1u);
    const Meldung& m = ansicht.meldungen.front();
    EXPECT_EQ(m.titel, "Soll-/Haben-Differenz festgestellt:");
    EXPECT_EQ(m.knoepfe, Knoepfe::JaNein);
    EXPECT_EQ(m.symbol, Symbol::Stopp);
    EXPECT_EQ(m.standard, Antwort::Ja);
    EXPECT_EQ(m.text, QString::fromUtf8(
              "Soll/Haben-Prüfung VOR BEGINN DER BUCHUNGSVERARBEITUNG im Jahr: 2003 ergibt Soll/Haben-Ungleichheit.\r\n"
              "\r\n"
              "Summe Soll:     500,00\r\n"
              "Summe Haben: 500,00\r\n"
              "Differenz: 0,00\r\n"
              "\r\n"
              "Überprüfen Sie die Ursache.\r\n"
              "\r\n"
              "Abbrechen ... \"JA\" klicken\r\n"
              "Weiterverarbeitung ... \"NEIN\" klicken"));
    EXPECT_EQ(anzahl(Art::Text), 0);
    leerlauf();

    ansicht.antworten = {Antwort::Nein};
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Gedruckt);
    EXPECT_EQ(objektNummern().size(), 1);
}

TEST_F(Lauf, TheCancelQuestionStopsBeforeTheNextPropertyOnJaAndGoesOnOnNein) {
    for (const bool ja : {true, false}) {
        SCOPED_TRACE(ja ? "Ja" : "Nein");
        ansicht.eingabe("1", "5", "01.03", "12.03");
        drucker->leeren();
        bool gedrueckt = false;
        ProgrammLauf buchen;
        ansicht.beiAbbruchFrage = [&] {
            // Another program books while the question waits, after property 1
            // has been stored; it waits for the file one second at most.
            if (ja) buchen = programm(QStringLiteral(HMZ_BUCHEN), {mandant->pfad(), DatenbankPasswort, "2003", "1", "1000"});
            return ja;
        };
        ansicht.beiEreignis = [&] {
            // Press the cancel button while the second property is being printed.
            if (!gedrueckt && ansicht.latsch.contains("Laufende Objekt-Nr: 00002")) {
                gedrueckt = true;
                LaufAbbrechen(ansicht);
            }
        };
        EXPECT_EQ(LaufStarten(ansicht), ja ? LaufErgebnis::Abgebrochen : LaufErgebnis::Gedruckt);
        EXPECT_EQ(objektNummern().size(), ja ? 2 : 3);
        EXPECT_EQ(ansicht.latsch.contains("Laufende Objekt-Nr: 00003"), !ja);
        EXPECT_EQ(anzahl(Art::Verworfen), ja ? 1 : 0);
        EXPECT_EQ(anzahl(Art::Ende), ja ? 0 : 1);
        EXPECT_TRUE(aussehen(ja ? Aussehen::Angehalten : Aussehen::Fortgesetzt));
        if (!ja) continue;
        EXPECT_EQ(meldungen("Verarbeitung durch Anwender abgebrochen"), 2);
        // Property 1 was complete; property 2 was cut short and keeps no result.
        EXPECT_EQ(jahresZeilen(), (QList<QVariantList>{{qlonglong(1), qlonglong(1000000), qlonglong(0)}}));
        EXPECT_EQ(buchen.status, 0) << qPrintable(buchen.fehler);
        EXPECT_EQ(mandant->abfrage("SELECT COUNT(*) FROM ObjKanzleiBuchungen2003 WHERE BuText1 = 'Zweitprogramm'"),
                  (QList<QVariantList>{{qlonglong(2)}}));
        mandant->ausfuehren("DELETE FROM ObjHmzResJahresSummen");
        mandant->schliessen();
        ansicht.beiEreignis = nullptr;
    }
}

TEST_F(Lauf, APairBookedWhileTheBalanceIsCheckedIsCountedWholeOrNotAtAll) {
    ansicht.eingabe("1", "5", "01.03", "12.03");
    // Another program books a balanced pair right after the debit sum is read.
    struct Buchen {
        QString pfad;
        bool gebucht = false;
    } buchen{mandant->pfad()};
    sqlite3* h = db::sqliteHandle(formular().OO_Data.database());
    sqlite3_trace_v2(h, SQLITE_TRACE_PROFILE, [](unsigned, void* b, void* stmt, void*) {
        auto& z = *static_cast<Buchen*>(b);
        const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
        if (z.gebucht || !sql || !std::strstr(sql, "BuSH") || !strcasestr(sql, "SUM(")) return 0;
        z.gebucht = true;
        const auto r = programm(QStringLiteral(HMZ_BUCHEN), {z.pfad, DatenbankPasswort, "2003", "1", "1000"});
        EXPECT_EQ(r.status, 0) << qPrintable(r.fehler);
        return 0;
    }, &buchen);
    const auto ergebnis = LaufStarten(ansicht);
    sqlite3_trace_v2(h, 0, nullptr, nullptr);
    EXPECT_TRUE(buchen.gebucht);
    EXPECT_EQ(ergebnis, LaufErgebnis::Gedruckt);
    EXPECT_TRUE(ansicht.meldungen.empty()) << qPrintable(ansicht.letzteMeldung());
}

TEST_F(Lauf, TheEuroChoiceIsStoredForTheNextStart) {
    EXPECT_EQ(ansicht.haken, 1);  // a missing setting means "show"
    ansicht.eingabe("1", "1", "01.03", "12.03");
    ansicht.haken = 0;
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Gedruckt);
    EXPECT_FALSE(formular().EurAtsAusweisen);
    EXPECT_EQ(AESelect(), 0);
    // No converted line anywhere on the statement.
    for (const auto& e : drucker->eintraege()) EXPECT_FALSE(e.text.startsWith("(=")) << qPrintable(e.text);
}

TEST_F(Lauf, AFailingQueryIsReportedAndTheRunEndsIdle) {
    mandant->ausfuehren("DROP TABLE ObjDaten");
    mandant->schliessen();
    ansicht.eingabe("1", "5", "01.03", "12.03");
    EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Fehler);
    EXPECT_EQ(ansicht.letzteMeldung(), "das allgem. Fehlermeldungsprogramm kmoAllgError konnte nicht aufgerufen werden");
    leerlauf();
    EXPECT_EQ(anzahl(Art::Ende), 0);
}

TEST_F(Lauf, AStatementThatMetAFailureKeepsItsStoredYearRowAndTheRunFails) {
    mandant->konto(2003, "3000", "Untermiete", 1, 1).konto(2003, "5000", "Erhaltungsbeitrag", 50, 1);
    mandant->buchung(1, "5000", QDate(2003, 3, 1), eur("50.00")).buchung(1, "9999", QDate(2003, 3, 1), eur("-50.00"));
    // The account query of one pass fails and the other reads: two products
    // of 2^62 overflow the 64-bit balance of the pass's first account.
    for (const char* konto : {"3000", "5000"}) {
        SCOPED_TRACE(konto);
        for (auto* c : formular().datenControls) c->trennen();  // their open reads lock the file
        mandant->ausfuehren("DELETE FROM ObjHmzResJahresSummen");
        mandant->ausfuehren("DELETE FROM ObjKanzleiBuchungen2003 WHERE BuBelegNr = 999");
        mandant->jahresSumme(1, 2003, eur("111.00"), eur("22.00"));
        for (const auto& [k, betrag, sh, vorzeichen] : {std::tuple{QString(konto), 1, "H", 4611686018427387904LL},
                                                        std::tuple{QString(konto), 1, "H", 4611686018427387904LL},
                                                        std::tuple{QStringLiteral("9999"), 2, "S", -1LL}})
            mandant->ausfuehren("INSERT INTO ObjKanzleiBuchungen2003 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, "
                                "BuBetrag, BuSH, BuSHVorzeichen, BuArt) VALUES (1, ?, '2003-05-02', 999, ?, ?, ?, '10')",
                                {k, betrag, sh, qlonglong(vorzeichen)});
        mandant->schliessen();
        ansicht.meldungen.clear();
        const int enden = anzahl(Art::Ende);
        ansicht.eingabe("1", "3", "01.03", "12.03");
        EXPECT_EQ(LaufStarten(ansicht), LaufErgebnis::Fehler);
        EXPECT_FALSE(ansicht.meldungen.empty());  // the failure was reported
        EXPECT_EQ(anzahl(Art::Ende), enden + 1);   // the other statements are printed
        EXPECT_EQ(jahresZeilen(), (QList<QVariantList>{{qlonglong(1), qlonglong(1110000), qlonglong(220000)},
                                                       {qlonglong(2), qlonglong(1000000), qlonglong(0)},
                                                       {qlonglong(3), qlonglong(1000000), qlonglong(0)}}));
    }
}

// The line is rewritten in place: it starts with no estimate (nothing is done
// yet to estimate from), always shows the last count however fast the run
// was, and a newline closes it.
TEST(FortschrittZeile, StartsWithoutEstimateEndsOnTheLastCountAndANewline) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("demo.mdb"));
    demoMandantAnlegen(db);
    DruckAuftrag a;
    a.datenbank = db;
    a.vonObjNr = QStringLiteral("1");
    a.bisObjNr = QStringLiteral("8");
    a.abrVon = QStringLiteral("01.03");
    a.abrBis = QStringLiteral("12.03");
    a.pdfDatei = dir.filePath(QStringLiteral("a.pdf"));
    a.fortschrittZeile = true;

    const QString mitschrift = dir.filePath(QStringLiteral("stdout.txt"));
    std::fflush(stdout);
    const int alt = ::dup(STDOUT_FILENO);
    FILE* f = std::fopen(qPrintable(mitschrift), "w");
    ::dup2(::fileno(f), STDOUT_FILENO);
    const int status = druckAuftragAusfuehren(a);
    std::fflush(stdout);
    ::dup2(alt, STDOUT_FILENO);
    ::close(alt);
    std::fclose(f);
    ASSERT_EQ(status, 0);

    QFile datei(mitschrift);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    const QStringList zeilen = QString::fromUtf8(datei.readAll()).split(QStringLiteral("\r\033[K"), Qt::SkipEmptyParts);
    ASSERT_GE(zeilen.size(), 2);
    EXPECT_TRUE(zeilen.first().startsWith(QStringLiteral("0 von "))) << qPrintable(zeilen.first());
    EXPECT_FALSE(zeilen.first().contains(QStringLiteral("noch etwa")));
    // The demo's six properties in 1 to 8.
    EXPECT_TRUE(zeilen.last().startsWith(QStringLiteral("6 von 6 Objekten | Laufende Objekt-Nr: 00008 | ")))
        << qPrintable(zeilen.last());
    EXPECT_FALSE(zeilen.last().contains(QStringLiteral("noch etwa")));
    // Rewritten lines have no newline; the last one ends with one before anything else is said.
    for (qsizetype i = 0; i + 1 < zeilen.size(); ++i) EXPECT_FALSE(zeilen[i].contains(QLatin1Char('\n')));
    EXPECT_TRUE(zeilen.last().contains(QStringLiteral(" vergangen\n"))) << qPrintable(zeilen.last());
}

// Only a whole-year run stores its year results. Part of a year, or a trial run, prints
// its own figure in the ten-year table, keeps the stored row and says why on stderr.
class JahresErgebnis : public ::testing::TestWithParam<Speicherart> {};
TEST_P(JahresErgebnis, OnlyAWholeYearRunStoresItsResultAndAnyOtherSaysWhy) {
    TestSpeicher speicher(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(speicher);
    TestMandant m(speicher.name());
    m.mandant().objekt(2).konto(2003, "4000", "Hauptmietzins", 1, 1).konto(2003, "9999", "Verrechnung", 0, 1);
    for (const auto& [monat, betrag] : {std::pair{3, "1000.00"}, std::pair{9, "500.00"}})
        m.buchung(2, "4000", QDate(2003, monat, 1), eur(betrag)).buchung(2, "9999", QDate(2003, monat, 1), -eur(betrag));
    m.jahresSumme(2, 2003, eur("19527.25"), eur("0")).schliessen();
    const std::tuple<QString, bool, const char*, qlonglong, QString> faelle[] = {{"06.03", false, "1000.00", 195272500,
        "nicht das ganze Jahr"}, {"12.03", true, "1500.00", 195272500, "Probelauf"}, {"12.03", false, "1500.00", 15000000, ""}};
    for (const auto& [bis, ohneSpeichern, figur, gespeichert, hinweis] : faelle) {
        std::vector<JahresZeile> jahre;
        const DruckAuftrag a{.datenbank = speicher.name(), .vonObjNr = "1", .bisObjNr = "99", .abrVon = "01.03",
                             .abrBis = bis, .pdfDatei = speicher.pfad("a.pdf"), .ohneSpeichern = ohneSpeichern,
                             .fortschritt = false, .objektErgebnis = [&](auto&, const ObjektZustand& o) { jahre = o.Jahre; }};
        testing::internal::CaptureStderr();
        EXPECT_EQ(druckAuftragAusfuehren(a), 0);
        const QString fehler = QString::fromStdString(testing::internal::GetCapturedStderr());
        const auto zeilen = m.abfrage("SELECT HmzHMZOhneEHB FROM ObjHmzResJahresSummen WHERE HmzObjNr = 2");
        m.schliessen();
        EXPECT_TRUE(jahre.size() == 1 && jahre[0].jahr == 2003 && jahre[0].ohne == eur(figur)
                    && zeilen.value(0).value(0).toLongLong() == gespeichert) << qPrintable(hinweis);
        EXPECT_TRUE(fehler.contains(hinweis) && fehler.count('\n') == !hinweis.isEmpty()) << qPrintable(fehler);
    }
}

INSTANTIATE_TEST_SUITE_P(Speicher, JahresErgebnis, ::testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);
