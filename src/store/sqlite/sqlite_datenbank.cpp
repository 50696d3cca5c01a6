// The embedded store: databases on SQCipher files. Connections to the same
// file with the same password are shared (the data controls and the balance
// check read through one page cache); an exclusive open gets a connection of
// its own and holds the file's lock until it is closed.
//
// Several programs use one file at once: files are kept in write-ahead mode
// (readers never wait for the writer), every write transaction takes the
// write lock when it begins, and a busy file is waited for before 3045.
#include "store/speicher.h"
#include "store/sqlite/sqlite_verbindung.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace hmz::db {

namespace {

int busyTimeoutMs = 5000;

std::function<void(const QString&)>& newPasswordHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

// ";pwd=secret", "Access;pwd=secret;", "Access 2000;PWD=;": the password,
// empty when none is given.
QString passwordFrom(const QString& connect) {
    QString password;
    for (const QString& part : connect.split(u';')) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0) continue;
        if (part.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0) password = part.mid(eq + 1);
    }
    return password;
}

// The file behind name, or the engine's error for why it cannot be one.
QString checkedFile(const QString& name) {
    const QFileInfo fi(name);
    if (name.isEmpty() || !fi.exists())
        throw Fehler(nr::DateiNichtGefunden, QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(name));
    if (fi.isDir())
        throw Fehler(nr::KeinGueltigerPfad,
                     QStringLiteral("'%1' ist kein gültiger Pfad: das ist ein Ordner, keine Datenbankdatei.").arg(name));
    if (!fi.isFile() || !fi.isReadable())
        throw Fehler(nr::KannNichtOeffnen,
                     QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: es fehlt die Berechtigung, sie zu lesen.").arg(name));
    return fi.canonicalFilePath();
}

// Whether the database holds the tables every client has.
bool mandantTabellen(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    bool ja = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND lower(name) IN "
                                     "('objdaten', 'allgmanddaten')", -1, &s, nullptr) == SQLITE_OK &&
              sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) == 2;
    sqlite3_finalize(s);
    return ja;
}

// SQLite 3.15 reads a file in write-ahead mode only through the log's index
// beside it, which it must be able to create or write. Where it cannot (a
// read-only folder or medium), a file without an unfinished log is read as
// immutable; one with an unfinished log cannot be read there at all.
bool unveraenderlichLesen(const QString& path) {
    const QString index = path + QStringLiteral("-shm"), log = path + QStringLiteral("-wal");
    const QString ordner = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(index) ? ::access(QFile::encodeName(index).constData(), R_OK | W_OK) == 0
                                 : ::access(QFile::encodeName(ordner).constData(), W_OK | X_OK) == 0)
        return false;
    if (QFileInfo(log).size() > 0)
        throw Fehler(nr::KannNichtOeffnen,
                     QStringLiteral("Die Datenbank '%1' kann hier nur gelesen werden, ihr Protokoll '%2' enthält aber noch "
                                    "nicht abgeschlossene Änderungen eines Programms, das nicht regulär beendet wurde. "
                                    "Öffnen Sie sie einmal dort, wo sie geschrieben werden kann; dann wird es übernommen.")
                         .arg(path, log));
    return true;
}

// SQLCipher says only "file is encrypted or is not a database"; the first
// bytes tell a plain database (wrong key given) from one that looks
// encrypted (wrong or missing key) and from something else entirely.
[[noreturn]] void throwUnreadable(const QString& path, const QString& password) {
    QFile f(path);
    QByteArray head;
    if (f.open(QIODevice::ReadOnly)) head = f.read(16);
    const qint64 size = QFileInfo(path).size();
    const bool plain = head == QByteArray("SQLite format 3\0", 16);
    const bool looksEncrypted = !plain && size >= 1024 && size % 512 == 0 && !head.startsWith(QByteArray("\0\1\0\0", 4));
    if (plain && !password.isEmpty()) {
        // A plain client is given the password; another program's file is not.
        sqlite3* db = nullptr;
        const QByteArray name = QFile::encodeName(path);
        sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        const bool mandant = mandantTabellen(db);
        sqlite3_close_v2(db);
        if (!mandant) keinMandant(path);
    }
    if ((plain && !password.isEmpty()) || looksEncrypted)
        throw Fehler(nr::KeinGueltigesPasswort, QStringLiteral("Kein gültiges Kennwort."));
    if (plain) throw Fehler(nr::KeineDatenbank, QStringLiteral("Unbekanntes Datenbankformat '%1'.").arg(path));
    keinMandant(path);
}

void execOn(sqlite3* db, const char* sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) throwSqlite(db, rc);
}

QString pragmaText(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc);
    rc = sqlite3_step(s);
    const QString v = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) : QString();
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throwSqlite(db, rc);
    return v;
}

// Switches a file opened for writing to write-ahead logging, once per file:
// files made before it keep a rollback journal until then. A file that
// another program holds in the old mode is left for the next open.
void writeAhead(sqlite3* db) {
    if (pragmaText(db, "PRAGMA journal_mode") != QLatin1String("wal")) {
        const int rc = sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) return;
        if (rc != SQLITE_OK) throwSqlite(db, rc);
    }
    // A commit is then synced at checkpoints only: a killed or crashed
    // program still leaves every transaction whole or absent.
    execOn(db, "PRAGMA synchronous = NORMAL");
}

struct Handle {
    sqlite3* db = nullptr;
    ~Handle() {
        if (db) sqlite3_close_v2(db);
    }
    sqlite3* take() { return std::exchange(db, nullptr); }
};

// Opens, keys and probes the file; an exclusive open takes the file's lock
// at once, so that it fails here and not in the middle of later work.
sqlite3* openHandle(const QString& path, const QString& password, bool exclusive, bool readOnly, bool create = false) {
    // SQLite would take an empty file for an empty database and write one into it.
    if (!create && QFileInfo(path).size() == 0) keinMandant(path);
    Handle h;
    // A reader opens for writing where it can (the file alone decides, and
    // query_only below keeps it from writing), so that when it closes the
    // file last it folds the log in and removes it like any other program.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_PRIVATECACHE;
    QByteArray name = QFile::encodeName(path);
    if (readOnly && unveraenderlichLesen(path)) {
        name = QUrl::fromLocalFile(path).toEncoded() + "?immutable=1";
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_PRIVATECACHE | SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(name.constData(), &h.db, flags, nullptr);
    if (rc != SQLITE_OK) throwSqlite(h.db, rc, path);
    if (!password.isEmpty()) {
        const QByteArray pw = password.toUtf8();
        rc = sqlite3_key(h.db, pw.constData(), static_cast<int>(pw.size()));
        if (rc != SQLITE_OK) throwSqlite(h.db, rc, path);
    }
    sqlite3_busy_timeout(h.db, exclusive ? 0 : busyTimeoutMs);
    rc = sqlite3_exec(h.db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_NOTADB) throwUnreadable(path, password);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw Fehler(nr::ExklusivGeoeffnet,
                     QStringLiteral("Die Datenbank '%1' ist von einem anderen Benutzer exklusiv geöffnet. "
                                    "Versuchen Sie es wieder, wenn sie frei ist.").arg(path));
    if (rc != SQLITE_OK) throwSqlite(h.db, rc, path);
    if (exclusive) {
        execOn(h.db, "PRAGMA locking_mode = EXCLUSIVE");
        if (!readOnly) {
            rc = sqlite3_exec(h.db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                throw Fehler(nr::Gesperrt, QStringLiteral("Die Datei '%1' kann nicht verwendet werden: sie ist bereits in Gebrauch.").arg(path));
            if (rc != SQLITE_OK) throwSqlite(h.db, rc, path);
            execOn(h.db, "COMMIT");
        }
        sqlite3_busy_timeout(h.db, busyTimeoutMs);
    }
    // SQLCipher decrypts every page it reads: a large cache saves most of it.
    execOn(h.db, "PRAGMA cache_size = -65536");
    if (readOnly) execOn(h.db, "PRAGMA query_only = ON");
    if (!readOnly && !exclusive) writeAhead(h.db);
    return h.take();
}

// Connections of the process by file, for sharing and for the exclusive rule.
struct Registry {
    std::mutex mutex;
    QHash<QString, std::weak_ptr<Connection>> shared;  // path \n password \n readOnly
    std::vector<std::weak_ptr<Connection>> all;

    static QString key(const QString& path, const QString& password, bool readOnly) {
        return path + u'\n' + password + u'\n' + (readOnly ? u'r' : u'w');
    }

    // Live connections to path (expired entries are dropped on the way).
    std::vector<std::shared_ptr<Connection>> live(const QString& path) {
        std::vector<std::shared_ptr<Connection>> out;
        std::erase_if(all, [](const auto& w) { return w.expired(); });
        for (const auto& w : all)
            if (auto c = w.lock(); c && c->path() == path) out.push_back(std::move(c));
        return out;
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<Connection> connectionFor(const QString& name, bool exclusive, bool readOnly, const QString& connect) {
    const QString path = checkedFile(name);
    const QString password = passwordFrom(connect);
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    const auto others = reg.live(path);
    if (exclusive) {
        if (!others.empty())
            throw Fehler(nr::Gesperrt, QStringLiteral("Die Datei '%1' kann nicht verwendet werden: sie ist bereits in Gebrauch.").arg(name));
    } else {
        for (const auto& o : others)
            if (o->exclusive())
                throw Fehler(nr::ExklusivGeoeffnet,
                             QStringLiteral("Die Datenbank '%1' ist bereits exklusiv geöffnet. "
                                            "Versuchen Sie es wieder, wenn sie frei ist.").arg(name));
        const QString key = Registry::key(path, password, readOnly);
        if (auto c = reg.shared.value(key).lock()) return c;
    }
    auto c = std::make_shared<Connection>(openHandle(path, password, exclusive, readOnly), path, password, exclusive, readOnly);
    reg.all.push_back(c);
    if (!exclusive) reg.shared.insert(Registry::key(path, password, readOnly), c);
    return c;
}

void syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        throw Fehler(nr::Allgemein, QStringLiteral("'%1' kann nicht auf die Platte geschrieben werden: %2").arg(path, QString::fromLocal8Bit(std::strerror(e))));
    }
    ::close(fd);
}

std::int64_t pragmaInt(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db, rc);
    rc = sqlite3_step(s);
    const std::int64_t v = rc == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throwSqlite(db, rc);
    return v;
}

// Writes a copy of the database under the new password beside it, syncs it
// and renames it over the original: a crash at any moment leaves either the
// old file or the new one.
void rekeyByCopy(Connection& c, const QString& neu) {
    const QString path = c.path();
    const QString copy = path + QStringLiteral(".hmzres-neu");
    QFile::remove(copy);  // left behind by an earlier crash
    sqlite3* db = c.db();
    bool attached = false;
    try {
        // The connection may not create files; an empty file is an empty database.
        {
            QFile leer(copy);
            if (!leer.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                throw Fehler(nr::Allgemein, QStringLiteral("'%1' kann nicht angelegt werden: %2").arg(copy, leer.errorString()));
            leer.setPermissions(QFile::permissions(path) & ~(QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
        }
        sqlite3_stmt* attach = nullptr;
        int rc = sqlite3_prepare_v2(db, "ATTACH DATABASE ? AS hmz_neu KEY ?", -1, &attach, nullptr);
        if (rc != SQLITE_OK) throwSqlite(db, rc);
        bindValues(attach, {SqlValue(copy), SqlValue(neu)});
        rc = sqlite3_step(attach);
        sqlite3_finalize(attach);
        if (rc != SQLITE_DONE) throwSqlite(db, rc, copy);
        attached = true;
        const std::int64_t userVersion = pragmaInt(db, "PRAGMA main.user_version");
        execOn(db, "SELECT sqlcipher_export('hmz_neu')");
        // sqlcipher_export does not copy the user version.
        execOn(db, QStringLiteral("PRAGMA hmz_neu.user_version = %1").arg(userVersion).toUtf8().constData());
        execOn(db, "PRAGMA hmz_neu.journal_mode = WAL");  // nor the journal mode
        execOn(db, "DETACH DATABASE hmz_neu");
        attached = false;
        syncPath(copy, O_RDONLY);
        if (newPasswordHook()) newPasswordHook()(copy);
        // A write-ahead log beside the path would be taken for the new
        // file's: fold it into the old file and remove it before the rename.
        if (pragmaText(db, "PRAGMA main.journal_mode") == QLatin1String("wal"))
            execOn(db, "PRAGMA main.journal_mode = DELETE");
        if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0)
            throw Fehler(nr::Allgemein, QStringLiteral("'%1' kann nicht ersetzt werden: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    } catch (...) {
        if (attached) sqlite3_exec(db, "DETACH DATABASE hmz_neu", nullptr, nullptr, nullptr);
        QFile::remove(copy);
        throw;
    }
    syncPath(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
    // The old handle still reads the replaced file; go on with the new one.
    c.replaceHandle(openHandle(path, neu, c.exclusive(), c.readOnly()), neu);
}

class SqliteDatabase final : public Database {
public:
    SqliteDatabase(std::shared_ptr<Connection> c, QString name) : c_(std::move(c)), name_(std::move(name)) {}
    ~SqliteDatabase() override { offeneZuruecksetzen(); }

    std::unique_ptr<Recordset> OpenRecordset(const QString& sql, const std::vector<Variant>& werte) override {
        return openRecordset(conn(), sql, werte);
    }

    void Zeilen(const QString& sql, const std::function<void(const std::vector<Variant>&)>& zeile) override {
        eachRow(conn(), sql, zeile);
    }

    void Execute(const QString& sql, const std::vector<Variant>& werte) override {
        Connection& c = *conn();
        const auto tr = c.translation(sql);
        if (tr->isQuery) throw Fehler(nr::KeineAuswahl, QStringLiteral("Eine Auswahlabfrage kann nicht ausgeführt werden."));
        if (tr->isDdl) {
            c.exec(tr->sql);
            c.schemaChanged();
            return;
        }
        Connection::Lease l = c.acquire(tr->sql, tr.get());
        try {
            bindValues(l.stmt, withArguments(*tr, werte));
            const int rc = sqlite3_step(l.stmt);
            if (rc != SQLITE_DONE && rc != SQLITE_ROW) throwSqlite(c.db(), rc);
        } catch (...) {
            c.release(tr->sql, l);
            throw;
        }
        c.release(tr->sql, l);
    }

    // SQLite here has no UPSERT: the update, and the insert when it found no
    // row, under one write lock.
    void JahresergebnisSchreiben(long objNr, int jahr, Currency hmzOhneEhb, Currency vereinnEhb) override {
        const std::vector<Variant> werte{Variant::currency(hmzOhneEhb), Variant::currency(vereinnEhb),
                                         Variant::lng(static_cast<std::int32_t>(objNr)), Variant::lng(jahr)};
        Transaktion t(*this);
        Execute(QStringLiteral("UPDATE ObjHmzResJahresSummen SET HmzHMZOhneEHB = ?, HmzVereinnEHB = ? "
                               "WHERE HmzObjNr = ? AND HmzJahr = ?"), werte);
        if (sqlite3_changes(verbindung()) == 0) {
            Execute(QStringLiteral("INSERT INTO ObjHmzResJahresSummen (HmzHMZOhneEHB, HmzVereinnEHB, HmzObjNr, HmzJahr) "
                                   "VALUES (?, ?, ?, ?)"), werte);
            if (sqlite3_changes(verbindung()) != 1) jahresergebnisNichtGespeichert(objNr, jahr);
        }
        t.commit();
    }

    void NewPassword(const QString& alt, const QString& neu) override {
        Connection& c = *conn();
        if (alt != c.password()) throw Fehler(nr::KeinGueltigesPasswort, QStringLiteral("Kein gültiges Kennwort."));
        if (!c.exclusive())
            throw Fehler(nr::NichtExklusiv, QStringLiteral("Das Kennwort einer gemeinsam geöffneten Datenbank kann nicht geändert werden."));
        if (c.readOnly())
            throw Fehler(nr::NurLesen, QStringLiteral("Aktualisieren nicht möglich: die Datenbank '%1' ist nur zum Lesen geöffnet.").arg(c.path()));
        if (alt == neu) return;
        if (alt.isEmpty() && !mandantTabellen(c.db())) keinMandant(c.path());
        rekeyByCopy(c, neu);
    }

    // The depth counts our BEGIN and SAVEPOINTs; the engine may have ended
    // the transaction on its own (a failed COMMIT, I/O errors), which
    // sqlite3_get_autocommit tells. Every step re-reads it, so the counter
    // never claims a transaction the engine does not have.

    void BeginTrans() override {
        // IMMEDIATE: a deferred one would start as a reader and could not
        // become the writer once another program has committed meanwhile.
        begin(QStringLiteral("BEGIN IMMEDIATE"));
    }
    // A deferred transaction that only reads sees one snapshot of the
    // write-ahead log and takes no write lock.
    void BeginLesen() override { begin(QStringLiteral("BEGIN")); }
    void CommitTrans() override {
        Connection& c = *conn();
        eigene(c);
        if (!inTransaction(c))
            throw Fehler(nr::Allgemein, QStringLiteral("Die Transaktion wurde vom Datenbankmodul zurückgesetzt; nichts davon wurde gespeichert."));
        const int depth = c.transactionDepth - 1;
        try {
            c.exec(depth == 0 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE hmz_t%1").arg(depth));
        } catch (...) {
            // What could not be committed is rolled back, not left open.
            rollbackTo(c, depth);
            throw;
        }
        setDepth(c, depth);
    }
    void Rollback() override {
        Connection& c = *conn();
        eigene(c);
        if (inTransaction(c)) rollbackTo(c, c.transactionDepth - 1);
    }

    void Close() override {
        offeneZuruecksetzen();
        c_.reset();
    }
    bool IstOffen() const override { return c_ != nullptr; }
    QString Name() const override { return name_; }
    sqlite3* verbindung() const { return conn()->db(); }

    QStringList Tabellen() override {
        QStringList namen;
        Zeilen(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name"),
               [&](const std::vector<Variant>& z) { namen << z.at(0).toString(); });
        return namen;
    }

    std::vector<Spalte> Spalten(const QString& tabelle) override {
        std::vector<Spalte> out;
        for (const auto& c : conn()->tableColumns(tabelle)) out.push_back({c.name, c.type});
        return out;
    }

    void Feldzeilen(const QString& tabelle, const std::function<void(const std::vector<Feldwert>&)>& zeile) override {
        feldzeilen(*conn(), tabelle, zeile);
    }

    void Anhaengen(const QString& tabelle, const QStringList& spalten,
                   const std::function<bool(std::vector<Feldwert>&)>& naechste) override {
        Connection& c = *conn();
        eigene(c);
        QStringList namen, marken;
        for (const QString& s : spalten) {
            namen << u'"' + QString(s).replace(u'"', QStringLiteral("\"\"")) + u'"';
            marken << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(tabelle, namen.join(u','), marken.join(u',')).toUtf8();
        sqlite3_stmt* st = nullptr;
        if (const int rc = sqlite3_prepare_v2(c.db(), sql.constData(), -1, &st, nullptr); rc != SQLITE_OK) throwSqlite(c.db(), rc);
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> frei(st, sqlite3_finalize);
        std::vector<Feldwert> werte;
        while (naechste(werte)) {
            feldwerteBinden(st, werte);
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            if (rc != SQLITE_DONE) throwSqlite(c.db(), rc);
        }
    }

private:
    std::shared_ptr<Connection> c_;
    QString name_;

    const std::shared_ptr<Connection>& conn() const {
        if (!c_) throw Fehler(nr::ObjektUngueltig, QStringLiteral("Objekt ungültig oder nicht mehr festgelegt."));
        return c_;
    }
    void begin(const QString& erste) {
        Connection& c = *conn();
        if (inTransaction(c) && c.transactionOwner != this) fremdeTransaktion();
        c.exec(c.transactionDepth == 0 ? erste : QStringLiteral("SAVEPOINT hmz_t%1").arg(c.transactionDepth));
        if (c.transactionDepth++ == 0) c.transactionOwner = this;
    }
    void eigene(Connection& c) const {
        if (c.transactionDepth == 0) noTransaction();
        if (c.transactionOwner != this) fremdeTransaktion();
    }
    static void setDepth(Connection& c, int depth) {
        c.transactionDepth = depth;
        if (depth == 0) c.transactionOwner = nullptr;
    }
    static bool inTransaction(Connection& c) {
        if (sqlite3_get_autocommit(c.db())) setDepth(c, 0);
        return c.transactionDepth > 0;
    }
    // A handle given back with its transaction open: rolled back and reported.
    void offeneZuruecksetzen() noexcept {
        if (!c_ || c_->transactionOwner != this || !inTransaction(*c_)) return;
        try {
            rollbackTo(*c_, 0);
        } catch (...) {
        }
        setDepth(*c_, 0);
        offeneTransaktionMelden(name_);
    }
    // Ends the transaction at `depth` (0: the whole one); the engine's own
    // state decides what is left.
    static void rollbackTo(Connection& c, int depth) {
        const QByteArray sql = depth == 0 ? QByteArray("ROLLBACK")
                                          : QStringLiteral("ROLLBACK TO hmz_t%1; RELEASE hmz_t%1").arg(depth).toUtf8();
        const int rc = sqlite3_exec(c.db(), sql.constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && depth > 0) sqlite3_exec(c.db(), "ROLLBACK", nullptr, nullptr, nullptr);
        setDepth(c, sqlite3_get_autocommit(c.db()) ? 0 : depth);
        if (rc != SQLITE_OK && !sqlite3_get_autocommit(c.db())) throwSqlite(c.db(), rc);
    }
    [[noreturn]] static void noTransaction() {
        throw Fehler(nr::OhneTransaktion,
                     QStringLiteral("Festschreiben oder Zurücksetzen ohne begonnene Transaktion."));
    }
};

}  // namespace

void setBusyTimeout(int milliseconds) { busyTimeoutMs = milliseconds; }
int busyTimeout() { return busyTimeoutMs; }

void setzeNeuesPasswortHaken(std::function<void(const QString&)> haken) { newPasswordHook() = std::move(haken); }

class DateiSpeicher final : public Speicher {
public:
    std::unique_ptr<Database> oeffnen(const QString& name, bool exclusive, bool readOnly, const QString& connect) override {
        return std::make_unique<SqliteDatabase>(connectionFor(name, exclusive, readOnly, connect), name);
    }

    std::unique_ptr<Database> anlegen(const QString& name, const QString& passwort) override {
        if (QFileInfo::exists(name))
            throw Fehler(nr::DatenbankExistiert, QStringLiteral("Die Datenbank existiert bereits. ('%1')").arg(name));
        if (name.isEmpty() || !QFileInfo(QFileInfo(name).absolutePath()).isDir())
            throw Fehler(nr::KeinGueltigerPfad, QStringLiteral("'%1' ist kein gültiger Pfad.").arg(name));
        neueDatei(name);
        sqlite3* db = nullptr;
        try {
            for (const QString& rest : nebenDateien(name)) QFile::remove(rest);  // of a file gone before
            db = openHandle(name, passwort, false, false, true);
        } catch (...) {
            QFile::remove(name);  // made exclusively above: ours
            throw;
        }
        const QString path = QFileInfo(name).canonicalFilePath();
        auto c = std::make_shared<Connection>(db, path, passwort, false, false);
        auto& reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.all.push_back(c);
        return std::make_unique<SqliteDatabase>(std::move(c), name);
    }

    std::unique_ptr<Ladung> laden(const QString& name, const QString& passwort, bool ersetzen) override {
        return neueDateiLadung(name, passwort, ersetzen);
    }

    bool vorhanden(const QString& name) override { return QFileInfo::exists(name); }
};

sqlite3* sqliteHandle(Database& db) {
    auto* s = dynamic_cast<SqliteDatabase*>(&db);
    return s ? s->verbindung() : nullptr;
}

Speicher& dateiSpeicher() {
    static DateiSpeicher s;
    return s;
}

}  // namespace hmz::db
