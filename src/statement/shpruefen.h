// The debit/credit balance check before a run: the year's debit and credit
// postings (all properties) must balance; a difference asks whether to stop.
#pragma once

#include "statement/laufansicht.h"

#include <QString>

namespace hmz {

struct SHPruefung {
    long PruefJahr = 0;
    QString PruefAnlass;
};
SHPruefung& shPruefung();

// Outcome in formular().Abbruch. An empty Jahr is set to PruefJahr.
void SHPrüfen(QString& Jahr, LaufAnsicht& ansicht);

}  // namespace hmz
