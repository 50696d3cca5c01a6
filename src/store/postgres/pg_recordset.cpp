// The recordset on the server: the whole result arrives with the query (one
// round trip), so moves and FindFirst work on rows in memory. Rows are
// written back by primary key where the table has one (a new row whose key
// exists meanwhile updates it: two runs storing the same year lose nothing),
// by the row's address otherwise.
#include "store/postgres/pg_verbindung.h"

#include "core/fehler.h"

namespace hmz::db {

namespace {

[[noreturn]] void noCurrentRecord() { throw Fehler(nr::KeinAktuellerDatensatz, QStringLiteral("Kein aktueller Datensatz.")); }

QString quoted(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

class PgRecordset final : public Recordset {
public:
    PgRecordset(std::shared_ptr<PgConnection> c, const QString& sql, const std::vector<Variant>& werte) : conn_(std::move(c)) {
        tr_ = conn_->translation(sql);
        if (!tr_->isQuery) throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: keine SELECT-Abfrage"));
        const PgResult r = conn_->run(tr_->sql, pgParams(*tr_, werte));
        const int first = tr_->hasRowid ? 1 : 0;
        for (int i = first; i < PQnfields(r.get()); ++i) cols_ << QString::fromUtf8(PQfname(r.get(), i));
        rows_.reserve(static_cast<std::size_t>(PQntuples(r.get())));
        for (int k = 0; k < PQntuples(r.get()); ++k) rows_.push_back(readRow(r.get(), k, first));
        reached_ = rows_.empty() ? 0 : 1;
    }

    long RecordCount() const override {
        checkOpen();
        return static_cast<long>(reached_);
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
        reached_ = std::max(reached_, std::min(pos_ + 1, rows_.size()));
    }
    void MoveLast() override {
        checkOpen();
        editing_ = Editing::None;
        if (rows_.empty()) noCurrentRecord();
        pos_ = rows_.size() - 1;
        reached_ = rows_.size();
    }

    Variant Fields(const QString& name) const override {
        checkOpen();
        const int i = columnIndex(name);
        if (editing_ != Editing::None) {
            for (const auto& [n, v] : buffer_)
                if (n.compare(cols_[i], Qt::CaseInsensitive) == 0) return v;
            if (editing_ == Editing::Add) return Variant::null();
        }
        if (pos_ >= rows_.size()) noCurrentRecord();
        return rows_[pos_].values[static_cast<std::size_t>(i)];
    }

    void FindFirst(const QString& kriterien) override {
        checkOpen();
        const Criteria criteria{QStringView(kriterien)};
        reached_ = rows_.size();
        for (std::size_t k = 0; k < rows_.size(); ++k) {
            const auto& row = rows_[k];
            if (criteria.matches([&](const QString& name) { return row.values[static_cast<std::size_t>(columnIndex(name))]; })) {
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
        if (editing_ == Editing::None) throw Fehler(nr::Aktualisierung, QStringLiteral("Update oder CancelUpdate ohne AddNew oder Edit."));
        const Spalte& col = tableColumn(name);
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
        if (editing_ == Editing::None) throw Fehler(nr::Aktualisierung, QStringLiteral("Update oder CancelUpdate ohne AddNew oder Edit."));
        const QStringList keys = conn_->primaryKey(tr_->table);
        QStringList names;
        PgParams params;
        for (const auto& [n, v] : buffer_) {
            names << n;
            params.push_back(stored(v, tableColumn(n).typ));
        }
        const QString table = quoted(tr_->table.toLower());
        QString sql;
        if (editing_ == Editing::Add) {
            QStringList marks, quotedNames;
            for (qsizetype k = 0; k < names.size(); ++k) {
                marks << QStringLiteral("$%1").arg(k + 1);
                quotedNames << quoted(names[k]);
            }
            sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(table, quotedNames.join(u','), marks.join(u','));
            bool keyGiven = !keys.isEmpty();
            for (const QString& k : keys) keyGiven = keyGiven && names.contains(k, Qt::CaseInsensitive);
            if (keyGiven) {
                // Another program may have stored the same key since this one read: its row gets these values.
                QStringList sets;
                for (const QString& n : names) sets << QStringLiteral("%1 = EXCLUDED.%1").arg(quoted(n));
                QStringList quotedKeys;
                for (const QString& k : keys) quotedKeys << quoted(k);
                sql += QStringLiteral(" ON CONFLICT (%1) DO UPDATE SET %2").arg(quotedKeys.join(u','), sets.join(u','));
            }
        } else {
            if (names.isEmpty()) {
                editing_ = Editing::None;
                return;
            }
            QStringList sets;
            for (qsizetype k = 0; k < names.size(); ++k) sets << QStringLiteral("%1 = $%2").arg(quoted(names[k])).arg(k + 1);
            QStringList where;
            const Row& row = rows_[pos_];
            if (keys.isEmpty()) {
                params.emplace_back(row.ctid);
                where << QStringLiteral("ctid = $%1::tid").arg(params.size());
            } else {
                for (const QString& k : keys) {
                    const Variant v = row.values[static_cast<std::size_t>(columnIndex(k))];
                    params.push_back(stored(v, tableColumn(k).typ));
                    where << QStringLiteral("%1 = $%2").arg(quoted(k)).arg(params.size());
                }
            }
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, sets.join(u','), where.join(QStringLiteral(" AND ")));
        }
        sql += QStringLiteral(" RETURNING ctid, *");
        const PgResult r = conn_->run(sql, params);
        Row row = editing_ == Editing::Add ? Row{{}, std::vector<Variant>(static_cast<std::size_t>(cols_.size()), Variant::null())}
                                           : rows_[pos_];
        if (PQntuples(r.get()) > 0) {
            row.ctid = PQgetvalue(r.get(), 0, 0);
            for (int k = 1; k < PQnfields(r.get()); ++k) {
                const QString name = QString::fromUtf8(PQfname(r.get(), k));
                for (qsizetype i = 0; i < cols_.size(); ++i)
                    if (cols_[i].compare(name, Qt::CaseInsensitive) == 0) row.values[static_cast<std::size_t>(i)] = pgValue(r.get(), 0, k);
            }
        }
        if (editing_ == Editing::Add) {
            rows_.push_back(std::move(row));
            pos_ = rows_.size() - 1;
            reached_ = std::max(reached_, rows_.size());
        } else {
            rows_[pos_] = std::move(row);
        }
        editing_ = Editing::None;
        buffer_.clear();
    }

    void Close() override {
        rows_.clear();
        closed_ = true;
    }

private:
    struct Row {
        QByteArray ctid;
        std::vector<Variant> values;
    };
    enum class Editing { None, Add, Edit };

    std::shared_ptr<PgConnection> conn_;
    std::shared_ptr<const Translation> tr_;
    QStringList cols_;
    std::vector<Row> rows_;
    std::vector<Spalte> tableColumns_;
    std::size_t pos_ = 0, reached_ = 0;
    bool closed_ = false, noMatch_ = false;
    Editing editing_ = Editing::None;
    std::vector<std::pair<QString, Variant>> buffer_;

    static Row readRow(const PGresult* r, int k, int first) {
        Row row;
        if (first) row.ctid = PQgetvalue(r, k, 0);
        row.values.reserve(static_cast<std::size_t>(PQnfields(r) - first));
        for (int i = first; i < PQnfields(r); ++i) row.values.push_back(pgValue(r, k, i));
        return row;
    }

    static std::optional<QByteArray> stored(const Variant& v, const QString& typ) {
        if (v.istNull() || v.istEmpty()) return std::nullopt;
        if (typ == QLatin1String("BOOLEAN")) return QByteArray(v.toBool() ? "true" : "false");
        if (typ == QLatin1String("CURRENCY")) return geldText(v.toCurrency().raw());
        if (typ == QLatin1String("DATE")) return storedDate(v.toDate()).toLatin1();
        return pgText(v);
    }

    void checkOpen() const {
        if (closed_) throw Fehler(nr::ObjektUngueltig, QStringLiteral("Objekt ungültig oder nicht mehr festgelegt."));
    }
    void checkWritable() const {
        checkOpen();
        if (!tr_->hasRowid) throw Fehler(nr::NurLesen, QStringLiteral("Aktualisieren nicht möglich: die Datenbank oder das Objekt ist schreibgeschützt."));
    }

    int columnIndex(const QString& name) const {
        for (qsizetype i = 0; i < cols_.size(); ++i)
            if (cols_[i].compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        if (const qsizetype dot = name.lastIndexOf(u'.'); dot >= 0) {
            const QStringView bare = QStringView(name).mid(dot + 1);
            for (qsizetype i = 0; i < cols_.size(); ++i)
                if (QStringView(cols_[i]).compare(bare, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        }
        throw Fehler(nr::FeldFehlt, QStringLiteral("Element in dieser Auflistung nicht gefunden. (%1)").arg(name));
    }

    const Spalte& tableColumn(const QString& name) {
        if (tableColumns_.empty()) tableColumns_ = conn_->columns(tr_->table);
        for (const auto& c : tableColumns_)
            if (c.name.compare(name, Qt::CaseInsensitive) == 0) return c;
        throw Fehler(nr::FeldFehlt, QStringLiteral("Element in dieser Auflistung nicht gefunden. (%1)").arg(name));
    }
};

}  // namespace

std::unique_ptr<Recordset> openPgRecordset(const std::shared_ptr<PgConnection>& c, const QString& sql,
                                           const std::vector<Variant>& werte) {
    return std::make_unique<PgRecordset>(c, sql, werte);
}

}  // namespace hmz::db
