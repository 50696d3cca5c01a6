// The debit/credit balance check before a run: the year's debit and credit
// postings (all properties) must balance; a difference asks whether to stop.
#pragma once

#include "core/currency.h"
#include "statement/laufansicht.h"

#include <QString>

namespace hmz {

namespace db {
class Database;
}

struct SHPruefung {
    long PruefJahr = 0;
    QString PruefAnlass;
};
SHPruefung& shPruefung();

// The year's debit and credit sums over all properties and every kind of
// booking, read in one state: what the check compares. 3078 without the
// year's bookings table.
struct SollHaben {
    Currency soll, haben;
};
SollHaben SHSummen(db::Database& db, const QString& jahr);
// The same inside a reading the caller holds open.
SollHaben SHSummenLesen(db::Database& db, const QString& jahr);

// Outcome in formular().Abbruch. An empty Jahr is set to PruefJahr.
void SHPrüfen(QString& Jahr, LaufAnsicht& ansicht);

}  // namespace hmz
