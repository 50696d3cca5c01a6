// The recordset on SQLCipher: the whole result is read when it is opened and
// the statement reset at once. A statement left half-read would keep a read
// transaction on the shared connection: its later writes would find the file
// changed by another program and fail at once, and its later reads would not
// see what it has just written. The component's results are small (one
// property's accounts or bookings, the property list).
#include "store/sqlite/sqlite_verbindung.h"

#include "core/fehler.h"

#include <cmath>
#include <limits>
#include <optional>

namespace hmz::db {

namespace {

[[noreturn]] void noCurrentRecord() { throw Fehler(nr::KeinAktuellerDatensatz, QStringLiteral("Kein aktueller Datensatz.")); }

int digits(const unsigned char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

// "YYYY-MM-DD", optionally followed by a time.
std::optional<QDate> storedDateValue(const unsigned char* p, int len) {
    if (len < 10 || p[4] != '-' || p[7] != '-' || (len > 10 && p[10] != ' ' && p[10] != 'T')) return std::nullopt;
    const int y = digits(p, 4), m = digits(p + 5, 2), d = digits(p + 8, 2);
    if (y < 0 || m < 0 || d < 0) return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid()) return std::nullopt;
    return date;
}

Currency currencyFromDouble(double raw) {
    const double r = std::nearbyint(raw);
    if (!std::isfinite(r) || std::fabs(r) >= 9.2e18) wirfUeberlauf();
    return Currency::fromRaw(static_cast<std::int64_t>(r));
}

Variant readValue(sqlite3_stmt* s, int i, ColumnKind kind) {
    const int type = sqlite3_column_type(s, i);
    if (type == SQLITE_NULL) return Variant::null();
    auto text = [&] {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i)), sqlite3_column_bytes(s, i));
    };
    switch (kind) {
    case ColumnKind::Currency:
        if (type == SQLITE_INTEGER) return Variant::currency(Currency::fromRaw(sqlite3_column_int64(s, i)));
        if (type == SQLITE_FLOAT) return Variant::currency(currencyFromDouble(sqlite3_column_double(s, i)));
        {
            bool ok = false;
            const qlonglong raw = text().trimmed().toLongLong(&ok);
            if (!ok) wirfTypFehler();
            return Variant::currency(Currency::fromRaw(raw));
        }
    case ColumnKind::Date:
        if (type == SQLITE_TEXT) {
            if (auto d = storedDateValue(sqlite3_column_text(s, i), sqlite3_column_bytes(s, i))) return Variant::date(*d);
            return Variant::string(text());
        }
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) return Variant::date(serialZuDatum(sqlite3_column_double(s, i)));
        return Variant::string(text());
    case ColumnKind::Auto:
        break;
    }
    switch (type) {
    case SQLITE_INTEGER: {
        const std::int64_t v = sqlite3_column_int64(s, i);
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return Variant::lng(static_cast<std::int32_t>(v));
        return Variant::dbl(static_cast<double>(v));
    }
    case SQLITE_FLOAT: return Variant::dbl(sqlite3_column_double(s, i));
    default: return Variant::string(text());
    }
}

// A Variant as the table stores it: Currency as ten-thousandths, dates as text.
std::optional<SqlValue> storedValue(const Variant& v, const QString& columnType) {
    if (v.istNull() || v.istEmpty()) return std::nullopt;
    if (columnType == QLatin1String("CURRENCY")) return v.toCurrency().raw();
    if (columnType == QLatin1String("DATE")) return storedDate(v.toDate());
    switch (v.typ()) {
    case VarTyp::Boolean: return std::int64_t{v.toBool() ? -1 : 0};
    case VarTyp::Integer:
    case VarTyp::Long: return std::int64_t{v.toLong()};
    case VarTyp::Double: return v.toDouble();
    case VarTyp::Currency: return v.toCurrency().raw();
    case VarTyp::Date: return storedDate(v.toDate());
    case VarTyp::String: return v.toString();
    default: wirfTypFehler();
    }
}

QString quoted(const QString& name) {
    QString n = name;
    n.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QStringLiteral("\"%1\"").arg(n);
}

class SqliteRecordset final : public Recordset {
public:
    SqliteRecordset(std::shared_ptr<Connection> c, const QString& sql, const std::vector<Variant>& werte)
        : conn_(std::move(c)) {
        tr_ = conn_->translation(sql);
        if (!tr_->isQuery) throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: keine Auswahlabfrage"));
        lease_ = conn_->acquire(tr_->sql, tr_.get());
        cols_ = lease_.columns;
        try {
            bindValues(lease_.stmt, withArguments(*tr_, werte));
            drain();
        } catch (...) {
            releaseStatement();
            throw;
        }
    }

    ~SqliteRecordset() override { releaseStatement(); }

    long RecordCount() const override {
        checkOpen();
        return static_cast<long>(rows_.size());
    }
    bool Eof() const override {
        checkOpen();
        return pos_ >= rows_.size();
    }
    bool Bof() const override {
        checkOpen();
        return rows_.empty();
    }

    void MoveFirst() override {
        checkOpen();
        editing_ = Editing::None;
        if (rows_.empty()) noCurrentRecord();
        pos_ = 0;
    }
    void MoveNext() override {
        checkOpen();
        editing_ = Editing::None;
        if (pos_ >= rows_.size()) noCurrentRecord();
        ++pos_;
        if (pos_ >= rows_.size()) fetch();
    }
    void MoveLast() override {
        checkOpen();
        editing_ = Editing::None;
        drain();
        if (rows_.empty()) noCurrentRecord();
        pos_ = rows_.size() - 1;
    }

    Variant Fields(const QString& name) const override {
        checkOpen();
        const int i = columnIndex(name);
        if (editing_ != Editing::None) {
            for (const auto& [n, v] : buffer_)
                if (n.compare((*cols_)[static_cast<std::size_t>(i)].name, Qt::CaseInsensitive) == 0) return v;
            if (editing_ == Editing::Add) return Variant::null();
        }
        if (pos_ >= rows_.size()) noCurrentRecord();
        return rows_[pos_].values[static_cast<std::size_t>(i)];
    }

    void FindFirst(const QString& kriterien) override {
        checkOpen();
        const Criteria criteria{QStringView(kriterien)};
        drain();
        for (std::size_t k = 0; k < rows_.size(); ++k) {
            const auto& row = rows_[k];
            const bool hit = criteria.matches([&](const QString& name) {
                return row.values[static_cast<std::size_t>(columnIndex(name))];
            });
            if (hit) {
                pos_ = k;
                noMatch_ = false;
                editing_ = Editing::None;
                return;
            }
        }
        noMatch_ = true;
    }
    bool NoMatch() const override { return noMatch_; }

    void AddNew() override {
        checkWritable();
        editing_ = Editing::Add;
        buffer_.clear();
    }
    void Edit() override {
        checkWritable();
        if (pos_ >= rows_.size()) noCurrentRecord();
        editing_ = Editing::Edit;
        buffer_.clear();
    }
    void SetField(const QString& name, const Variant& wert) override {
        checkOpen();
        if (editing_ == Editing::None) notEditing();
        const TableColumn& col = tableColumn(name);
        for (auto& [n, v] : buffer_) {
            if (n == col.name) {
                v = wert;
                return;
            }
        }
        buffer_.emplace_back(col.name, wert);
    }
    void Update() override {
        checkOpen();
        if (editing_ == Editing::None) notEditing();
        // A write while the statement still runs over the same table could
        // meet the changed row again: read the rest first.
        drain();
        const auto& columns = conn_->tableColumns(tr_->table);
        auto typeOf = [&](const QString& name) {
            for (const auto& c : columns)
                if (c.name == name) return c.type;
            return QString();
        };
        std::vector<std::optional<SqlValue>> values;
        QStringList names;
        for (const auto& [n, v] : buffer_) {
            names << quoted(n);
            values.push_back(storedValue(v, typeOf(n)));
        }
        std::int64_t rowid = 0;
        if (editing_ == Editing::Add) {
            QString sql = QStringLiteral("INSERT INTO %1 ").arg(quoted(tr_->table));
            if (names.isEmpty()) {
                sql += QStringLiteral("DEFAULT VALUES");
            } else {
                QStringList marks;
                for (qsizetype k = 0; k < names.size(); ++k) marks << QStringLiteral("?");
                sql += QStringLiteral("(%1) VALUES (%2)").arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
            }
            write(sql, values, std::nullopt);
            rowid = sqlite3_last_insert_rowid(conn_->db());
        } else {
            rowid = rows_[pos_].rowid;
            if (!names.isEmpty()) {
                QStringList sets;
                for (const auto& n : names) sets << n + QStringLiteral(" = ?");
                write(QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?").arg(quoted(tr_->table), sets.join(QStringLiteral(", "))),
                      values, rowid);
            }
        }
        Row row = editing_ == Editing::Add ? Row{rowid, std::vector<Variant>(cols_->size(), Variant::null())} : rows_[pos_];
        reread(row);
        if (editing_ == Editing::Add) {
            rows_.push_back(std::move(row));
            pos_ = rows_.size() - 1;
        } else {
            rows_[pos_] = std::move(row);
        }
        editing_ = Editing::None;
        buffer_.clear();
    }

    void Close() override {
        releaseStatement();
        rows_.clear();
        closed_ = true;
    }

private:
    struct Row {
        std::int64_t rowid = 0;
        std::vector<Variant> values;
    };
    enum class Editing { None, Add, Edit };

    std::shared_ptr<Connection> conn_;
    std::shared_ptr<const Translation> tr_;
    Connection::Lease lease_;
    std::shared_ptr<const std::vector<ColumnInfo>> cols_;
    std::vector<Row> rows_;
    std::size_t pos_ = 0;
    bool done_ = false;
    bool closed_ = false;
    bool noMatch_ = false;
    Editing editing_ = Editing::None;
    std::vector<std::pair<QString, Variant>> buffer_;

    void checkOpen() const {
        if (closed_) throw Fehler(nr::ObjektUngueltig, QStringLiteral("Objekt ungültig oder nicht mehr festgelegt."));
    }
    void checkWritable() const {
        checkOpen();
        if (!tr_->hasRowid) throw Fehler(nr::NurLesen, QStringLiteral("Aktualisieren nicht möglich: die Abfrage liefert keine änderbaren Datensätze."));
    }
    [[noreturn]] static void notEditing() {
        throw Fehler(nr::Aktualisierung, QStringLiteral("Update oder CancelUpdate ohne AddNew oder Edit."));
    }

    int columnIndex(const QString& name) const {
        const auto& cols = *cols_;
        for (std::size_t i = 0; i < cols.size(); ++i)
            if (cols[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        // "ObjDaten.ObjNummer" names the column ObjNummer.
        if (const qsizetype dot = name.lastIndexOf(u'.'); dot >= 0) {
            const QStringView bare = QStringView(name).mid(dot + 1);
            for (std::size_t i = 0; i < cols.size(); ++i)
                if (QStringView(cols[i].name).compare(bare, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        }
        throw Fehler(nr::FeldFehlt, QStringLiteral("Element in dieser Auflistung nicht gefunden. (%1)").arg(name));
    }

    const TableColumn& tableColumn(const QString& name) const {
        for (const auto& c : conn_->tableColumns(tr_->table))
            if (c.name.compare(name, Qt::CaseInsensitive) == 0) return c;
        throw Fehler(nr::FeldFehlt, QStringLiteral("Element in dieser Auflistung nicht gefunden. (%1)").arg(name));
    }

    bool fetch() {
        if (done_) return false;
        const int rc = sqlite3_step(lease_.stmt);
        if (rc == SQLITE_ROW) {
            const int first = tr_->hasRowid ? 1 : 0;
            Row row;
            if (first) row.rowid = sqlite3_column_int64(lease_.stmt, 0);
            row.values.reserve(cols_->size());
            for (std::size_t i = 0; i < cols_->size(); ++i)
                row.values.push_back(readValue(lease_.stmt, static_cast<int>(i) + first, (*cols_)[i].kind));
            rows_.push_back(std::move(row));
            return true;
        }
        done_ = true;
        if (rc != SQLITE_DONE) {
            try {
                throwSqlite(conn_->db(), rc);
            } catch (...) {
                releaseStatement();
                throw;
            }
        }
        releaseStatement();
        return false;
    }

    void drain() {
        while (fetch()) {
        }
    }

    void releaseStatement() {
        if (lease_.stmt) conn_->release(tr_->sql, std::exchange(lease_, {}));
    }

    void write(const QString& sql, const std::vector<std::optional<SqlValue>>& values, std::optional<std::int64_t> rowid) {
        Connection::Lease l = conn_->acquire(sql, nullptr);
        try {
            int i = 1;
            for (const auto& v : values) {
                if (v) bindValues(l.stmt, {*v}, i);
                else sqlite3_bind_null(l.stmt, i);
                ++i;
            }
            if (rowid) sqlite3_bind_int64(l.stmt, i, *rowid);
            const int rc = sqlite3_step(l.stmt);
            if (rc != SQLITE_DONE) throwSqlite(conn_->db(), rc);
        } catch (...) {
            conn_->release(sql, l);
            throw;
        }
        conn_->release(sql, l);
    }

    // Reads the written row back as the table holds it (affinity applied).
    void reread(Row& row) {
        const QString sql = QStringLiteral("SELECT * FROM %1 WHERE _rowid_ = ?").arg(quoted(tr_->table));
        Connection::Lease l = conn_->acquire(sql, nullptr);
        try {
            sqlite3_bind_int64(l.stmt, 1, row.rowid);
            const int rc = sqlite3_step(l.stmt);
            if (rc == SQLITE_ROW) {
                const int n = sqlite3_column_count(l.stmt);
                for (int k = 0; k < n; ++k) {
                    const QString name = QString::fromUtf8(sqlite3_column_name(l.stmt, k));
                    for (std::size_t i = 0; i < cols_->size(); ++i)
                        if ((*cols_)[i].name.compare(name, Qt::CaseInsensitive) == 0)
                            row.values[i] = readValue(l.stmt, k, (*cols_)[i].kind);
                }
            } else if (rc != SQLITE_DONE) {
                throwSqlite(conn_->db(), rc);
            }
        } catch (...) {
            conn_->release(sql, l);
            throw;
        }
        conn_->release(sql, l);
    }
};

}  // namespace

std::unique_ptr<Recordset> openRecordset(const std::shared_ptr<Connection>& connection, const QString& sql,
                                         const std::vector<Variant>& werte) {
    return std::make_unique<SqliteRecordset>(connection, sql, werte);
}

void eachRow(const std::shared_ptr<Connection>& connection, const QString& sql,
             const std::function<void(const std::vector<Variant>&)>& zeile) {
    Connection& c = *connection;
    const auto tr = c.translation(sql);
    Connection::Lease l = c.acquire(tr->sql, tr.get());
    try {
        bindValues(l.stmt, tr->params);
        const int first = tr->hasRowid ? 1 : 0;
        std::vector<Variant> werte(l.columns->size());
        int rc;
        while ((rc = sqlite3_step(l.stmt)) == SQLITE_ROW) {
            for (std::size_t i = 0; i < werte.size(); ++i)
                werte[i] = readValue(l.stmt, static_cast<int>(i) + first, (*l.columns)[i].kind);
            zeile(werte);
        }
        if (rc != SQLITE_DONE) throwSqlite(c.db(), rc);
    } catch (...) {
        c.release(tr->sql, l);
        throw;
    }
    c.release(tr->sql, l);
}

}  // namespace hmz::db
