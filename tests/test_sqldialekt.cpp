#include "core/fehler.h"
#include "store/datenzugriff.h"
#include "store/sqldialekt.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace hmz::db;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

class StubSchema : public SchemaInfo {
public:
    bool isDateColumn(QStringView n) const override { return has({"budatum", "objgueltigbisdatum", "objhvstatusdatum"}, n); }
    bool isCurrencyColumn(QStringView n) const override { return has({"bubetrag", "hmzhmzohneehb"}, n); }
    bool isTable(QStringView n) const override { return has({"allgeinstellungen", "objdaten", "objkanzleibuchungen2003"}, n); }
    bool isTextColumn(QStringView n) const override { return has({"bukontonr", "bukorrkz"}, n); }

private:
    static bool has(std::initializer_list<const char*> names, QStringView n) {
        for (const char* x : names)
            if (n.compare(QLatin1String(x), Qt::CaseInsensitive) == 0) return true;
        return false;
    }
};

QString show(const std::vector<SqlValue>& params) {
    QStringList out;
    for (const auto& p : params) {
        if (const auto* i = std::get_if<std::int64_t>(&p)) out << QStringLiteral("i:%1").arg(*i);
        else if (const auto* d = std::get_if<double>(&p)) out << QStringLiteral("d:%1").arg(*d);
        else if (const auto* t = std::get_if<QString>(&p)) out << QStringLiteral("t:") + *t;
        else out << QStringLiteral("null");
    }
    return out.join(u'|');
}

long errorOf(const char* sql) {
    try {
        (void)translate(QString::fromUtf8(sql), StubSchema());
    } catch (const hmz::Fehler& f) {
        return f.Nummer();
    }
    return 0;
}

}  // namespace

TEST(SqlDialekt, TranslatesTheDesktopDialectForEitherStore) {
    constexpr Dialekt PG = Dialekt::PostgreSQL;
    struct Case {
        const char* in;
        const char* sql;
        const char* params;
        Dialekt dialekt = Dialekt::SQLite;
    } cases[] = {
        // Literals become parameters: other properties and periods share one prepared statement.
        {"SELECT * FROM AllgEinstellungen WHERE AllgEinstNr = 149",
         "SELECT _rowid_ AS hmz_rowid, * FROM AllgEinstellungen WHERE AllgEinstNr = ?", "i:149"},
        {"SELECT * FROM AllgMandDaten; ", "SELECT * FROM AllgMandDaten", ""},
        {"SELECT a FROM t WHERE BuDatum Between datevalue('01.01.2003') AND datevalue('31.12.2003')",
         "SELECT a FROM t WHERE BuDatum Between ? AND ?", "t:2003-01-01|t:2003-12-31"},
        {"SELECT a FROM t WHERE (isnull(BuKorrKZ) or rtrim(BuKorrKZ) = '')",
         "SELECT a FROM t WHERE ((BuKorrKZ IS NULL) or rtrim(BuKorrKZ) = ?)", "t:"},
        {"SELECT datepart('m', BuDatum) as M FROM t GROUP BY  datepart('m', BuDatum)",
         "SELECT CAST(strftime('%m', BuDatum) AS INTEGER) as M FROM t GROUP BY CAST(strftime('%m', BuDatum) AS INTEGER)", ""},
        {"SELECT SUM([BuBetrag] * BuSHVorzeichen) FROM t", "SELECT SUM(\"BuBetrag\" * BuSHVorzeichen) FROM t", ""},
        // A DATE column compared with a number compares with that day; 0 is "no date".
        {"SELECT a FROM t WHERE ObjGueltigBisDatum = 0", "SELECT a FROM t WHERE ObjGueltigBisDatum = ?", "t:1899-12-30"},
        {"SELECT a FROM t WHERE 0 <> ObjDaten.ObjGueltigBisDatum", "SELECT a FROM t WHERE ? <> ObjDaten.ObjGueltigBisDatum",
         "t:1899-12-30"},
        {"SELECT a FROM t WHERE BuDatum >= 37622", "SELECT a FROM t WHERE BuDatum >= ?", "t:2003-01-01"},
        {"SELECT a FROM t WHERE AllgEinstWert = 0", "SELECT a FROM t WHERE AllgEinstWert = ?", "i:0"},
        {"SELECT a FROM t WHERE NOT BuArt = '90'", "SELECT a FROM t WHERE NOT BuArt = ?", "t:90"},
        {"SELECT a FROM t WHERE (ObjNummer between 00007 AND 12) ", "SELECT a FROM t WHERE (ObjNummer between ? AND ?)", "i:7|i:12"},
        {"SELECT a FROM t ORDER BY 2, KontoNr  ", "SELECT a FROM t ORDER BY 2, KontoNr", ""},
        {"SELECT a & 'x' FROM t WHERE b = 'it''s' OR c = \"Jet\" OR d <> 1.5",
         "SELECT a || ? FROM t WHERE b = ? OR c = ? OR d <> ?", "t:x|t:it's|t:Jet|d:1.5"},
        {"SELECT a FROM t WHERE d = #12/31/2003# AND e = -5", "SELECT a FROM t WHERE d = ? AND e = - ?", "t:2003-12-31|i:5"},
        // "--" must never reach SQLite as a comment.
        {"SELECT a --1 FROM t", "SELECT a - - ? FROM t", "i:1"},
        // rtrim on a TEXT column gets an index-friendly range beside it.
        {"SELECT a FROM t WHERE BuObjNr = 7 AND rtrim(BuKontoNr) = '4000' ORDER BY a",
         "SELECT a FROM t WHERE BuObjNr = ? AND (rtrim(BuKontoNr) = ? AND BuKontoNr >= ? AND BuKontoNr < ?) ORDER BY a",
         "i:7|t:4000|t:4000|t:4000!"},
        {"SELECT a FROM t JOIN u ON rtrim(BuKontoNr) = 'x' GROUP BY a HAVING rtrim(BuKontoNr) = 'y'",
         "SELECT a FROM t JOIN u ON (rtrim(BuKontoNr) = ? AND BuKontoNr >= ? AND BuKontoNr < ?) GROUP BY a HAVING "
         "(rtrim(BuKontoNr) = ? AND BuKontoNr >= ? AND BuKontoNr < ?)",
         "t:x|t:x|t:x!|t:y|t:y|t:y!"},
        {"SELECT a FROM t WHERE rtrim(BuKontoNr) = 'x' || 'y'", "SELECT a FROM t WHERE rtrim(BuKontoNr) = ? || ?", "t:x|t:y"},
        {"SELECT a FROM t WHERE rtrim(BuKontoNr) = 'x '", "SELECT a FROM t WHERE rtrim(BuKontoNr) = ?", "t:x "},
        {"SELECT a FROM t WHERE rtrim(KontoNr) = 'x'", "SELECT a FROM t WHERE rtrim(KontoNr) = ?", "t:x"},
        {"CREATE TABLE x (a DATE NOT NULL DEFAULT '1899-12-30', b INTEGER DEFAULT 0)",
         "CREATE TABLE x(a DATE NOT NULL DEFAULT '1899-12-30', b INTEGER DEFAULT 0)", ""},
        // The server: its own functions, types and numbered parameters.
        {"SELECT SUM([BuBetrag] * BuSHVorzeichen) as S, datepart('m', BuDatum) as M FROM t WHERE BuObjNr = 7 "
         "AND BuDatum BETWEEN datevalue('01.01.2003') AND datevalue('31.12.2003') GROUP BY datepart('m', BuDatum)",
         "SELECT SUM(bubetrag * BuSHVorzeichen) as S, CAST(EXTRACT(MONTH FROM BuDatum) AS INTEGER) as M FROM t "
         "WHERE BuObjNr = $1 AND BuDatum BETWEEN $2 AND $3 GROUP BY CAST(EXTRACT(MONTH FROM BuDatum) AS INTEGER)",
         "i:7|t:2003-01-01|t:2003-12-31", PG},
        {"SELECT a FROM t WHERE ObjGueltigBisDatum = 0 AND [Mein Feld] = nz(b, ?)",
         "SELECT a FROM t WHERE ObjGueltigBisDatum = $1 AND \"mein feld\" = coalesce(b, $2)", "t:1899-12-30|i:0",
         PG},
        {"SELECT datepart('w', BuDatum) FROM t", "SELECT (CAST(EXTRACT(DOW FROM BuDatum) AS INTEGER) + 1) FROM t", "",
         PG},
        {"CREATE TABLE x (n INTEGER PRIMARY KEY, a CURRENCY, b DATE DEFAULT '1899-12-30', c REAL, d BLOB, e DATETIME)",
         "CREATE TABLE x(n INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, a NUMERIC(19,4), b DATE DEFAULT '1899-12-30', "
         "c DOUBLE PRECISION, d BYTEA, e TIMESTAMP)", "", PG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const Translation t = translate(QString::fromUtf8(c.in), StubSchema(), c.dialekt);
        EXPECT_EQ(t.sql, QString::fromUtf8(c.sql));
        EXPECT_EQ(show(t.params), QString::fromUtf8(c.params));
    }
}

TEST(SqlDialekt, RejectsWhatItCannotRead) {
    struct Case {
        const char* in;
        long nummer;
    } cases[] = {
        {"SELECT 'abc", nr::SyntaxFehler},
        {"SELECT [abc FROM t", nr::SyntaxFehler},
        {"SELECT a FROM t; DROP TABLE t", nr::SyntaxFehler},
        {"SELECT $1 FROM t", nr::SyntaxFehler},
        {"CREATE TABLE x (a INTEGER DEFAULT ?)", nr::SyntaxFehler},
        {"SELECT (a FROM t", nr::SyntaxFehler},
        {"SELECT 12abc FROM t", nr::SyntaxFehler},
        {"SELECT a FROM t WHERE d = datevalue(x)", nr::SyntaxFehler},
        {"SELECT a FROM t WHERE d = datevalue('31.02.2003')", nr::TypKonflikt},
        {"SELECT a FROM t WHERE d = #13/45/2003#", nr::TypKonflikt},
        {"SELECT datepart('zz', d) FROM t", nr::SyntaxFehler},
        {"SELECT a FROM t WHERE b = @x", nr::SyntaxFehler},
        {"   ", nr::SyntaxFehler},
        {"SELECT a FROM t WHERE d = datevalue('01.01.2003')", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf(c.in), c.nummer) << c.in;
}

TEST(SqlDialekt, MarksCurrencyResultsAndWritableSources) {
    struct Case {
        const char* in;
        std::vector<int> columns;
        const char* aliases;
        const char* table;
    } cases[] = {
        {"SELECT (Select SUM(BuBetrag * BuShVorzeichen) as SSS  from ObjKanzleiBuchungen2003 WHERE BuObjNr = 7) as KontoSaldo, "
         " KontoNr FROM k",
         {0}, "KontoSaldo", ""},
        {"SELECT SUM(buBetrag) as Summe FROM ObjKanzleiBuchungen2003 WHERE BuSH = 'S'", {0}, "Summe", ""},
        {"SELECT BuDatum, BuBetrag, BuBetrag * 2 FROM ObjKanzleiBuchungen2003", {2}, "", "ObjKanzleiBuchungen2003"},
        {"SELECT COUNT(BuBetrag) as n FROM x", {}, "", ""},
        {"SELECT *, SUM(BuBetrag) AS s FROM x", {}, "s", ""},
        {"SELECT DISTINCT BuObjNr FROM ObjKanzleiBuchungen2003", {}, "", ""},
        {"SELECT ObjNummer FROM ObjDaten, AllgEinstellungen", {}, "", ""},
        {"SELECT * FROM ObjDaten WHERE ObjNummer = 7 ORDER BY ObjNummer", {}, "", "ObjDaten"},
        {"SELECT ObjNummer FROM ObjDaten GROUP BY ObjNummer", {}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        const Translation t = translate(QString::fromUtf8(c.in), StubSchema());
        EXPECT_EQ(t.currencyColumns, c.columns);
        EXPECT_EQ(t.currencyAliases.join(u','), QString::fromUtf8(c.aliases));
        EXPECT_EQ(t.table, QString::fromUtf8(c.table));
        EXPECT_EQ(t.hasRowid, !t.table.isEmpty());
    }
}

TEST(SqlDialekt, FindFirstCriteria) {
    auto field = [](const QString& name) {
        if (name.compare(QLatin1String("AllgEinstNr"), Qt::CaseInsensitive) == 0) return hmz::Variant::lng(149);
        if (name == QLatin1String("Text")) return hmz::Variant::string(QStringLiteral("Euro"));
        if (name == QLatin1String("Datum")) return hmz::Variant::date(QDate(2003, 12, 31));
        if (name == QLatin1String("Betrag")) return hmz::Variant::currency(hmz::Currency::fromRaw(12345000));
        if (name == QLatin1String("Leer")) return hmz::Variant::null();
        throw hmz::Fehler(nr::FeldFehlt, QStringLiteral("Item not found in this collection."));
    };
    struct Case {
        const char* text;
        bool match;
    } cases[] = {
        {"AllgEinstNr = 149", true},
        {"AllgEinstNr <> 149 OR Text = 'euro'", true},
        {"AllgEinstNr >= 100 AND NOT (Text = 'ATS')", true},
        {"Datum = datevalue('31.12.2003')", true},
        {"Datum < #1/1/2003#", false},
        {"Betrag = 1234.5", true},
        {"Leer = 0", false},
        {"NOT Leer = 0", false},
        {"Leer IS NULL AND isnull(Leer)", true},
        {"[AllgEinstNr] = 149", true},
    };
    for (const auto& c : cases) EXPECT_EQ(Criteria(QString::fromUtf8(c.text)).matches(field), c.match) << c.text;

    for (const char* bad : {"", "AllgEinstNr =", "AllgEinstNr 149", "= 149", "AllgEinstNr = 149 149", "(AllgEinstNr = 1"}) {
        try {
            Criteria(QString::fromUtf8(bad)).matches(field);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const hmz::Fehler& f) {
            EXPECT_EQ(f.Nummer(), nr::SyntaxFehler) << bad;
        }
    }
}
