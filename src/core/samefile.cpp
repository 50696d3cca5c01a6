#include "core/samefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace hmz {

namespace {

struct Identity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    QString path;  // of a file not yet there
};

Identity identity(const QString& path) {
    Identity id;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        return id;
    }
    const QFileInfo info(path);
    QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    if (folder.isEmpty()) folder = QDir::cleanPath(info.absolutePath());
    id.path = folder + QLatin1Char('/') + info.fileName();
    return id;
}

}  // namespace

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const Identity x = identity(a), y = identity(b);
    if (x.exists != y.exists) return false;
    if (x.exists) return x.device == y.device && x.inode == y.inode;
    return x.path == y.path;
}

bool isDatabaseFile(const QString& path, const QString& database) {
    if (sameFile(path, database)) return true;
    // SQLite names its side files after the database's real path.
    const QString real = QFileInfo(database).canonicalFilePath();
    for (const QString& base : {database, real})
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            if (!base.isEmpty() && sameFile(path, base + QLatin1String(suffix))) return true;
    return false;
}

}  // namespace hmz
