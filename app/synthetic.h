// Pieces shared by the generators of the demo client and of the benchmark's
// synthetic client: a reproducible random source, the clearing account and
// double-entry booking pairs that keep the year balanced.
#pragma once

#include "core/currency.h"
#include "store/bulkwriter.h"

#include <QString>
#include <cstdint>
#include <random>

namespace hmz::db {

// The year the generated clients are made for; rows before the change-over
// year 2002 are in schillings.
inline constexpr int SynthJahr = 2003;
inline constexpr int SynthEuroJahr = 2002;

// Every booking has its counter-booking here. Position 0 keeps the account
// off every statement, so it only serves the debit/credit balance.
inline const QString VerrechnungsKonto = QStringLiteral("2800");

// Reproducible across compilers: mt19937_64's sequence is fixed by the
// standard, while the standard distributions are not.
class Zufall {
public:
    explicit Zufall(std::uint64_t seed) : gen_(seed) {}
    int bis(int n) { return static_cast<int>(gen_() % static_cast<std::uint64_t>(n)); }  // 0..n-1
    int zwischen(int von, int bis_) { return von + bis(bis_ - von + 1); }
    bool chance(int prozent) { return bis(100) < prozent; }
    // A whole-cent amount between two amounts given in cents.
    Currency cent(std::int64_t von, std::int64_t bis_) {
        const auto spanne = static_cast<std::uint64_t>(bis_ - von + 1);
        return Currency::fromRaw((von + static_cast<std::int64_t>(gen_() % spanne)) * 100);
    }

private:
    std::mt19937_64 gen_;
};

// Writes the booking and its counter-booking on the clearing account: same
// amount, date, voucher, texts and marks, the other side.
void buchungsPaar(BulkWriter& w, const BuchungZeile& b);

// The demo client's and the benchmark's client record (a Viennese property
// manager, rate 13.7603, month status in the generated year).
MandantZeile wienerHausverwaltung();

}  // namespace hmz::db
