// The Access import on arbitrary files: it ends, and either imports or
// refuses the file, leaving no target behind on refusal.
#include "core/fehler.h"
#include "importer/mdbimport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    const QString mdb = dir.filePath(QStringLiteral("eingabe.accdb"));
    const QString ziel = dir.filePath(QStringLiteral("ziel.db"));
    {
        QFile f(mdb);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    bool importiert = true;
    try {
        (void)hmz::importer::importMdb({mdb, ziel, true, {}, nullptr});
    } catch (const hmz::Fehler&) {
        importiert = false;
    }
    // A refused file leaves nothing but the input in the folder.
    const QStringList dateien = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    if (dateien.size() != (importiert ? 2 : 1)) std::abort();
    QFile::remove(ziel);
    return 0;
}
