// Variant: the loosely typed value of call parameters, database fields and
// input fields. Accessors check the type first and raise the classic errors
// (type mismatch 13, subscript 9, overflow 6, invalid use of Null 94)
// instead of guessing.
#pragma once

#include "core/currency.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace hmz {

class Variant;

// One-dimensional array with its own lower bound, copied by value.
struct VariantArray {
    long untereGrenze = 0;
    std::vector<Variant> elemente;

    // Defined below Variant: clang needs the element type complete here.
    long obereGrenze() const;
    bool enthaelt(long index) const { return index >= untereGrenze && index <= obereGrenze(); }
    const Variant& at(long index) const;  // error 9 outside the bounds
    Variant& at(long index);
    static VariantArray leer(long von, long bis);  // all elements Empty
};

enum class VarTyp { Empty, Null, Boolean, Integer, Long, Double, Currency, Date, String, Array };

// Day 0 of the date serial numbers; also the "zero date" stored for "no date".
inline const QDate NullDatum{1899, 12, 30};

class Variant {
public:
    Variant() = default;  // Empty
    static Variant null();
    static Variant boolean(bool b);
    static Variant integer(std::int16_t i);
    static Variant lng(std::int32_t l);
    static Variant dbl(double d);
    static Variant currency(Currency c);
    static Variant date(QDate d);
    static Variant string(QString s);
    static Variant array(VariantArray a);

    Variant(const Variant& o);
    Variant& operator=(const Variant& o);
    Variant(Variant&&) noexcept = default;
    Variant& operator=(Variant&&) noexcept = default;

    VarTyp typ() const;
    bool istEmpty() const { return typ() == VarTyp::Empty; }
    bool istNull() const { return typ() == VarTyp::Null; }
    bool istNumerisch() const;  // a number, or a text that reads as one
    bool istDatum() const;      // a date, or a text the date reading accepts

    // Conversions with the classic rules: Empty is 0 / "" / date 0; Null is error 94.
    QString toString() const;
    QDate toDate() const;
    std::int32_t toLong() const;     // rounds half to even; error 6 out of range
    std::int16_t toInteger() const;  // rounds half to even; error 6 out of range
    double toDouble() const;
    Currency toCurrency() const;
    bool toBool() const;
    const VariantArray& toArray() const;  // error 13 if not an array

    bool operator==(const Variant& o) const;

private:
    struct ArrayBox {
        std::unique_ptr<VariantArray> p;
        bool operator==(const ArrayBox& o) const;
    };
    using Wert = std::variant<std::monostate, std::nullptr_t, bool, std::int16_t, std::int32_t, double,
                              Currency, QDate, QString, ArrayBox>;
    Wert w_;
};

// Reads a date as the platform's date test would for texts of this product:
// "DD.MM.YYYY", "DD.MM.YY", "MM.YYYY" and "MM.YY" (first of the month).
// Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999.
std::optional<QDate> datumAusText(const QString& text);

inline long VariantArray::obereGrenze() const { return untereGrenze + static_cast<long>(elemente.size()) - 1; }

// Date serial number (days since 30.12.1899) and back.
double datumZuSerial(QDate d);
QDate serialZuDatum(double serial);

}  // namespace hmz
