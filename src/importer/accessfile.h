// Reading an Access database file (.mdb, .accdb) table by table, on libmdb.
//
// libmdb reads what it can and says little: a page past the end of a cut
// file ends a table early, a memo it cannot follow comes back empty. This
// wrapper checks what libmdb does not (file length, pages of the table, the
// row count of the table definition, the declared length of long values), so
// that a damaged file is refused instead of imported in part.
#pragma once

#include "importer/convert.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace hmz::importer {

struct AccessColumn {
    QString name;
    int mdbType = 0;
    ColumnKind kind = ColumnKind::Blob;  // what the column becomes in a copied table
    QString typeName;                    // Access's name of the type, for messages
};

// A table to copy, read row by row.
class TableSource {
public:
    virtual ~TableSource() = default;
    virtual QString name() const = 0;
    virtual const std::vector<AccessColumn>& columns() const = 0;
    // The next row: one value per column and, beside it, what could not be
    // read of that value (empty when all is well). False at the end; throws
    // hmz::Fehler when the source turns out to be damaged.
    virtual bool next(std::vector<SourceValue>& values, std::vector<QString>& problems) = 0;
};

class AccessTable : public TableSource {
public:
    struct Impl;
    explicit AccessTable(std::unique_ptr<Impl> impl);
    ~AccessTable() override;
    AccessTable(const AccessTable&) = delete;
    AccessTable& operator=(const AccessTable&) = delete;

    QString name() const override;
    const std::vector<AccessColumn>& columns() const override { return columns_; }
    bool next(std::vector<SourceValue>& values, std::vector<QString>& problems) override;
    // The row count the table definition states.
    long declaredRows() const;

private:
    std::unique_ptr<Impl> d_;
    std::vector<AccessColumn> columns_;
};

class AccessFile {
public:
    // Throws hmz::Fehler: 3024 when the file is missing, 3343 when it is no
    // Access database or is damaged.
    explicit AccessFile(const QString& path);
    ~AccessFile();
    AccessFile(const AccessFile&) = delete;
    AccessFile& operator=(const AccessFile&) = delete;

    // The user tables, in the order of the catalog.
    const QStringList& tables() const { return tables_; }
    std::unique_ptr<AccessTable> open(const QString& table) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
    QStringList tables_;
};

}  // namespace hmz::importer
