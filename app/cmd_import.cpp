#include "befehle.h"

#include <cstdio>

int befehlImportMdb(const QStringList&) {
    std::fputs("hmzres: this command is not built yet\n", stderr);
    return 2;
}
