#include "importer/mdbimport.h"

#include "entry/datenzugriff.h"
#include "entry/schema.h"
#include "entry/zustand.h"
#include "importer/accessfile.h"
#include "importer/convert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hmz::importer {

namespace {

constexpr long ProgressStep = 5000;

[[noreturn]] void writeFailure(const QString& text) { throw Fehler(db::nr::Allgemein, text); }

QString quoted(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

void syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        writeFailure(QStringLiteral("Cannot write '%1': %2").arg(path, QString::fromLocal8Bit(std::strerror(e))));
    }
    ::close(fd);
}

// The file of the store under construction, for discardUnfinishedStore().
char unfertig[4096];
std::atomic<bool> unfertigGesetzt{false};

// The store under construction: a temporary file beside the target that
// becomes the target only in finish(); anything else removes it.
class Store {
public:
    explicit Store(const QString& target) : target_(target) {
        const QFileInfo ziel(target);
        QTemporaryFile tmp(ziel.absolutePath() + QStringLiteral("/.") + ziel.fileName() + QStringLiteral(".import-XXXXXX"));
        tmp.setAutoRemove(false);
        if (!tmp.open())
            writeFailure(QStringLiteral("Cannot create a file in '%1': %2").arg(ziel.absolutePath(), tmp.errorString()));
        path_ = tmp.fileName();
        tmp.close();
        const QByteArray name = QFile::encodeName(path_);
        if (name.size() < static_cast<qsizetype>(sizeof unfertig)) {
            std::memcpy(unfertig, name.constData(), static_cast<std::size_t>(name.size()) + 1);
            unfertigGesetzt.store(true);
        }
        // Temporary files are private; the store gets the mode a new database
        // file gets, or keeps the one of the file it replaces.
        struct stat alt {};
        mode_t modus;
        if (::stat(QFile::encodeName(target).constData(), &alt) == 0) {
            modus = alt.st_mode & 07777;
        } else {
            const mode_t maske = ::umask(0);
            ::umask(maske);
            modus = 0644 & ~maske;
        }
        ::chmod(QFile::encodeName(path_).constData(), modus);
        if (sqlite3_open_v2(QFile::encodeName(path_).constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            fail(QStringLiteral("Cannot open '%1'").arg(path_));
        const QByteArray key = DatenbankPasswort.toUtf8();
        if (sqlite3_key(db_, key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
            fail(QStringLiteral("Cannot encrypt '%1'").arg(path_));
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        // The fuzzer imports thousands of files: a key derivation of one round, never in a real build.
        exec(QStringLiteral("PRAGMA kdf_iter = 1"));
#endif
        // The file is thrown away on failure, so it needs no journal on disk
        // and no syncing until the end; statements still roll back on their own.
        exec(QStringLiteral("PRAGMA cache_size=-65536"));
        exec(QStringLiteral("PRAGMA journal_mode=MEMORY"));
        exec(QStringLiteral("PRAGMA synchronous=OFF"));
        exec(QStringLiteral("BEGIN"));
    }

    ~Store() {
        unfertigGesetzt.store(false);
        if (db_) sqlite3_close(db_);
        if (!path_.isEmpty()) QFile::remove(path_);
    }

    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    sqlite3* db() const { return db_; }

    [[noreturn]] void fail(const QString& what) const {
        writeFailure(QStringLiteral("%1: %2").arg(what, db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString()));
    }

    void exec(const QString& sql) {
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("Cannot write the store (%1)").arg(sql.left(80)));
    }

    // Column names and declared types of a table, by lower-case name.
    QHash<QString, std::pair<QString, QString>> columns(const QString& table) {
        QHash<QString, std::pair<QString, QString>> r;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(quoted(table)).toUtf8();
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr) != SQLITE_OK) fail(QStringLiteral("Cannot read the store"));
        while (sqlite3_step(st) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            const QString typ = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
            r.insert(name.toLower(), {name, typ});
        }
        sqlite3_finalize(st);
        return r;
    }

    void finish(bool overwrite) {
        exec(QStringLiteral("COMMIT"));
        if (sqlite3_close(db_) != SQLITE_OK) fail(QStringLiteral("Cannot close '%1'").arg(path_));
        db_ = nullptr;
        syncPath(path_, O_RDONLY);
        // From here on the file becomes the target: a signal no longer removes it.
        unfertigGesetzt.store(false);
        const QByteArray von = QFile::encodeName(path_), nach = QFile::encodeName(target_);
        int rc;
        if (overwrite) {
            rc = std::rename(von.constData(), nach.constData());
        } else {
            // Never replace a target that appeared while the import ran.
            rc = ::renameat2(AT_FDCWD, von.constData(), AT_FDCWD, nach.constData(), RENAME_NOREPLACE);
            if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
                rc = ::link(von.constData(), nach.constData());
                if (rc == 0) ::unlink(von.constData());
            }
        }
        if (rc != 0)
            writeFailure(QStringLiteral("Cannot create '%1': %2").arg(target_, QString::fromLocal8Bit(std::strerror(errno))));
        path_.clear();
        syncPath(QFileInfo(target_).absolutePath(), O_RDONLY | O_DIRECTORY);
    }

private:
    QString target_;
    QString path_;
    sqlite3* db_ = nullptr;
};

// A table the component reads: its fixed definition, and the statements that
// are best run once its rows are in (the bookings index).
struct FixedTable {
    QString name;
    QStringList create;
    QStringList afterRows;
};

QString createdName(const QString& createStatement) {
    static const QRegularExpression re(QStringLiteral("^CREATE TABLE (\\w+)"));
    return re.match(createStatement).captured(1);
}

std::optional<FixedTable> fixedTable(const QString& accessName) {
    for (const QString& sql : db::schemaGrundtabellen()) {
        const QString name = createdName(sql);
        if (name.compare(accessName, Qt::CaseInsensitive) == 0) return FixedTable{name, {sql}, {}};
    }
    static const QRegularExpression jahrTabelle(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"),
                                                QRegularExpression::CaseInsensitiveOption);
    const auto m = jahrTabelle.match(accessName);
    if (!m.hasMatch()) return std::nullopt;
    const int jahr = m.captured(1).toInt();
    FixedTable t{db::buchungsTabelle(jahr), {}, {}};
    for (const QString& sql : db::schemaBuchungsjahr(jahr))
        (sql.startsWith(QLatin1String("CREATE INDEX")) ? t.afterRows : t.create).append(sql);
    return t;
}

struct TargetColumn {
    QString name;
    ColumnKind kind;
};

class Statement {
public:
    Statement(Store& store, const QString& sql) : store_(store) {
        if (sqlite3_prepare_v2(store.db(), sql.toUtf8().constData(), -1, &st_, nullptr) != SQLITE_OK)
            store.fail(QStringLiteral("Cannot prepare (%1)").arg(sql.left(80)));
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int i, const StoreValue& v) {
        switch (v.type) {
        case StoreValue::Type::Null: sqlite3_bind_null(st_, i); break;
        case StoreValue::Type::Integer: sqlite3_bind_int64(st_, i, v.integer); break;
        case StoreValue::Type::Real: sqlite3_bind_double(st_, i, v.real); break;
        case StoreValue::Type::Text:
            sqlite3_bind_text(st_, i, v.bytes.constData(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
            break;
        case StoreValue::Type::Blob:
            sqlite3_bind_blob(st_, i, v.bytes.constData(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
            break;
        }
    }

    // True when the row went in; false when a constraint refused it (why in
    // refusal); any other failure of the store ends the import.
    bool run(QString& refusal) {
        const int rc = sqlite3_step(st_);
        bool ok = rc == SQLITE_DONE;
        if (!ok) {
            if ((rc & 0xff) != SQLITE_CONSTRAINT) store_.fail(QStringLiteral("Cannot write the store"));
            refusal = QString::fromUtf8(sqlite3_errmsg(store_.db()));
        }
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        return ok;
    }

private:
    Store& store_;
    sqlite3_stmt* st_ = nullptr;
};

// Creates the table of one Access table in the store and returns where each
// Access column goes.
std::vector<TargetColumn> createTable(Store& store, const QString& name, const std::optional<FixedTable>& fixed,
                                      const std::vector<AccessColumn>& quelle) {
    std::vector<TargetColumn> ziel;
    if (!fixed) {
        QStringList spalten;
        for (const AccessColumn& c : quelle) {
            spalten << quoted(c.name) + u' ' + declaredTypeOf(c.kind);
            ziel.push_back({c.name, c.kind});
        }
        store.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(name), spalten.join(QStringLiteral(", "))));
        return ziel;
    }
    for (const QString& sql : fixed->create) store.exec(sql);
    const auto vorhanden = store.columns(fixed->name);
    for (const AccessColumn& c : quelle) {
        const auto it = vorhanden.constFind(c.name.toLower());
        if (it != vorhanden.constEnd()) {
            ziel.push_back({it->first, kindOfDeclaredType(it->second)});
        } else {
            // Kept beside the fixed columns so that nothing of the client's data is dropped.
            store.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                           .arg(quoted(fixed->name), quoted(c.name), declaredTypeOf(c.kind)));
            ziel.push_back({c.name, c.kind});
        }
    }
    return ziel;
}

TableResult copyTable(Store& store, TableSource& quelle, const ImportOptions& opt, QList<Problem>& problems,
                      QStringList& afterRows, QSet<QString>& fixedDone) {
    const std::optional<FixedTable> fixed = fixedTable(quelle.name());
    TableResult r;
    r.name = fixed ? fixed->name : quelle.name();
    if (fixed) {
        fixedDone.insert(fixed->name);
        afterRows += fixed->afterRows;
    }
    if (opt.progress) opt.progress(r.name, 0, false);

    const auto& spalten = quelle.columns();
    if (spalten.empty()) {
        problems.append({r.name, 0, {}, QStringLiteral("table without columns not copied")});
        return r;
    }
    const std::vector<TargetColumn> ziel = createTable(store, r.name, fixed, spalten);
    for (const AccessColumn& c : spalten)
        if (c.typeName == u"Attachment/Multi-value")
            problems.append({r.name, 0, c.name, QStringLiteral("attachments and multi-value entries are not copied, "
                                                                "only their reference number")});

    QStringList namen, platzhalter;
    for (const TargetColumn& z : ziel) {
        namen << quoted(z.name);
        platzhalter << QStringLiteral("?");
    }
    Statement insert(store, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(quoted(r.name), namen.join(QStringLiteral(", ")), platzhalter.join(QStringLiteral(", "))));

    std::vector<SourceValue> werte;
    std::vector<QString> leseProbleme;
    while (quelle.next(werte, leseProbleme)) {
        if (opt.cancel && opt.cancel->load(std::memory_order_relaxed))
            writeFailure(QStringLiteral("The import was cancelled."));
        ++r.rowsRead;
        for (std::size_t i = 0; i < ziel.size(); ++i) {
            Conversion c = convert(werte[i], ziel[i].kind);
            const QString& problem = leseProbleme[i].isEmpty() ? c.problem : leseProbleme[i];
            if (!problem.isEmpty()) problems.append({r.name, r.rowsRead, ziel[i].name, problem});
            insert.bind(static_cast<int>(i) + 1, c.value);
        }
        QString abgelehnt;
        if (insert.run(abgelehnt))
            ++r.rowsWritten;
        else
            problems.append({r.name, r.rowsRead, {}, QStringLiteral("row not copied: %1").arg(abgelehnt)});
        if (opt.progress && r.rowsRead % ProgressStep == 0) opt.progress(r.name, r.rowsRead, false);
    }
    if (opt.progress) opt.progress(r.name, r.rowsRead, true);
    return r;
}

void refuseExistingTarget(const ImportOptions& opt) {
    if (QFileInfo::exists(opt.dbPath) && !opt.overwrite)
        writeFailure(QStringLiteral("The file '%1' exists already.").arg(opt.dbPath));
}

}  // namespace

void discardUnfinishedStore() noexcept {
    if (unfertigGesetzt.load()) ::unlink(unfertig);
}

ImportResult importMdb(const ImportOptions& opt) {
    refuseExistingTarget(opt);
    const AccessFile access(opt.mdbPath);
    return importTables(access.tables(), [&access](const QString& name) -> std::unique_ptr<TableSource> {
        return access.open(name);
    }, opt);
}

ImportResult importTables(const QStringList& names, const OpenTable& open, const ImportOptions& opt) {
    refuseExistingTarget(opt);
    Store store(opt.dbPath);

    ImportResult result;
    QStringList afterRows;
    QSet<QString> fixedDone;
    for (const QString& name : names) {
        auto tabelle = open(name);
        result.tables.append(copyTable(store, *tabelle, opt, result.problems, afterRows, fixedDone));
    }
    // The component expects its fixed tables even where the client never used them.
    for (const QString& sql : db::schemaGrundtabellen()) {
        const QString name = createdName(sql);
        if (fixedDone.contains(name)) continue;
        store.exec(sql);
        result.createdEmpty.append(name);
    }
    for (const QString& sql : afterRows) store.exec(sql);
    store.finish(opt.overwrite);
    return result;
}

}  // namespace hmz::importer
