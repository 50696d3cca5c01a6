// Currency: exact money as a signed 64-bit count of ten-thousandths.
//
// Sums, differences and products with whole numbers are exact and checked for
// overflow. Quotients and products with a fraction go through double and are
// rounded half to even to four decimals, like the classic currency type.
// There is deliberately no implicit conversion from double.
#pragma once

#include <QString>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hmz {

class Currency {
public:
    static constexpr std::int64_t Skala = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t zehntausendstel) { return Currency(zehntausendstel); }
    static Currency fromUnits(std::int64_t ganze);
    // Rounds half to even to four decimals; error 6 outside the range.
    static Currency fromDouble(double wert);
    // "1234.5", "-12,7500", "12.75" (point or comma as decimal mark, no grouping).
    static std::optional<Currency> parse(std::string_view text);

    constexpr std::int64_t raw() const { return wert_; }
    double toDouble() const { return static_cast<double>(wert_) / Skala; }

    Currency operator+(Currency b) const;
    Currency operator-(Currency b) const;
    Currency operator-() const;
    Currency operator*(std::int64_t faktor) const;
    Currency& operator+=(Currency b) { return *this = *this + b; }
    Currency& operator-=(Currency b) { return *this = *this - b; }

    Currency malDouble(double faktor) const;     // rounded half to even
    Currency durchDouble(double divisor) const;  // rounded half to even; error 11 on 0
    Currency aufCentGerundet() const;            // half to even, to two decimals

    constexpr auto operator<=>(const Currency&) const = default;
    constexpr bool istNull() const { return wert_ == 0; }

    // Plain text with four decimals and a point ("-12.7500"), for storage and tests.
    QString toPlainString() const;

private:
    constexpr explicit Currency(std::int64_t w) : wert_(w) {}
    std::int64_t wert_ = 0;
};

}  // namespace hmz
