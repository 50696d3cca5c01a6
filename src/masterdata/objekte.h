// Properties ("Objekte") of every type: reading, the rules of a property, and
// saving or deleting one in one short transaction that refuses when another
// program changed the row since it was shown. A property that bookings or
// stored year results belong to keeps its number.
#pragma once

#include "masterdata/jahressummen.h"

namespace hmz::stamm {

constexpr long ErsteObjektNr = 1, LetzteObjektNr = 99999;

struct Objekt {
    long nr = 0;
    QString anschrift, plz, ort;
    int typus = 0;
    QDate gueltigBis;  // invalid: no end (stored as the zero date)
    bool operator==(const Objekt&) const = default;
};

// What a type means for the statements, in words: the run prints type 0 only.
QString typusText(int typus);

// The rules of a typed field; nullopt with the German reason in `grund`.
std::optional<long> objektNrLesen(const QString& text, QString& grund);
// Empty is 0.
std::optional<int> typusLesen(const QString& text, QString& grund);

std::vector<Objekt> alleObjekteLesen(db::Database& db);
// Why the property must keep its number: its bookings and stored year
// results in words ("12 Buchungen (2003: 10, 2004: 2), Jahresergebnisse 2001, 2002"); empty when none.
QString objektVerwendung(db::Database& db, long nr);
// `alt` is the row as shown (nullopt: a new property). Throws Ablehnung.
void objektSpeichern(db::Database& db, const std::optional<Objekt>& alt, const Objekt& neu);
void objektLoeschen(db::Database& db, const Objekt& alt);

}  // namespace hmz::stamm
