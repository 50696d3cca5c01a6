// Values of an Access table on their way into the embedded store.
//
// The reader turns every field into a SourceValue that still says what the
// Access column held; convert() fits it into the kind of the target column
// and says in words what did not fit. Money never passes through a double:
// it arrives as ten-thousandths and leaves as ten-thousandths.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace hmz::importer {

enum class SourceKind { Null, Integer, Real, Money, Decimal, DateTime, Text, Blob };

struct SourceValue {
    SourceKind kind = SourceKind::Null;
    std::int64_t integer = 0;  // Integer; Money as ten-thousandths
    double real = 0;           // Real; DateTime as days since 1899-12-30
    QByteArray bytes;          // Text (UTF-8), Decimal (plain decimal text), Blob

    static SourceValue null() { return {}; }
    static SourceValue ofInteger(std::int64_t v) { return {SourceKind::Integer, v, 0, {}}; }
    static SourceValue ofReal(double v) { return {SourceKind::Real, 0, v, {}}; }
    static SourceValue ofMoney(std::int64_t raw) { return {SourceKind::Money, raw, 0, {}}; }
    static SourceValue ofDecimal(QByteArray t) { return {SourceKind::Decimal, 0, 0, std::move(t)}; }
    static SourceValue ofDateTime(double days) { return {SourceKind::DateTime, 0, days, {}}; }
    static SourceValue ofText(QByteArray utf8) { return {SourceKind::Text, 0, 0, std::move(utf8)}; }
    static SourceValue ofBlob(QByteArray b) { return {SourceKind::Blob, 0, 0, std::move(b)}; }
};

// What a store column holds. Date keeps the day only (the component's DATE
// columns are compared as 'YYYY-MM-DD'); DateTime keeps a time of day too.
enum class ColumnKind { Integer, Real, Currency, Date, DateTime, Numeric, Text, Blob };

// The kind of a column of the fixed schema from its declared type.
ColumnKind kindOfDeclaredType(const QString& declared);
// The declared type a column of a copied table gets.
QString declaredTypeOf(ColumnKind kind);

struct StoreValue {
    enum class Type { Null, Integer, Real, Text, Blob };
    Type type = Type::Null;
    std::int64_t integer = 0;
    double real = 0;
    QByteArray bytes;  // Text (UTF-8) or Blob

    bool operator==(const StoreValue&) const = default;
};

struct Conversion {
    StoreValue value;
    QString problem;  // empty when the value arrived unchanged
};

Conversion convert(const SourceValue& v, ColumnKind target);

// An Access date/time (days since 1899-12-30, the fraction the time of day,
// also for days before 1899-12-30) as "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS".
// Empty when the number is no date Access can hold.
struct DateText {
    QString date;  // YYYY-MM-DD
    QString time;  // HH:MM:SS, empty at midnight
};
DateText accessDate(double days);

// The shortest decimal text that reads back as the same float or double.
QByteArray shortestText(float v);
QByteArray shortestText(double v);

}  // namespace hmz::importer
