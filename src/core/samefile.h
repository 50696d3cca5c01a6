// Whether two paths name one file, however they are written: relative or
// absolute, with "./" or "..", through a symbolic or a hard link. Commands
// use it to refuse an output that would overwrite one of their inputs.
#pragma once

#include <QString>

namespace hmz {

// An existing file is known by its device and inode; a path that does not
// exist yet by the real path of its folder and its name.
bool sameFile(const QString& a, const QString& b);

// Whether writing `path` would replace the database `database` or one of
// the files SQLite keeps beside it (write-ahead log, shared memory, journal).
bool isDatabaseFile(const QString& path, const QString& database);

}  // namespace hmz
