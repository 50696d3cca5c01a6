// Internal to the data access layer: one libpq connection to the server store
// with its caches (statements prepared once per translated text, translations
// by source text, the schema's DATE, NUMERIC and TEXT columns) and the mapping
// of server failures onto the engine-style error numbers. A connection is used
// by one thread at a time.
#pragma once

#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/sqldialekt.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include <libpq-fe.h>

namespace hmz::db {

struct PgResultFree {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultFree>;

// Parameter texts in the server's input syntax; nullopt is Null.
using PgParams = std::vector<std::optional<QByteArray>>;

class PgConnection final : public SchemaInfo {
public:
    explicit PgConnection(const QString& uri);  // Fehler 3151 with the server's reason
    ~PgConnection() override;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    PGconn* pg() const { return pg_; }
    const QString& uri() const { return uri_; }
    QString shownName() const;  // the URI without its password

    bool isDateColumn(QStringView name) const override;
    bool isCurrencyColumn(QStringView name) const override;
    bool isTable(QStringView name) const override;
    bool isTextColumn(QStringView name) const override;
    void schemaChanged() {
        schemaLoaded_ = false;
        keys_.clear();
        columns_.clear();
    }

    std::shared_ptr<const Translation> translation(const QString& sql);
    // Runs a translated statement, prepared on its first use.
    PgResult run(const QString& sql, const PgParams& params);
    // Runs a text without parameters (definitions, transaction control).
    PgResult exec(const QString& sql);
    // Tables of the current schema (lower case) and a table's columns.
    QStringList tables();
    std::vector<Spalte> columns(const QString& table);
    QStringList primaryKey(const QString& table);

    int transactionDepth = 0;
    const void* transactionOwner = nullptr;  // the handle that began the open transaction

    // Throws the engine-style error for a failed result (or a lost connection).
    [[noreturn]] void fail(const PGresult* r, const QString& context = {}) const;

private:
    void loadSchema();
    PgResult checked(PGresult* r, const QString& context);

    PGconn* pg_ = nullptr;
    QString uri_;
    bool schemaLoaded_ = false;
    QSet<QString> dateColumns_, currencyColumns_, textColumns_, tables_;
    QHash<QString, QByteArray> prepared_;  // translated text -> statement name
    quint64 statementNumber_ = 0;          // never reused: a failed statement may live on on the server
    QSet<QString> einmal_;                 // texts run once, unprepared
    QHash<QString, QStringList> keys_;     // primary key columns by lower-case table
    QHash<QString, std::vector<Spalte>> columns_;  // columns by lower-case table
    QHash<QString, std::shared_ptr<const Translation>> translations_;
};

// Parameters of a translation with the caller's values in their places.
PgParams pgParams(const Translation& t, const std::vector<Variant>& werte);
QByteArray pgText(const Variant& v);  // a value in the server's input syntax (not Null)
QByteArray geldText(std::int64_t zehntausendstel);  // "-12.3456"
// A value of a result column as a Variant: NUMERIC as exact Currency, DATE as Date.
Variant pgValue(const PGresult* r, int row, int col);

std::unique_ptr<Recordset> openPgRecordset(const std::shared_ptr<PgConnection>& c, const QString& sql,
                                           const std::vector<Variant>& werte);
// Every row of a whole table as stored (Database::Feldzeilen).
void pgFeldzeilen(PgConnection& c, const QString& tabelle,
                  const std::function<void(const std::vector<Feldwert>&)>& zeile);
std::unique_ptr<Ladung> neueServerLadung(const QString& uri, bool ersetzen);

// Rows in COPY's text format, for a load and for Database::Anhaengen.
constexpr qsizetype CopyBatchBytes = 8 << 20;
struct CopyZiel {
    QByteArray befehl;  // COPY table (columns) FROM STDIN
    std::vector<bool> bytea, boolean;
};
CopyZiel copyZiel(PgConnection& c, const QString& tabelle, const QStringList& spalten);
void copyZeile(QByteArray& puffer, const CopyZiel& z, const std::vector<Feldwert>& werte);
// One COPY of the rows in daten: null when they went in, else the failed result.
PgResult copyIn(PgConnection& c, const QByteArray& befehl, const QByteArray& daten);

}  // namespace hmz::db
