// Copying an Access client database into a new embedded store.
//
// Every user table comes along. The tables the component reads get the
// definitions of the fixed schema (columns the Access table has beyond them
// are added, so nothing is dropped); every other table is copied with its
// columns mapped type by type. The store is written to a temporary file
// beside the target and renamed at the very end, so a failed or cancelled
// import never leaves a target file behind.
#pragma once

#include "importer/accessfile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace hmz::importer {

struct ImportOptions {
    QString mdbPath;
    QString dbPath;
    bool overwrite = false;  // replace an existing target
    // Called for every table as it starts, every few thousand rows and when it is done.
    std::function<void(const QString& table, long rows, bool done)> progress;
    // Checked between rows; when set the import stops with error 3146 and leaves no target.
    const std::atomic<bool>* cancel = nullptr;
};

struct TableResult {
    QString name;
    long rowsRead = 0;
    long rowsWritten = 0;
};

// Something that did not arrive in the store as it was in the Access file.
struct Problem {
    QString table;
    long row = 0;  // 1-based in the order of the Access table; 0 for the whole column
    QString column;
    QString text;
};

struct ImportResult {
    QList<TableResult> tables;
    QStringList createdEmpty;  // tables the component needs that the Access file lacked
    QList<Problem> problems;

    // Whether the Access file held any table the statements read: one of
    // the fixed ones (the others are created empty) or a year's bookings.
    bool holdsClientTables() const;
};

// Throws hmz::Fehler when nothing was imported: 3024 the Access file is
// missing, 3343 it is no Access database or is damaged, 3146 the target
// cannot be written, exists already (without overwrite) or the import was
// cancelled.
ImportResult importMdb(const ImportOptions& options);

// For a signal handler that ends the process at once: removes the file the
// running import writes (never the target) and returns true; false once the
// import commits, when it is better left to finish. Async-signal-safe; one
// import per process.
bool discardUnfinishedStore() noexcept;

// The same over any tables: open(name) gives the rows of each table in turn
// (options.mdbPath is not used).
using OpenTable = std::function<std::unique_ptr<TableSource>(const QString& name)>;
ImportResult importTables(const QStringList& names, const OpenTable& open, const ImportOptions& options);

}  // namespace hmz::importer
