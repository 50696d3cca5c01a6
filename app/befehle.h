// The commands of the hmzres host, each described in its own cmd_*.cpp:
// usage, options and what it runs (see befehlszeile.h).
#pragma once

#include "befehlszeile.h"

Befehl demoBefehl();
Befehl initBefehl();
Befehl printBefehl();
Befehl dialogBefehl();
Befehl printersBefehl();
Befehl importMdbBefehl();
Befehl exportBefehl();
Befehl copyBefehl();
Befehl exportCsvBefehl();
Befehl importCsvBefehl();
Befehl listBefehl();
