// The data access layer on a real SQLCipher file, driven with the SQL texts
// exactly as the component concatenates them.
#include "core/fehler.h"
#include "schreibschutz.h"
#include "store/datenzugriff.h"
#include "store/schema.h"
#include "store/sqldialekt.h"
#include "sqlhilfe.h"
#include "store/sqlite/sqlite_verbindung.h"
#include "programm.h"
#include "speicher.h"
#include "testdb.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <chrono>
#include <thread>

using namespace hmz;
using namespace hmz::db;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QString Passwort = QStringLiteral("gartenzaunes4");
const QString Connect = QStringLiteral("Access;pwd=gartenzaunes4;");

template <typename F>
long fehlerVon(F&& f) {
    try {
        f();
    } catch (const Fehler& e) {
        return e.Nummer();
    }
    return 0;
}

Currency betrag(const char* text) { return *Currency::parse(text); }

// ---- the queries, piece by piece as the component builds them ----------

QString datum(QDate d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }

QString objektAuswahl(const QString& von, const QString& bis, const QString& abrBis) {
    return QStringLiteral("SELECT ") + "ObjDaten.ObjNummer, " + "ObjAllgAufteilSchlNr, " + "ObjNutzflSchlNr, " +
           "ObjAnteileSchlNr, " + "ObjDaten.ObjTypus, " + "ObjDaten.ObjAnschrift, " + "ObjDaten.ObjPlz, " +
           "ObjDaten.ObjOrt, " + "ObjDaten.ObjHvStatusDatum, " + "ObjDaten.ObjGueltigBisDatum " + "FROM ObjDaten " +
           "WHERE " + "(ObjDaten.ObjNummer between " + von + " AND " + bis + ") " + " AND ObjTypus = 0" +
           " AND (ObjGueltigBisDatum >= datevalue('" + abrBis + "') or ObjGueltigBisDatum = 0)";
}

QString kontenAuswahl(int abrJahr, long tabellenJahr, const QString& objNrText, QDate von, QDate bis, int posVon, int posBis) {
    const QString saldo = QStringLiteral("(Select SUM(BuBetrag * BuShVorzeichen) as SSS  from ObjKanzleiBuchungen") +
                          QString::number(tabellenJahr) + " WHERE BuObjNr = " + objNrText + " AND BuKontoNr = KontoNr " +
                          " AND  BuDatum " + "BETWEEN datevalue('" + datum(von) + "') " + "AND datevalue('" + datum(bis) +
                          "')" + " AND (isnull(BuKorrKZ) or rtrim(BuKorrKZ) = '')" + " AND NOT BuArt = '90')";
    return QStringLiteral("SELECT ") + saldo + " as KontoSaldo, " +
           " KontoNr, KontoBezeichnung, KontoHmzresPos, KontoHmzresVerdichtKz " + " FROM ObjKanzleiKontenstamm " +
           " WHERE KontoJJ = " + QString::number(abrJahr) + " AND KontoHmzresPos between " + QString::number(posVon) +
           " AND " + QString::number(posBis) + " ORDER BY KontoHmzresPos, KontoNr  ";
}

QString jahresAuswahl(const QString& objNrText, long jahrVon, int abrJahr) {
    return QStringLiteral("SELECT * ") + " FROM ObjHmzResJahresSummen " + " WHERE HmzObjNr = " + objNrText +
           " AND HmzJahr between " + QString::number(jahrVon) + " AND " + QString::number(abrJahr) + " ORDER BY HmzJahr ";
}

// The statement reads a property's bookings of every account at once.
QString einzelbuchungen(long tabellenJahr, const QString& objNrText, QDate von, QDate bis) {
    return QStringLiteral("SELECT rtrim(BuKontoNr) AS BuKonto, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, BuSHVorzeichen") +
           " FROM ObjKanzleiBuchungen" + QString::number(tabellenJahr) + " WHERE BuObjNr = " + objNrText +
           " AND (BuDatum Between datevalue('" + datum(von) + "') AND datevalue('" + datum(bis) + "')) " +
           " AND (isnull(BuKorrKz) OR rtrim(BuKorrKz) = '') AND NOT BuArt = '90' ORDER BY BuDatum, BuBelegNr, BuNr";
}

QString monatssummen(long tabellenJahr, const QString& objNrText, QDate von, QDate bis) {
    return QStringLiteral("SELECT rtrim(BuKontoNr) AS BuKonto, SUM(BuBetrag * BuSHVorzeichen) AS MonKontoSaldo, ") +
           "datepart('m', BuDatum) AS BuMonat FROM ObjKanzleiBuchungen" + QString::number(tabellenJahr) +
           " WHERE BuObjNr = " + objNrText + " AND (BuDatum Between datevalue('" + datum(von) + "') AND datevalue('" +
           datum(bis) + "')) " + " AND (isnull(BuKorrKz) OR rtrim(BuKorrKz) = '') AND NOT BuArt = '90'" +
           " GROUP BY rtrim(BuKontoNr), datepart('m', BuDatum) ORDER BY rtrim(BuKontoNr), datepart('m', BuDatum)";
}

QString sollHaben(const QString& jahr) {
    const QString tabelle = QStringLiteral(" FROM ObjKanzleiBuchungen") + jahr;
    return QStringLiteral("SELECT (SELECT SUM(buBetrag)") + tabelle + " WHERE BuSH = 'S') as SummeSoll, " +
           "(SELECT SUM(buBetrag)" + tabelle + " where BuSH = 'H') as SummeHaben";
}

// The test client in a store: a file, or the same rows copied to the
// server (the copy writes amounts as the server keeps them).
class DatenzugriffBasis : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString pfad;  // the file, or the server URI
    std::unique_ptr<Database> db;
    std::optional<test::TestSpeicher> server;

    void anlegen(test::Speicherart art) {
        const QString datei = dir.filePath(QStringLiteral("mandant.db"));
        testdb::anlegen(datei, Passwort);
        pfad = datei;
        if (art == test::Speicherart::Server) {
            server.emplace(art);
            HMZ_SPEICHER_ODER_UEBERSPRINGEN(*server);
            const auto kopie = test::hmzres({"copy", "--from", datei, "--to", server->name()});
            ASSERT_EQ(kopie.status, 0) << kopie.fehler.toStdString();
            pfad = server->name();
        }
        db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    }
    void TearDown() override {
        if (db) db->Close();
    }

    std::vector<std::vector<Variant>> zeilen(const QString& sql, const QStringList& felder) {
        auto rs = db->OpenRecordset(sql);
        std::vector<std::vector<Variant>> out;
        while (!rs->Eof()) {
            std::vector<Variant> z;
            for (const auto& f : felder) z.push_back(rs->Fields(f));
            out.push_back(std::move(z));
            rs->MoveNext();
        }
        return out;
    }
};

// What only a file has: paths, locks, journal, SQLite's plans.
class Datenzugriff : public DatenzugriffBasis {
protected:
    void SetUp() override { anlegen(test::Speicherart::Datei); }
};

// What every store does alike.
class DatenzugriffJeSpeicher : public DatenzugriffBasis, public ::testing::WithParamInterface<test::Speicherart> {
protected:
    void SetUp() override { anlegen(GetParam()); }
};

}  // namespace

TEST_P(DatenzugriffJeSpeicher, PropertySelectionWithZeroDateAndType) {
    struct Fall {
        const char *von, *bis, *abrBis;
        std::set<int> objekte;
    } faelle[] = {
        {"1", "10", "31.12.2003", {7, 10}},   // 8 ended in June, 9 has type 1, 11 is outside
        {"1", "10", "30.06.2003", {7, 8, 10}},
        {"7", "7", "31.12.2003", {7}},
        {"11", "11", "31.12.2003", {11}},     // the column's default is the zero date
        {"12", "99", "31.12.2003", {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.abrBis);
        std::set<int> gefunden;
        for (const auto& z : zeilen(objektAuswahl(f.von, f.bis, f.abrBis), {"ObjNummer"})) gefunden.insert(z[0].toLong());
        EXPECT_EQ(gefunden, f.objekte);
    }
    auto rs = db->OpenRecordset(objektAuswahl("7", "7", "31.12.2003"));
    EXPECT_EQ(rs->Fields("objnummer"), Variant::lng(7));
    EXPECT_EQ(rs->Fields("ObjDaten.ObjNummer"), Variant::lng(7));
    EXPECT_EQ(rs->Fields("ObjGueltigBisDatum"), Variant::date(NullDatum));
    EXPECT_TRUE(rs->Fields("ObjHvStatusDatum").istNull());
    EXPECT_EQ(rs->Fields("ObjAnschrift"), Variant::string(QStringLiteral("Hauptstraße 1")));
    EXPECT_EQ(fehlerVon([&] { rs->Fields("ObjGibtEsNicht"); }), nr::FeldFehlt);
}

TEST_P(DatenzugriffJeSpeicher, AccountBalancesLeaveOutMarkedBookings) {
    const QDate jan(2003, 1, 1), dez(2003, 12, 31), jun(2003, 6, 30);
    auto pass1 = zeilen(kontenAuswahl(2003, 2003, "00007", jan, dez, 1, 49),
                        {"KontoNr", "KontoSaldo", "KontoHmzresPos", "KontoHmzresVerdichtKz", "KontoBezeichnung"});
    ASSERT_EQ(pass1.size(), 4u);
    const char* konten[] = {"4000", "4100", "5000", "5100"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pass1[i][0].toString(), konten[i]);
    EXPECT_EQ(pass1[0][1], Variant::currency(betrag("1600.51")));
    EXPECT_EQ(pass1[1][1], Variant::currency(betrag("180")));
    EXPECT_EQ(pass1[2][1], Variant::currency(betrag("-250.25")));
    EXPECT_TRUE(pass1[3][1].istNull());  // no booking qualifies
    EXPECT_EQ(pass1[1][2], Variant::lng(5));
    EXPECT_EQ(pass1[1][3], Variant::lng(2));

    auto pass2 = zeilen(kontenAuswahl(2003, 2003, "00007", jan, dez, 50, 50), {"KontoNr", "KontoSaldo"});
    ASSERT_EQ(pass2.size(), 1u);
    EXPECT_EQ(pass2[0][1], Variant::currency(betrag("120")));

    // The period bounds are inclusive: 31.12. counts for the year, not for the half.
    auto halb = zeilen(kontenAuswahl(2003, 2003, "00007", jan, jun, 1, 1), {"KontoSaldo"});
    EXPECT_EQ(halb.at(0)[0], Variant::currency(betrag("1600.50")));
    // Another property on the same account.
    auto acht = zeilen(kontenAuswahl(2003, 2003, "00008", jan, dez, 1, 1), {"KontoSaldo"});
    EXPECT_EQ(acht.at(0)[0], Variant::currency(betrag("999")));
}

TEST_P(DatenzugriffJeSpeicher, SingleBookingsAndMonthSums) {
    const QDate jan(2003, 1, 1), dez(2003, 12, 31);
    auto rs = db->OpenRecordset(einzelbuchungen(2003, "00007", jan, dez));
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), 11);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("BuKonto").toString(), "4000");
    EXPECT_EQ(rs->Fields("BuDatum"), Variant::date(QDate(2003, 1, 10)));
    EXPECT_EQ(rs->Fields("BuBetrag"), Variant::currency(betrag("1000")));
    EXPECT_EQ(rs->Fields("BuText1"), Variant::string(QStringLiteral("Miete Jänner")));
    EXPECT_TRUE(rs->Fields("BuText2").istNull());
    EXPECT_EQ(rs->Fields("BuSHVorzeichen"), Variant::lng(1));
    auto belege = [&](const char* konto) {
        QList<long> out;
        for (const auto& z : zeilen(einzelbuchungen(2003, "00007", jan, dez), {"BuKonto", "BuBelegNr"}))
            if (z[0].toString() == konto) out << z[1].toLong();
        return out;
    };
    EXPECT_EQ(belege("4000"), (QList<long>{1, 2, 5, 14}));
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {}
    EXPECT_EQ(fehlerVon([&] { rs->MoveNext(); }), nr::KeinAktuellerDatensatz);
    EXPECT_EQ(fehlerVon([&] { rs->Fields("BuDatum"); }), nr::KeinAktuellerDatensatz);

    // rtrim: trailing blanks of the stored account number do not matter, other characters do.
    db->Execute("INSERT INTO ObjKanzleiBuchungen2003 VALUES (20, 7, '4000  ', '2003-05-05', 20, 'a', NULL, 1, 'H', 1, NULL, '10')");
    db->Execute("INSERT INTO ObjKanzleiBuchungen2003 VALUES (21, 7, '4000!', '2003-05-05', 21, 'b', NULL, 1, 'H', 1, NULL, '10')");
    db->Execute("INSERT INTO ObjKanzleiBuchungen2003 VALUES (22, 7, '4000 x', '2003-05-05', 22, 'c', NULL, 1, 'H', 1, NULL, '10')");
    EXPECT_EQ(belege("4000"), (QList<long>{1, 2, 5, 20, 14}));
    db->Execute("DELETE FROM ObjKanzleiBuchungen2003 WHERE BuNr >= 20");

    // Months in order on every store (a server groups by hashing).
    QList<long> folge;
    std::map<long, Currency> monate;
    for (const auto& z : zeilen(monatssummen(2003, "00007", jan, dez), {"BuKonto", "BuMonat", "MonKontoSaldo"})) {
        if (z[0].toString() != "4100") continue;
        EXPECT_EQ(z[2].typ(), VarTyp::Currency);
        folge << z[1].toLong();
        monate[z[1].toLong()] = z[2].toCurrency();
    }
    EXPECT_EQ(folge, (QList<long>{3, 5, 6}));
    EXPECT_EQ(monate, (std::map<long, Currency>{{3, betrag("150")}, {5, betrag("30")}, {6, Currency()}}));
}

TEST_P(DatenzugriffJeSpeicher, DebitCreditSumsAndMissingYear) {
    auto summe = [&](const QString& jahr, bool soll) {
        return db->OpenRecordset(sollHaben(jahr))->Fields(soll ? "SummeSoll" : "SummeHaben");
    };
    EXPECT_EQ(summe("2003", true), Variant::currency(betrag("260.25")));
    EXPECT_EQ(summe("2003", false), Variant::currency(betrag("3409.51")));
    EXPECT_EQ(fehlerVon([&] { summe("2002", true); }), nr::TabelleFehlt);

    for (const auto& sql : schemaBuchungsjahr(2004)) db->Execute(sql);
    EXPECT_TRUE(summe("2004", true).istNull());  // no postings: Null, not 0

    // Sums stay exact and overflow is an error, never a wrap.
    for (int nr : {1, 2})
        db->Execute("INSERT INTO ObjKanzleiBuchungen2004 VALUES (?, 7, '4000', '2004-01-01', 1, 'a', NULL, ?, 'S', -1, NULL, '10')",
                    {Variant::lng(nr), Variant::currency(Currency::fromRaw(9000000000000000000))});
    EXPECT_EQ(fehlerVon([&] { summe("2004", true); }), fehlernr::Ueberlauf);
}

TEST_P(DatenzugriffJeSpeicher, YearSumsReadAndWrittenBack) {
    auto rs = db->OpenRecordset(jahresAuswahl("00007", 2003 - 9, 2003));
    QList<long> jahre;
    for (; !rs->Eof(); rs->MoveNext()) jahre << rs->Fields("HmzJahr").toLong();
    EXPECT_EQ(jahre, (QList<long>{1994, 2000, 2003}));
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("HmzHMZOhneEHB"), Variant::currency(betrag("1000")));

    // The statement's write-back: update the existing year, add a new one.
    auto jahr = db->OpenRecordset(jahresAuswahl("00007", 2003, 2003));
    jahr->Edit();
    jahr->SetField("HmzHMZOhneEHB", Variant::currency(betrag("-12.3456")));
    jahr->SetField("hmzvereinnehb", Variant::currency(betrag("7")));
    jahr->Update();
    EXPECT_EQ(jahr->Fields("HmzHMZOhneEHB"), Variant::currency(betrag("-12.3456")));

    auto neu = db->OpenRecordset(jahresAuswahl("00007", 2005, 2005));
    EXPECT_EQ(neu->RecordCount(), 0);
    neu->AddNew();
    neu->SetField("HmzObjNr", Variant::string(QStringLiteral("00007")));
    neu->SetField("HmzJahr", Variant::lng(2005));
    neu->SetField("HmzHMZOhneEHB", Variant::currency(betrag("1.5")));
    neu->SetField("HmzVereinnEHB", Variant::lng(2));
    neu->Update();
    EXPECT_EQ(neu->RecordCount(), 1);
    EXPECT_EQ(neu->Fields("HmzObjNr"), Variant::lng(7));  // stored as the number
    EXPECT_EQ(neu->Fields("HmzVereinnEHB"), Variant::currency(betrag("2")));

    auto pruefen = zeilen(jahresAuswahl("00007", 2003, 2005), {"HmzJahr", "HmzHMZOhneEHB", "HmzVereinnEHB"});
    ASSERT_EQ(pruefen.size(), 3u);
    EXPECT_EQ(pruefen[0][1], Variant::currency(betrag("-12.3456")));
    EXPECT_EQ(pruefen[2][0], Variant::lng(2005));
    EXPECT_EQ(pruefen[2][1], Variant::currency(betrag("1.5")));
    // Written in the stored format: ten-thousandths.
    auto roh = zeilen("SELECT HmzHMZOhneEHB * 1 AS roh FROM ObjHmzResJahresSummen WHERE HmzJahr = 2005", {"roh"});
    EXPECT_EQ(roh.at(0)[0].typ(), VarTyp::Currency);
    EXPECT_EQ(roh.at(0)[0].toCurrency().raw(), 15000);
}

TEST_F(Datenzugriff, BookingQueriesUseTheIndex) {
    class Schema : public SchemaInfo {
        bool isDateColumn(QStringView n) const override { return n.compare(u"BuDatum", Qt::CaseInsensitive) == 0; }
        bool isCurrencyColumn(QStringView) const override { return false; }
        bool isTable(QStringView) const override { return false; }
        bool isTextColumn(QStringView n) const override { return n.compare(u"BuKontoNr", Qt::CaseInsensitive) == 0; }
    } schema;
    const QDate jan(2003, 1, 1), dez(2003, 12, 31);
    auto plan = [&](const QString& sql) {
        const auto roh = testhilfe::oeffnen(pfad, Passwort);
        return testhilfe::spalte(roh.get(), "EXPLAIN QUERY PLAN " + translate(sql, schema).sql, 3).join(u'\n');
    };
    for (const QString& sql : {kontenAuswahl(2003, 2003, "00007", jan, dez, 1, 49), einzelbuchungen(2003, "00007", jan, dez),
                               monatssummen(2003, "00007", jan, dez)}) {
        const QString p = plan(sql);
        EXPECT_TRUE(p.contains("USING INDEX ObjKanzleiBuchungen2003_ObjKonto")) << p.toStdString();
        EXPECT_FALSE(p.contains("SCAN TABLE ObjKanzleiBuchungen2003")) << p.toStdString();
    }
    // Each account's balance is found through the index; the bookings are the property's.
    EXPECT_TRUE(plan(kontenAuswahl(2003, 2003, "00007", jan, dez, 1, 49)).contains("BuObjNr=? AND BuKontoNr=?"));
    EXPECT_TRUE(plan(einzelbuchungen(2003, "00007", jan, dez)).contains("BuObjNr=?"));

    db->Execute("DROP INDEX ObjKanzleiBuchungen2003_ObjKonto");
    EXPECT_FALSE(plan(einzelbuchungen(2003, "00007", jan, dez)).contains("USING INDEX"));
    buchungsIndexSicherstellen(*db, 2003);
    buchungsIndexSicherstellen(*db, 1999);  // no such year: nothing to do
    EXPECT_TRUE(plan(einzelbuchungen(2003, "00007", jan, dez)).contains("USING INDEX ObjKanzleiBuchungen2003_ObjKonto"));
    EXPECT_EQ(fehlerVon([&] { db->OpenRecordset("SELECT * FROM ObjKanzleiBuchungen1999"); }), nr::TabelleFehlt);
    // The debit/credit sums of the balance check read the small index, not the table.
    const QString sh = plan(sollHaben("2003"));
    EXPECT_EQ(sh.count("USING COVERING INDEX ObjKanzleiBuchungen2003_SH"), 2) << sh.toStdString();
}

TEST_P(DatenzugriffJeSpeicher, RecordsetOperations) {
    auto rs = db->OpenRecordset("SELECT * FROM ObjDaten ORDER BY ObjNummer");
    EXPECT_FALSE(rs->Bof());
    rs->FindFirst("ObjNummer = 10");
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(rs->Fields("ObjAnschrift").toString(), "Weg 4");
    rs->FindFirst("ObjNummer = 99");
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_EQ(rs->Fields("ObjNummer"), Variant::lng(10));  // position kept
    rs->FindFirst("ObjTypus = 0 AND ObjGueltigBisDatum > datevalue('01.01.2004')");
    EXPECT_EQ(rs->Fields("ObjNummer"), Variant::lng(10));
    EXPECT_EQ(rs->RecordCount(), 5);
    EXPECT_EQ(fehlerVon([&] { rs->FindFirst("ObjNummer ="); }), nr::SyntaxFehler);
    EXPECT_EQ(fehlerVon([&] { rs->FindFirst("Unbekannt = 1"); }), nr::FeldFehlt);

    EXPECT_EQ(fehlerVon([&] { rs->Update(); }), nr::Aktualisierung);
    EXPECT_EQ(fehlerVon([&] { rs->SetField("ObjOrt", Variant::string("x")); }), nr::Aktualisierung);
    rs->Edit();
    EXPECT_EQ(fehlerVon([&] { rs->SetField("Unbekannt", Variant::lng(1)); }), nr::FeldFehlt);
    rs->SetField("ObjHvStatusDatum", Variant::date(QDate(2003, 11, 30)));
    EXPECT_EQ(rs->Fields("ObjHvStatusDatum"), Variant::date(QDate(2003, 11, 30)));  // the edit buffer
    rs->Update();
    auto geprueft = db->OpenRecordset("SELECT ObjHvStatusDatum FROM ObjDaten WHERE ObjNummer = 10");
    EXPECT_EQ(geprueft->Fields("ObjHvStatusDatum"), Variant::date(QDate(2003, 11, 30)));

    // Moving away cancels an edit.
    rs->MoveFirst();
    rs->Edit();
    rs->SetField("ObjOrt", Variant::string("verworfen"));
    rs->MoveNext();
    EXPECT_EQ(fehlerVon([&] { rs->Update(); }), nr::Aktualisierung);

    auto leer = db->OpenRecordset("SELECT * FROM ObjDaten WHERE ObjNummer = 4711");
    EXPECT_TRUE(leer->Eof());
    EXPECT_TRUE(leer->Bof());
    EXPECT_EQ(leer->RecordCount(), 0);
    EXPECT_EQ(fehlerVon([&] { leer->MoveFirst(); }), nr::KeinAktuellerDatensatz);
    EXPECT_EQ(fehlerVon([&] { leer->MoveLast(); }), nr::KeinAktuellerDatensatz);
    EXPECT_EQ(fehlerVon([&] { leer->Edit(); }), nr::KeinAktuellerDatensatz);

    auto summe = db->OpenRecordset(sollHaben("2003"));
    EXPECT_EQ(fehlerVon([&] { summe->AddNew(); }), nr::NurLesen);
    summe->Close();
    EXPECT_EQ(fehlerVon([&] { summe->MoveFirst(); }), nr::ObjektUngueltig);

    // A key that exists already: the file refuses it; the server stores the
    // new row over it, so that two programs adding one year row both succeed.
    auto doppelt = db->OpenRecordset("SELECT * FROM ObjDaten WHERE ObjNummer = 7");
    doppelt->AddNew();
    doppelt->SetField("ObjNummer", Variant::lng(8));
    doppelt->SetField("ObjAnschrift", Variant::string("neu"));
    const bool datei = GetParam() == test::Speicherart::Datei;
    EXPECT_EQ(fehlerVon([&] { doppelt->Update(); }), datei ? nr::DoppelterSchluessel : 0);
    EXPECT_EQ(db->OpenRecordset("SELECT ObjAnschrift FROM ObjDaten WHERE ObjNummer = 8")->Fields("ObjAnschrift").toString(),
              datei ? "Gasse 2" : "neu");
}

// Whether two databases share one connection: a transaction begun on one is
// the other's to end.
bool teilen(Database& x, Database& y) {
    x.BeginTrans();
    try {
        y.CommitTrans();
        return true;
    } catch (const Fehler&) {
        x.CommitTrans();
        return false;
    }
}

TEST_P(DatenzugriffJeSpeicher, DataControlsShareOneConnectionAndHoldNoResultAfterAFailure) {
    DataControl a, b;
    for (DataControl* c : {&a, &b}) {
        c->DatabaseName = pfad;
        c->Connect = Connect;
    }
    EXPECT_FALSE(a.hatRecordset());
    EXPECT_EQ(fehlerVon([&] { a.recordset(); }), 91);
    a.RecordSource = "SELECT * FROM AllgMandDaten; ";
    a.Refresh();
    b.RecordSource = "SELECT * FROM ObjDaten";
    b.Refresh();
    EXPECT_TRUE(teilen(a.database(), b.database()));
    EXPECT_TRUE(teilen(a.database(), *db));  // the open database shares it too
    EXPECT_EQ(a.recordset().Fields("MandEurKurs"), Variant::currency(betrag("13.7603")));
    EXPECT_EQ(a.recordset().Fields("MandMonStatusDatum"), Variant::date(QDate(2003, 12, 31)));

    a.RecordSource = "SELECT * FROM Fehlt";
    EXPECT_EQ(fehlerVon([&] { a.Refresh(); }), nr::TabelleFehlt);
    EXPECT_EQ(fehlerVon([&] { a.recordset(); }), 91);  // the previous result is not there to be misread

    // Transactions of the run on the shared connection.
    Database& d = a.database();
    d.BeginTrans();
    d.Execute("UPDATE AllgMandDaten SET MandOrt = 'Graz'");
    d.BeginTrans();
    d.Execute("UPDATE AllgMandDaten SET MandName2 = 'x'");
    d.Rollback();
    d.CommitTrans();
    a.RecordSource = "SELECT * FROM AllgMandDaten";
    a.Refresh();
    EXPECT_EQ(a.recordset().Fields("MandOrt").toString(), "Graz");
    EXPECT_TRUE(a.recordset().Fields("MandName2").istNull());
    d.BeginTrans();
    d.Execute("DELETE FROM AllgMandDaten");
    d.Rollback();
    EXPECT_EQ(fehlerVon([&] { d.CommitTrans(); }), nr::OhneTransaktion);
    EXPECT_EQ(fehlerVon([&] { d.Execute("SELECT * FROM AllgMandDaten"); }), nr::KeineAuswahl);
    a.Refresh();
    EXPECT_EQ(a.recordset().RecordCount(), 1);

    // Another file: the control follows its DatabaseName.
    const QString zweite = dir.filePath("zweite.db");
    testdb::anlegen(zweite, Passwort, false);
    a.DatabaseName = zweite;
    a.Refresh();
    EXPECT_TRUE(a.recordset().Eof());
    EXPECT_FALSE(teilen(a.database(), b.database()));
    a.trennen();
    b.trennen();
}

TEST_F(Datenzugriff, BadPathsGiveClearNumbersAndLeaveFilesAlone) {
    db->Close();
    db.reset();
    const QString text = dir.filePath("notiz.txt");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Das ist keine Datenbank.\n");
    }
    const QString plain = dir.filePath("plain.db");
    testdb::anlegen(plain, QString());
    const QString andere = dir.filePath("andere.db");
    testdb::anlegen(andere, QStringLiteral("anderes"));
    QDir(dir.path()).mkdir("ordner");

    struct Fall {
        QString datei;
        QString connect;
        bool exklusiv;
        long nummer;
    } faelle[] = {
        {dir.filePath("fehlt.db"), Connect, false, nr::DateiNichtGefunden},
        {QString(), Connect, false, nr::DateiNichtGefunden},
        {dir.filePath("ordner"), Connect, false, nr::KeinGueltigerPfad},
        {text, Connect, false, nr::KeineDatenbank},
        {text, ";PWD=", true, nr::KeineDatenbank},
        {andere, Connect, false, nr::KeinGueltigesPasswort},
        {plain, ";pwd=gartenzaunes4", false, nr::KeinGueltigesPasswort},
        {pfad, ";PWD=", true, nr::KeinGueltigesPasswort},
        {pfad, "Access 2000;pwd=falsch;", false, nr::KeinGueltigesPasswort},
        {pfad, "Access 2000;pwd=gartenzaunes4;", false, 0},
        {plain, ";PWD=", false, 0},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE((f.datei + " " + f.connect).toStdString());
        const QByteArray vorher = testdb::pruefsumme(f.datei);
        EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(f.datei, f.exklusiv, false, f.connect)->Close(); }), f.nummer);
        EXPECT_EQ(testdb::pruefsumme(f.datei), vorher);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("fehlt.db")));
    EXPECT_EQ(fehlerVon([&] { Engine::instance().CreateDatabase(pfad, Passwort); }), nr::DatenbankExistiert);
}

// A database that cannot be written names the file or the folder at fault,
// in German, with the engine's number; a run can ask before its work.
TEST_F(Datenzugriff, WriteProtectionNamesTheFileOrTheFolder) {
    db->Close();
    db.reset();
    const QString ordner = QFileInfo(pfad).absolutePath();
    const auto meldung = [](const std::function<void()>& tun) {
        try {
            tun();
        } catch (const Fehler& e) {
            return QStringLiteral("%1 %2").arg(e.Nummer()).arg(e.Beschreibung());
        }
        return QString();
    };
    struct Fall {
        QString geschuetzt;
        QString grund;
        QString beimSchreiben;  // the engine's number and the start of its text
    } faelle[] = {
        {pfad, "die Datei '" + pfad + "' ist schreibgeschützt", "3027 Aktualisieren nicht möglich: "},
        // SQLite cannot create its journal: the open for the write fails, and the folder is named.
        {ordner, "im Ordner '" + ordner + "' können keine Dateien angelegt werden",
         "3051 Die Datei '" + pfad + "' kann nicht geöffnet werden: "},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.geschuetzt.toStdString());
        // With its log files in place a protected folder would not stop the write.
        QFile::remove(pfad + "-wal");
        QFile::remove(pfad + "-shm");
        test::Schreibschutz schutz(f.geschuetzt);
        if (!schutz.wirksam()) GTEST_SKIP() << "no write protection for root on this file system";
        const QString vorab = meldung([&] { schreibbarPruefen(pfad); });
        EXPECT_TRUE(vorab.startsWith("3027 Aktualisieren nicht möglich: " + f.grund)) << vorab.toStdString();
        const QString schreiben = meldung([&] {
            Engine::instance().OpenDatabase(pfad, false, false, Connect)->Execute("UPDATE ObjDaten SET ObjPlz = '1010'");
        });
        EXPECT_TRUE(schreiben.startsWith(f.beimSchreiben + f.grund)) << schreiben.toStdString();
    }
    EXPECT_EQ(meldung([&] { schreibbarPruefen(pfad); }), QString());
}

TEST_F(Datenzugriff, ExclusiveOpenExcludesOthers) {
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, true, false, Connect); }), nr::Gesperrt);
    db->Close();
    auto exklusiv = Engine::instance().OpenDatabase(pfad, true, false, Connect);
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, false, false, Connect); }), nr::ExklusivGeoeffnet);
    EXPECT_EQ(fehlerVon([&] { exklusiv->NewPassword("falsch", "neu"); }), nr::KeinGueltigesPasswort);
    exklusiv->Close();
    db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    EXPECT_EQ(fehlerVon([&] { db->NewPassword(Passwort, "neu"); }), nr::NichtExklusiv);
}

TEST_F(Datenzugriff, FilesAreWrittenAheadFromCreationAndOlderOnesFromTheirFirstWritingOpen) {
    auto modus = [](sqlite3* h) { return testhilfe::spalte(h, "PRAGMA journal_mode").value(0); };
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*db)), "wal");
    db->Close();
    db.reset();
    // A file made before: rollback journal until it is first opened for writing.
    testdb::exec(hmz::testhilfe::verbinden(pfad, Passwort, false).get(), "PRAGMA journal_mode = DELETE");
    auto lesen = Engine::instance().OpenDatabase(pfad, false, true, Connect);
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*lesen)), "delete");
    lesen->Close();
    db = Engine::instance().OpenDatabase(pfad, false, false, Connect);
    EXPECT_EQ(modus(hmz::db::sqliteHandle(*db)), "wal");
    EXPECT_EQ(db->OpenRecordset("SELECT COUNT(*) AS n FROM ObjKanzleiBuchungen2003")->Fields("n"), Variant::lng(14));
    EXPECT_EQ(fehlerVon([&] { Engine::instance().OpenDatabase(pfad, false, true, ";PWD=")->Close(); }),
              nr::KeinGueltigesPasswort);  // still encrypted
}

TEST_P(DatenzugriffJeSpeicher, TransactionGuardCommitsOnlyWhenToldAndNeverLeavesOneOpen) {
    auto objekte = [&] {
        auto anderer = Engine::instance().OpenDatabase(pfad, false, true, Connect);  // read-only: a connection of its own
        return anderer->OpenRecordset("SELECT COUNT(*) AS n FROM ObjDaten")->Fields("n").toLong();
    };
    const auto vorher = objekte();
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (100)");
    }
    EXPECT_EQ(objekte(), vorher);
    EXPECT_EQ(fehlerVon([&] {
                  Transaktion t(*db);
                  db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (101)");
                  db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (7)");
                  t.commit();
              }),
              nr::DoppelterSchluessel);
    EXPECT_EQ(objekte(), vorher);
    EXPECT_EQ(fehlerVon([&] { db->CommitTrans(); }), nr::OhneTransaktion);  // none left open
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (102)");
        EXPECT_EQ(objekte(), vorher);  // not before the commit
        t.commit();
    }
    EXPECT_EQ(objekte(), vorher + 1);
    if (GetParam() != test::Speicherart::Datei) return;

    sqlite3* h = sqliteHandle(*db);
    // A COMMIT that fails (a deferred key check) is reported and rolled back.
    testdb::exec(h, "PRAGMA foreign_keys = ON; CREATE TABLE Kind (ObjNr INTEGER REFERENCES ObjDaten (ObjNummer) "
                    "DEFERRABLE INITIALLY DEFERRED)");
    EXPECT_NE(fehlerVon([&] {
                  Transaktion t(*db);
                  db->Execute("INSERT INTO Kind VALUES (999)");
                  t.commit();
              }),
              0);
    EXPECT_NE(sqlite3_get_autocommit(h), 0);
    // The engine ended a transaction behind the layer's back: a commit says so.
    db->BeginTrans();
    testdb::exec(h, "ROLLBACK");
    EXPECT_EQ(fehlerVon([&] { db->CommitTrans(); }), nr::Allgemein);
    // The next transaction is a real one, not a savepoint in a dead one.
    {
        Transaktion t(*db);
        db->Execute("INSERT INTO ObjDaten (ObjNummer) VALUES (103)");
        t.commit();
    }
    EXPECT_EQ(objekte(), vorher + 2);
}

TEST_F(Datenzugriff, AnotherProgramsWritesAreWaitedForAndNeverHeldUpByAHalfReadResult) {
    sqlite3* h = hmz::db::sqliteHandle(*db);
    auto fremd = hmz::testhilfe::verbinden(pfad, Passwort, false);
    // A result read only in part, then another program's commit: our next
    // write transaction neither fails at once nor misses that commit.
    auto objekte = db->OpenRecordset("SELECT * FROM ObjDaten ORDER BY ObjNummer");
    EXPECT_EQ(objekte->Fields("ObjNummer"), Variant::lng(7));
    testdb::exec(fremd.get(), "UPDATE AllgMandDaten SET MandOrt = 'Linz'");
    {
        Transaktion t(*db);
        db->Execute("UPDATE AllgMandDaten SET MandName2 = 'zwei'");
        t.commit();
    }
    EXPECT_EQ(db->OpenRecordset("SELECT MandOrt FROM AllgMandDaten")->Fields("MandOrt").toString(), "Linz");

    // A writer busy for a moment is waited for.
    testdb::exec(fremd.get(), "BEGIN IMMEDIATE; UPDATE AllgMandDaten SET MandOrt = 'Graz'");
    std::thread andererSchreiber([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        testdb::exec(fremd.get(), "COMMIT");
    });
    {
        Transaktion t(*db);
        db->Execute("UPDATE AllgMandDaten SET MandName3 = 'drei'");
        t.commit();
    }
    andererSchreiber.join();

    // Only when the wait runs out: 3045, saying what to do.
    testdb::exec(fremd.get(), "BEGIN IMMEDIATE");
    sqlite3_busy_timeout(h, 100);
    for (const auto& schreiben : std::vector<std::function<void()>>{
             [&] { Transaktion t(*db); },
             [&] { db->Execute("UPDATE AllgMandDaten SET MandOrt = 'Wels'"); }}) {
        try {
            schreiben();
            ADD_FAILURE() << "no error";
        } catch (const Fehler& e) {
            EXPECT_EQ(e.Nummer(), nr::Gesperrt);
            EXPECT_TRUE(e.Beschreibung().contains("von einem anderen Programm benutzt")) << e.Beschreibung().toStdString();
        }
    }
    testdb::exec(fremd.get(), "ROLLBACK");
    sqlite3_busy_timeout(h, busyTimeout());
    EXPECT_EQ(db->OpenRecordset("SELECT MandOrt || MandName3 AS x FROM AllgMandDaten")->Fields("x").toString(), "Grazdrei");
}

INSTANTIATE_TEST_SUITE_P(Speicher, DatenzugriffJeSpeicher, testing::Values(test::Speicherart::Datei, test::Speicherart::Server),
                         test::speicherName);
