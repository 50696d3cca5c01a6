// The account master of a booking year ("Konten Stamm"): reading, the rules
// of an account, and changes in one short transaction each; a row changed by
// another program since it was shown is refused (Ablehnung, geaendert).
#pragma once

#include "masterdata/jahressummen.h"

namespace hmz::stamm {

struct Konto {
    QString nr, bezeichnung;
    std::optional<int> position, ausweis;  // KontoHmzresPos, KontoHmzresVerdichtKz
    bool operator==(const Konto&) const = default;
};

// The statement's section of a position and its listing mode, as words.
QString abschnittText(std::optional<int> position);
QString ausweisText(std::optional<int> ausweis);
// HMZ-Position: empty, or an integer from 0 to 99.
std::optional<std::optional<int>> positionLesen(const QString& text, QString& grund);

std::vector<Konto> kontenLesen(db::Database& db, int jahr);
// How many bookings of the year use the account (0 without a bookings table).
long buchungenMitKonto(db::Database& db, int jahr, const QString& nr);
// Throws Ablehnung: Konto-Nr empty or taken, renamed or deleted while bookings use it.
void kontoSpeichern(db::Database& db, int jahr, const std::optional<Konto>& alt, Konto neu);
void kontoLoeschen(db::Database& db, int jahr, const Konto& alt);
// Copies the accounts of the year before that this year lacks; how many.
int vorjahrUebernehmen(db::Database& db, int jahr);
// Konto-Nr the year's bookings use that the master lacks: the statement leaves them out.
QStringList fehlendeKonten(db::Database& db, int jahr);

}  // namespace hmz::stamm
