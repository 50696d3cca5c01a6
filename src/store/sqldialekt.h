// The SQL dialect translator: turns the desktop engine's SQL texts, as the
// component builds them, into SQLite or PostgreSQL. It works on tokens, never
// on raw text (SQLite shown; PostgreSQL writes "$1" for "?", names unquoted in
// lower case, EXTRACT for strftime, NUMERIC(19,4) for CURRENCY in DDL):
//   datevalue('31.12.2003')    -> a date parameter '2003-12-31'
//   isnull(x)                  -> (x IS NULL)
//   datepart('m', x)           -> CAST(strftime('%m', x) AS INTEGER)
//   [Name]                     -> "Name"
//   DateColumn = 0             -> DateColumn = '1899-12-30' (number = day serial)
//   a & b                      -> a || b
//   rtrim(TextColumn) = 'x'    -> (rtrim(TextColumn) = 'x' AND TextColumn >= 'x'
//                                  AND TextColumn < 'x!'), the same rows, but the
//                                  column's index can be used
// Every literal of the input becomes a bound parameter, so the texts built for
// different properties and accounts translate to one statement text that the
// connection prepares once. This is also the only place that knows which
// backend dialect is spoken.
#pragma once

#include "core/variant.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace hmz::db {

// What the translator needs to know about the schema.
class SchemaInfo {
public:
    virtual ~SchemaInfo() = default;
    virtual bool isDateColumn(QStringView name) const = 0;
    virtual bool isCurrencyColumn(QStringView name) const = 0;
    virtual bool isTable(QStringView name) const = 0;
    virtual bool isTextColumn(QStringView /*name*/) const { return false; }
};

using SqlValue = std::variant<std::int64_t, double, QString, std::monostate>;  // monostate: Null

enum class Dialekt { SQLite, PostgreSQL };

struct Translation {
    QString sql;                     // backend text, literals replaced by "?" ("$n")
    std::vector<SqlValue> params;    // values of the "?" in order
    std::vector<std::size_t> platzhalter;  // the caller's own "?": where in params their values go
    bool isQuery = false;            // a SELECT
    bool isDdl = false;              // CREATE, DROP, ALTER ... (literals kept in the text)
    // A plain "SELECT ... FROM table" is written back through: the
    // translation then selects the row's address (rowid, ctid) as hidden column 0.
    QString table;
    bool hasRowid = false;
    // Result columns (counted without the rowid) that are sums or arithmetic
    // over CURRENCY columns, and their aliases (used when the list has a "*").
    std::vector<int> currencyColumns;
    QStringList currencyAliases;
};

// Throws Fehler 3075 (syntax) or 3464 (a date datevalue cannot read) on bad
// input; never passes text through that it did not understand as tokens.
// A "?" in the input is a placeholder: it takes the next value the caller binds.
Translation translate(QStringView sql, const SchemaInfo& schema, Dialekt dialekt = Dialekt::SQLite);

// A FindFirst criteria text ("AllgEinstNr = 149", with AND, OR, NOT,
// parentheses, the comparison operators, IS [NOT] NULL and isnull()),
// compiled once and tested against rows.
class Criteria {
public:
    using FieldReader = std::function<Variant(const QString& name)>;
    explicit Criteria(QStringView text);  // Fehler 3075 on bad input
    ~Criteria();
    Criteria(Criteria&&) noexcept;
    bool matches(const FieldReader& field) const;
    struct Node;

private:
    std::unique_ptr<Node> root_;
};

// The stored text of a date ("2003-12-31"); the zero date is "1899-12-30".
QString storedDate(QDate d);

}  // namespace hmz::db
