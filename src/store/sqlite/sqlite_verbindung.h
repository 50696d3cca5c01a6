// Internal to the data access layer: one SQLCipher connection with its
// caches (prepared statements by translated text, translations by source
// text, the schema's DATE and CURRENCY columns) and the mapping of SQLite
// failures onto the engine-style error numbers. A connection is used by one
// thread at a time; only the engine's registry of connections is locked.
#pragma once

#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/sqldialekt.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include <sqlite3.h>

namespace hmz::db {

// How a result column's value is read.
enum class ColumnKind { Auto, Currency, Date };

struct ColumnInfo {
    QString name;
    ColumnKind kind = ColumnKind::Auto;
};

struct TableColumn {
    QString name;
    QString type;  // declared type, upper case
};

class Connection : public SchemaInfo, public std::enable_shared_from_this<Connection> {
public:
    Connection(sqlite3* db, QString path, QString password, bool exclusive, bool readOnly);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return db_; }
    const QString& path() const { return path_; }
    const QString& password() const { return password_; }
    bool exclusive() const { return exclusive_; }
    bool readOnly() const { return readOnly_; }

    // SchemaInfo
    bool isDateColumn(QStringView name) const override;
    bool isCurrencyColumn(QStringView name) const override;
    bool isTable(QStringView name) const override;
    bool isTextColumn(QStringView name) const override;
    // The columns of a table (empty when there is no such table).
    const std::vector<TableColumn>& tableColumns(const QString& table);
    void schemaChanged();

    std::shared_ptr<const Translation> translation(const QString& sql);

    // A prepared statement of this exact text, from the cache or new.
    struct Lease {
        sqlite3_stmt* stmt = nullptr;
        std::shared_ptr<const std::vector<ColumnInfo>> columns;  // without the hidden rowid
    };
    Lease acquire(const QString& sql, const Translation* translation);
    void release(const QString& sql, Lease lease);  // resets and keeps it for the next use

    // Runs a statement without result rows; its text is SQLite already.
    void exec(const QString& sql);

    int transactionDepth = 0;
    const void* transactionOwner = nullptr;  // the handle that began the open transaction

    // After a re-key the file behind the connection is a new one.
    void replaceHandle(sqlite3* db, const QString& password);

private:
    void loadSchema();
    void finalizeAll();

    sqlite3* db_;
    QString path_;
    QString password_;
    bool exclusive_;
    bool readOnly_;

    bool schemaLoaded_ = false;
    int schemaVersion_ = -1;
    QSet<QString> dateColumns_, currencyColumns_, textColumns_;  // lower case
    QHash<QString, std::vector<TableColumn>> tables_;  // key: lower-case table name

    struct Cached {
        std::vector<sqlite3_stmt*> idle;
        std::shared_ptr<const std::vector<ColumnInfo>> columns;
    };
    QHash<QString, Cached> statements_;
    QHash<QString, std::shared_ptr<const Translation>> translations_;
    sqlite3_stmt* schemaVersionStmt_ = nullptr;
};

// A recordset over the connection; sql in the desktop engine's dialect.
std::unique_ptr<Recordset> openRecordset(const std::shared_ptr<Connection>& connection, const QString& sql,
                                         const std::vector<Variant>& werte = {});
// Every row of a query, read once and not kept.
void eachRow(const std::shared_ptr<Connection>& connection, const QString& sql,
             const std::function<void(const std::vector<Variant>&)>& zeile);
// The translation's values with the caller's values in their "?" places.
std::vector<SqlValue> withArguments(const Translation& t, const std::vector<Variant>& werte);
// A Variant as this store binds it: Currency as ten-thousandths, dates as text.
SqlValue sqliteValue(const Variant& v);

// Every row of a whole table as stored (Database::Feldzeilen).
void feldzeilen(Connection& connection, const QString& tabelle,
                const std::function<void(const std::vector<Feldwert>&)>& zeile);

// The files SQLite keeps beside a database: its log, the log's index, its
// rollback journal. A log left beside a name would be replayed into any new
// file that comes to bear the name.
QStringList nebenDateien(const QString& pfad);

// A new, empty file made exclusively and never through a symlink (3204 when
// the name is taken), with no permission for others and the group's as the
// umask allows.
void neueDatei(const QString& pfad);

// Refuses a file that holds no client: another program's, an empty one, an
// Access file (3343, naming what makes or imports a client).
[[noreturn]] void keinMandant(const QString& pfad);

// A whole client written into a temporary file that Fertig() renames.
std::unique_ptr<Ladung> neueDateiLadung(const QString& pfad, const QString& passwort, bool ersetzen);

// How long a connection waits for another program's lock before it reports
// 3045 (ms; 5 s unless a test sets it).
void setBusyTimeout(int milliseconds);
int busyTimeout();

// The connection under a database of this store (nullptr for another
// store), for tests that look beneath the layer.
sqlite3* sqliteHandle(Database& db);

// Throws the engine-style error for a SQLite failure on db.
[[noreturn]] void throwSqlite(sqlite3* db, int rc, const QString& context = {});

// Binds translation parameters (1-based from `first`).
void bindValues(sqlite3_stmt* stmt, const std::vector<SqlValue>& values, int first = 1);
// Values as stored, bound from the first "?"; they must live until the step.
void feldwerteBinden(sqlite3_stmt* stmt, const std::vector<Feldwert>& werte);

}  // namespace hmz::db
