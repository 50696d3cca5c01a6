// A table read for a whole-client copy: each value as the file holds it,
// without the Variant a recordset gives (which has no 64-bit integers).
#include "store/sqlite/sqlite_verbindung.h"

#include "core/fehler.h"
#include "core/variant.h"

#include <cmath>

namespace hmz::db {

namespace {

struct Abschluss {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};

}  // namespace

void feldzeilen(Connection& c, const QString& tabelle, const std::function<void(const std::vector<Feldwert>&)>& zeile) {
    const std::vector<TableColumn>& spalten = c.tableColumns(tabelle);
    if (spalten.empty())
        throw Fehler(nr::TabelleFehlt, QStringLiteral("Die Tabelle '%1' wurde nicht gefunden.").arg(tabelle));
    std::vector<bool> geld, datum;
    for (const TableColumn& s : spalten) {
        geld.push_back(s.type == QLatin1String("CURRENCY"));
        datum.push_back(s.type == QLatin1String("DATE"));
    }
    QString name = tabelle;
    const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\"").arg(name.replace(u'"', QStringLiteral("\"\""))).toUtf8();
    sqlite3_stmt* roh = nullptr;
    if (const int rc = sqlite3_prepare_v2(c.db(), sql.constData(), -1, &roh, nullptr); rc != SQLITE_OK) throwSqlite(c.db(), rc);
    const std::unique_ptr<sqlite3_stmt, Abschluss> st(roh);
    std::vector<Feldwert> werte(spalten.size());
    int rc;
    while ((rc = sqlite3_step(roh)) == SQLITE_ROW) {
        for (int i = 0; i < static_cast<int>(werte.size()); ++i) {
            Feldwert& w = werte[static_cast<std::size_t>(i)];
            const auto k = static_cast<std::size_t>(i);
            switch (sqlite3_column_type(roh, i)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                if (datum[k]) {  // a date kept as a serial day number
                    w = Feldwert::datum(NullDatum.addDays(static_cast<qint64>(std::floor(sqlite3_column_double(roh, i)))));
                } else if (sqlite3_column_type(roh, i) == SQLITE_FLOAT) {
                    w = {Feldwert::Art::Gleit, 0, sqlite3_column_double(roh, i), {}};
                } else {
                    w = {geld[k] ? Feldwert::Art::Geld : Feldwert::Art::Ganz, sqlite3_column_int64(roh, i), 0, {}};
                }
                break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const auto* daten = static_cast<const char*>(sqlite3_column_blob(roh, i));
                const bool text = sqlite3_column_type(roh, i) == SQLITE_TEXT;
                w = {text ? Feldwert::Art::Text : Feldwert::Art::Bytes, 0, 0, QByteArray(daten, sqlite3_column_bytes(roh, i))};
                break;
            }
            default: w = Feldwert::null();
            }
        }
        zeile(werte);
    }
    if (rc != SQLITE_DONE) throwSqlite(c.db(), rc);
}

}  // namespace hmz::db
