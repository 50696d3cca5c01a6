// A whole client into a new file: written into a temporary file beside the
// target with prepared inserts in one transaction, synced and renamed at the
// end. An interrupted or failed load leaves no file behind.
#include "store/sqlite/sqlite_verbindung.h"

#include "core/fehler.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hmz::db {

namespace {

[[noreturn]] void writeFailure(const QString& text) { throw Fehler(nr::Allgemein, text); }

// The file of the load under way, for a signal handler that ends the process
// at once (unfertigeDateiVerwerfen); one load at a time is remembered.
char unfertig[4096];
std::atomic<bool> unfertigGesetzt{false};
std::atomic<bool> abschluss{false};

void syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        writeFailure(QStringLiteral("'%1' kann nicht geschrieben werden: %2").arg(path, QString::fromLocal8Bit(std::strerror(e))));
    }
    ::close(fd);
}

QString quoted(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

// Definitions need no knowledge of the schema.
struct NoSchema final : SchemaInfo {
    bool isDateColumn(QStringView) const override { return false; }
    bool isCurrencyColumn(QStringView) const override { return false; }
    bool isTable(QStringView) const override { return false; }
};

// The lock of a client that a load replaces, held from the load's start
// until its rename, through SQLite's own locking so that it meets every other
// connection's (in write-ahead mode a program holds its part of it for as
// long as it has the file open): a target in use is refused before any work,
// and none opens it while its side files go and the new file comes.
class ZielSperre {
public:
    explicit ZielSperre(const QString& ziel) {
        int rc = sqlite3_open_v2(QFile::encodeName(ziel).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &datei_);
        if (rc == SQLITE_OK && datei_ && datei_->pMethods) {
            rc = datei_->pMethods->xLock(datei_, SQLITE_LOCK_SHARED);
            if (rc == SQLITE_OK) rc = datei_->pMethods->xLock(datei_, SQLITE_LOCK_EXCLUSIVE);
        }
        if (rc == SQLITE_OK && datei_) return;
        freigeben();
        if ((rc & 0xff) == SQLITE_BUSY)
            throw Fehler(nr::Gesperrt, QStringLiteral("Die Datenbank '%1' wird gerade von einem anderen Programm benutzt und "
                                                      "kann nicht ersetzt werden. Versuchen Sie es erneut, wenn es sie "
                                                      "geschlossen hat.").arg(ziel));
        throw Fehler(nr::KannNichtOeffnen, QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: %2")
                                               .arg(ziel, QString::fromUtf8(sqlite3_errstr(rc))));
    }
    ~ZielSperre() { freigeben(); }
    ZielSperre(const ZielSperre&) = delete;
    ZielSperre& operator=(const ZielSperre&) = delete;

private:
    void freigeben() {
        if (datei_ && datei_->pMethods) datei_->pMethods->xUnlock(datei_, SQLITE_LOCK_NONE);
        datei_ = nullptr;
        sqlite3_close(std::exchange(db_, nullptr));
    }

    sqlite3* db_ = nullptr;
    sqlite3_file* datei_ = nullptr;
};

class DateiLadung final : public Ladung {
public:
    DateiLadung(const QString& target, const QString& password, bool replace) : target_(target), replace_(replace) {
        ladungSchliesstAb(false);
        if (!replace && QFileInfo::exists(target))
            throw Fehler(nr::DatenbankExistiert, QStringLiteral("Die Datenbank existiert bereits. ('%1')").arg(target));
        if (replace && QFileInfo::exists(target)) zielSperre_ = std::make_unique<ZielSperre>(target);
        const QFileInfo ziel(target);
        const QString muster = QStringLiteral(".") + ziel.fileName() + QStringLiteral(".neu-");
        verwaisteEntfernen(ziel.absolutePath(), muster);
        QTemporaryFile tmp(ziel.absolutePath() + QLatin1Char('/') + muster + QStringLiteral("XXXXXX"));
        tmp.setAutoRemove(false);
        if (!tmp.open())
            writeFailure(QStringLiteral("In '%1' kann keine Datei angelegt werden: %2").arg(ziel.absolutePath(), tmp.errorString()));
        path_ = tmp.fileName();
        tmp.close();
        if (const QByteArray name = QFile::encodeName(path_); name.size() < static_cast<qsizetype>(sizeof unfertig)) {
            std::memcpy(unfertig, name.constData(), static_cast<std::size_t>(name.size()) + 1);
            unfertigGesetzt.store(true);
        }
        // Held while the load runs: a file of this name without it was left
        // by a load that was killed, and the next load removes it.
        sperre_ = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC);
        if (sperre_ >= 0) ::flock(sperre_, LOCK_EX | LOCK_NB);
        // The temporary file stays private; the client gets the mode of a new
        // one, or the group's of the file it replaces, never any for others.
        struct stat alt {};
        if (::stat(QFile::encodeName(target).constData(), &alt) == 0) {
            modus_ = alt.st_mode & 0770;
        } else {
            const mode_t maske = ::umask(0);
            ::umask(maske);
            modus_ = 0660 & ~maske;
        }
        if (sqlite3_open_v2(QFile::encodeName(path_).constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            fail(QStringLiteral("'%1' kann nicht geöffnet werden").arg(path_));
        if (!password.isEmpty()) {
            const QByteArray key = password.toUtf8();
            if (sqlite3_key(db_, key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
                fail(QStringLiteral("'%1' kann nicht verschlüsselt werden").arg(path_));
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
            // The fuzzer imports thousands of files: a key derivation of one round, never in a real build.
            exec("PRAGMA kdf_iter = 1");
#endif
        }
        // The file is thrown away on failure, so it needs no journal on disk
        // and no syncing until the end; statements still roll back on their own.
        exec("PRAGMA cache_size=-65536");
        exec("PRAGMA journal_mode=MEMORY");
        exec("PRAGMA synchronous=OFF");
        exec("BEGIN");
    }

    ~DateiLadung() override {
        unfertigGesetzt.store(false);
        ziele_.clear();
        if (db_) sqlite3_close(db_);
        if (!path_.isEmpty()) QFile::remove(path_);
        if (sperre_ >= 0) ::close(sperre_);
    }

    // Removes the temporary files of earlier loads of the same target that
    // no running load holds.
    static void verwaisteEntfernen(const QString& ordner, const QString& muster) {
        const QDir dir(ordner);
        for (const QString& name : dir.entryList({muster + u'*'}, QDir::Files | QDir::Hidden | QDir::System)) {
            const QByteArray pfad = QFile::encodeName(dir.filePath(name));
            const int fd = ::open(pfad.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(pfad.constData());
            ::close(fd);
        }
    }

    void Execute(const QString& sql) override {
        exec(translate(sql, NoSchema()).sql.toUtf8().constData());
    }

    std::vector<Spalte> Spalten(const QString& tabelle) override {
        std::vector<Spalte> r;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(quoted(tabelle)).toUtf8();
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr) != SQLITE_OK) fail(QStringLiteral("Der Speicher kann nicht gelesen werden"));
        while (sqlite3_step(st) == SQLITE_ROW)
            r.push_back({QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))),
                         QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))).toUpper()});
        sqlite3_finalize(st);
        return r;
    }

    int Ziel(const QString& tabelle, const QStringList& spalten) override {
        QStringList namen, marken;
        for (const QString& s : spalten) {
            namen << quoted(s);
            marken << QStringLiteral("?");
        }
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(quoted(tabelle), namen.join(u','), marken.join(u','))
                                   .toUtf8();
        Ziel_ z;
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &z.stmt, nullptr) != SQLITE_OK)
            fail(QStringLiteral("Die Anweisung kann nicht vorbereitet werden (%1)").arg(QString::fromUtf8(sql.left(80))));
        ziele_.push_back(std::move(z));
        return static_cast<int>(ziele_.size()) - 1;
    }

    void Zeile(int ziel, const std::vector<Feldwert>& werte) override {
        Ziel_& z = ziele_.at(static_cast<std::size_t>(ziel));
        sqlite3_stmt* st = z.stmt;
        feldwerteBinden(st, werte);
        ++z.zeilen;
        const int rc = sqlite3_step(st);
        QString grund;
        if (rc != SQLITE_DONE) {
            if ((rc & 0xff) != SQLITE_CONSTRAINT || !abgelehnt) fail(QStringLiteral("In den Speicher kann nicht geschrieben werden"));
            grund = QString::fromUtf8(sqlite3_errmsg(db_));
        }
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        if (!grund.isEmpty()) abgelehnt(ziel, z.zeilen, grund);
    }

    void Fertig() override {
        ladungSchliesstAb(true);
        exec("COMMIT");
        exec("PRAGMA journal_mode=WAL");  // several programs use a client from its first day
        ziele_.clear();
        if (sqlite3_close(db_) != SQLITE_OK) fail(QStringLiteral("'%1' kann nicht geschlossen werden").arg(path_));
        db_ = nullptr;
        if (::chmod(QFile::encodeName(path_).constData(), modus_) != 0)
            writeFailure(QStringLiteral("Die Zugriffsrechte von '%1' können nicht gesetzt werden: %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
        syncPath(path_, O_RDONLY);
        // A log left beside the target belongs to the file it replaces (or to
        // one long gone), never to this one.
        struct stat da {};
        if (replace_ || ::lstat(QFile::encodeName(target_).constData(), &da) != 0)
            for (const QString& rest : nebenDateien(target_))
                if (::unlink(QFile::encodeName(rest).constData()) != 0 && errno != ENOENT)
                    writeFailure(QStringLiteral("'%1' kann nicht entfernt werden: %2").arg(rest, QString::fromLocal8Bit(std::strerror(errno))));
        // From here on the file becomes the target: a signal no longer removes it.
        unfertigGesetzt.store(false);
        const QByteArray von = QFile::encodeName(path_), nach = QFile::encodeName(target_);
        int rc;
        if (replace_) {
            rc = std::rename(von.constData(), nach.constData());
        } else {
            // Never replace a target that appeared while the load ran.
            rc = ::renameat2(AT_FDCWD, von.constData(), AT_FDCWD, nach.constData(), RENAME_NOREPLACE);
            if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
                rc = ::link(von.constData(), nach.constData());
                if (rc == 0) ::unlink(von.constData());
            }
        }
        if (rc != 0)
            writeFailure(QStringLiteral("'%1' kann nicht angelegt werden: %2").arg(target_, QString::fromLocal8Bit(std::strerror(errno))));
        path_.clear();
        zielSperre_.reset();
        syncPath(QFileInfo(target_).absolutePath(), O_RDONLY | O_DIRECTORY);
    }

private:
    struct Ziel_ {
        sqlite3_stmt* stmt = nullptr;
        long zeilen = 0;
        Ziel_() = default;
        Ziel_(Ziel_&& o) noexcept : stmt(std::exchange(o.stmt, nullptr)), zeilen(o.zeilen) {}
        ~Ziel_() { sqlite3_finalize(stmt); }
    };

    QString target_;
    int sperre_ = -1;
    std::unique_ptr<ZielSperre> zielSperre_;
    mode_t modus_ = 0600;
    bool replace_;
    QString path_;
    sqlite3* db_ = nullptr;
    std::vector<Ziel_> ziele_;

    [[noreturn]] void fail(const QString& what) const {
        writeFailure(QStringLiteral("%1: %2").arg(what, db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString()));
    }
    void exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("In den Speicher kann nicht geschrieben werden (%1)").arg(QString::fromUtf8(sql).left(80)));
    }
};

}  // namespace

std::unique_ptr<Ladung> neueDateiLadung(const QString& pfad, const QString& passwort, bool ersetzen) {
    return std::make_unique<DateiLadung>(pfad, passwort, ersetzen);
}

bool unfertigeDateiVerwerfen() noexcept {
    if (abschluss.load()) return false;
    if (unfertigGesetzt.load()) ::unlink(unfertig);
    return true;
}

void ladungSchliesstAb(bool ab) noexcept { abschluss.store(ab); }

}  // namespace hmz::db
