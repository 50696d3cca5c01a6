// The benchmark's synthetic client: many properties, a full account master
// and a large balanced booking year, in the same encrypted format as a real
// client. Deterministic for a seed, so that figures of different runs and
// machines compare.
#pragma once

#include <QString>
#include <cstdint>

namespace hmz::bench {

struct GeneratorParameter {
    int objekte = 1000;
    int konten = 150;        // statement accounts of the year; the clearing account comes on top
    int buchungen = 400000;  // rows of the year's bookings table, counter-bookings included
    int jahre = 10;          // year rows per property, the statement year included
    std::uint64_t seed = 1;

    // Scale multiplies properties and bookings.
    static GeneratorParameter skaliert(int scale, std::uint64_t seed);
};

struct GeneratorErgebnis {
    int objekte = 0;
    int gedruckt = 0;  // properties a whole-year run over all numbers selects
    std::int64_t buchungen = 0;
};

// Writes the client to `pfad`, replacing a file there. Throws hmz::Fehler.
GeneratorErgebnis generieren(const QString& pfad, const GeneratorParameter& p);

}  // namespace hmz::bench
