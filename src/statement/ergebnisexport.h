// The year's figures of every property of a range as the statement computes
// them (income, expenditure, reserve result, maintenance contribution, the
// ten-year rows and their sums), for spreadsheets and other programs. The
// figures come from the statement itself, run without printing and without
// writing anything to the client database.
#pragma once

#include "core/currency.h"
#include "statement/objektdrucken.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <vector>

namespace hmz {

struct ExportAuftrag {
    QString datenbank;
    QString vonObjNr, bisObjNr;  // as typed
    QString jahr;                // as typed: the statement period is its whole year
    bool json = false;           // else CSV
    QString ausgabe;             // file; empty: stdout
    bool beiDifferenzWeiter = false;
    const std::atomic<int>* abbruchSignal = nullptr;
};

struct ObjektErgebnis {
    long objNr = 0;
    QString anschrift, plz, ort;
    int jahr = 0;
    Currency einnahmen, ausgaben, reserve, ehb;
    std::vector<JahresZeile> jahre;
    Currency summeOhne, summeEhb;
};

// An exact amount with at least two decimals ("1234.50", "-0.1235"), with
// the given decimal mark.
QString exakterBetrag(Currency betrag, QChar komma = QLatin1Char('.'));

// CSV for Austrian spreadsheets: UTF-8 with BOM, semicolons, decimal comma,
// one row per statement ("Abrechnung"), ten-year row ("Jahr") and sum ("Summe").
QByteArray alsCsv(const std::vector<ObjektErgebnis>& ergebnisse);
// JSON with the amounts as exact decimal strings; keys in one style:
// German words in PascalCase, abbreviations as words (Ehb, Ats, Plz).
QByteArray alsJson(const std::vector<ObjektErgebnis>& ergebnisse);

// Runs the statements of the range and year without printing or storing and
// returns the exit status of "hmzres print" for the same run; the figures
// go to `ergebnisse`.
int ergebnisseBerechnen(const ExportAuftrag& auftrag, std::vector<ObjektErgebnis>& ergebnisse);

// The whole export: computes and, when that succeeded, writes the file
// (replaced whole or left as it was, with no access for others) or stdout.
// Returns the exit status: 4 when not every byte arrived.
int ergebnisExportieren(const ExportAuftrag& auftrag);

}  // namespace hmz
