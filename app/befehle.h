// The commands of the hmzres host; each returns the process exit status:
// 0 printed/done, 1 a check refused the input, 2 wrong usage,
// 3 stopped at the balance check, 4 a database or printer failure,
// 130/143 a run cancelled by SIGINT/SIGTERM;
// import-mdb also 5: imported, but some values could not be converted.
#pragma once

#include <QStringList>

int befehlDemo(const QStringList& args);
int befehlInit(const QStringList& args);
int befehlPrint(const QStringList& args);
int befehlDialog(const QStringList& args);
int befehlPrinters(const QStringList& args);
int befehlImportMdb(const QStringList& args);
int befehlExport(const QStringList& args);
