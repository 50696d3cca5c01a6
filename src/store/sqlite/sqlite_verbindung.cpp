#include "store/sqlite/sqlite_verbindung.h"

#include "core/fehler.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hmz::db {

namespace {

// Prepared statements kept per text; more distinct texts than this are
// finalized after use instead (a run only ever needs a handful).
constexpr qsizetype MaxCachedTexts = 200;
constexpr qsizetype MaxCachedTranslations = 512;

QString afterPrefix(const QString& msg, QLatin1String prefix) {
    return msg.startsWith(prefix) ? msg.mid(prefix.size()) : QString();
}

// Why `name` cannot be written: the file or its folder, in German as part of
// an error text; empty when nothing is in the way.
QString schreibHindernis(const QString& name) {
    const QFileInfo datei(name);
    const QByteArray pfad = QFile::encodeName(datei.absoluteFilePath());
    if (datei.exists() && ::access(pfad.constData(), W_OK) != 0)
        return QStringLiteral("die Datei '%1' ist schreibgeschützt").arg(datei.absoluteFilePath());
    // SQLite writes its journal (or its -wal and -shm files) beside the database.
    const QString ordner = datei.absolutePath();
    if (::access(QFile::encodeName(ordner).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("im Ordner '%1' können keine Dateien angelegt werden; die Datenbank braucht dort "
                              "ihre Journaldateien").arg(ordner);
    return {};
}

QString nurLesenText(const QString& datei, const QString& hindernis) {
    return hindernis.isEmpty() ? QStringLiteral("Aktualisieren nicht möglich: die Datenbank '%1' ist schreibgeschützt.").arg(datei)
                               : QStringLiteral("Aktualisieren nicht möglich: %1.").arg(hindernis);
}

}  // namespace

void schreibbarPruefen(const QString& name) {
    if (const QString hindernis = schreibHindernis(name); !hindernis.isEmpty())
        throw Fehler(nr::NurLesen, nurLesenText(name, hindernis));
}

QStringList nebenDateien(const QString& pfad) {
    return {pfad + QStringLiteral("-wal"), pfad + QStringLiteral("-shm"), pfad + QStringLiteral("-journal")};
}

void neueDatei(const QString& pfad) {
    const int fd = ::open(QFile::encodeName(pfad).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0660);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    if (errno == EEXIST)
        throw Fehler(nr::DatenbankExistiert, QStringLiteral("Die Datenbank existiert bereits. ('%1')").arg(pfad));
    throw Fehler(nr::KannNichtOeffnen, QStringLiteral("Die Datei '%1' kann nicht angelegt werden: %2.")
                                           .arg(pfad, QString::fromLocal8Bit(std::strerror(errno))));
}

void keinMandant(const QString& pfad) {
    QFile f(pfad);
    const QByteArray kopf = f.open(QIODevice::ReadOnly) ? f.read(20) : QByteArray();
    if (kopf.mid(4) == QByteArray("Standard Jet DB\0", 16) || kopf.mid(4) == QByteArray("Standard ACE DB\0", 16))
        throw Fehler(nr::KeineDatenbank,
                     QStringLiteral("'%1' ist eine Access-Datenbank; übernehmen Sie sie mit 'hmzres import-mdb --mdb %1 "
                                    "--db NEUE-DATEI' in eine Mandantendatenbank.").arg(pfad));
    throw Fehler(nr::KeineDatenbank,
                 QStringLiteral("'%1' ist keine Mandantendatenbank: sie enthält die Tabellen eines Mandanten nicht und "
                                "bleibt unverändert. Legen Sie mit 'hmzres init' einen Mandanten an oder übernehmen Sie "
                                "einen mit 'hmzres import-mdb'.").arg(pfad));
}

[[noreturn]] void throwSqlite(sqlite3* db, int rc, const QString& context) {
    const int primary = rc & 0xff;
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString suffix = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context);
    // The file at fault: the one being opened, else the connection's main database.
    QString datei = context;
    if (datei.isEmpty() && db && sqlite3_db_filename(db, "main")) datei = QString::fromUtf8(sqlite3_db_filename(db, "main"));
    const QString hindernis = datei.isEmpty() ? QString() : schreibHindernis(datei);
    switch (primary) {
    case SQLITE_ERROR:
        if (const QString t = afterPrefix(msg, QLatin1String("no such table: ")); !t.isEmpty())
            throw Fehler(nr::TabelleFehlt,
                         QStringLiteral("Die Tabelle oder Abfrage '%1' wurde nicht gefunden. "
                                        "Prüfen Sie, ob sie existiert und ihr Name richtig geschrieben ist.").arg(t));
        if (const QString c = afterPrefix(msg, QLatin1String("no such column: ")); !c.isEmpty())
            throw Fehler(nr::UnbekannterName, QStringLiteral("Zu wenige Parameter. 1 erwartet. (unbekannter Name '%1')").arg(c));
        if (msg == QLatin1String("integer overflow")) throw Fehler(fehlernr::Ueberlauf, fehlertext::Ueberlauf);
        if (msg.contains(QLatin1String("syntax error")) || msg.startsWith(QLatin1String("no such function")))
            throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: %1%2").arg(msg, suffix));
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        // Only after the busy timeout has run out.
        throw Fehler(nr::Gesperrt, QStringLiteral("Die Datenbank '%1' kann nicht verwendet werden: sie wird gerade von "
                                                  "einem anderen Programm benutzt. Versuchen Sie es erneut, wenn es "
                                                  "fertig ist. (%2)").arg(datei, msg));
    case SQLITE_READONLY:
        throw Fehler(nr::NurLesen, nurLesenText(datei, hindernis));
    case SQLITE_CONSTRAINT:
        if (extended == SQLITE_CONSTRAINT_NOTNULL)
            throw Fehler(nr::NullNichtErlaubt, QStringLiteral("Ein Pflichtfeld darf keinen Nullwert enthalten. (%1)").arg(msg));
        if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE)
            throw Fehler(nr::DoppelterSchluessel,
                         QStringLiteral("Die Änderungen wurden nicht übernommen, weil sie doppelte Werte im Index, "
                                        "Primärschlüssel oder in der Beziehung ergäben. (%1)").arg(msg));
        break;
    case SQLITE_NOTADB:
        throw Fehler(nr::KeineDatenbank, QStringLiteral("Unbekanntes Datenbankformat.%1").arg(suffix));
    case SQLITE_CANTOPEN:
        throw Fehler(nr::KannNichtOeffnen, hindernis.isEmpty()
                                               ? QStringLiteral("Die Datei '%1' kann nicht geöffnet werden.").arg(datei)
                                               : QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: %2.").arg(datei, hindernis));
    case SQLITE_MISMATCH:
        throw Fehler(nr::TypKonflikt, QStringLiteral("Datentypen im Kriterienausdruck unverträglich."));
    default:
        break;
    }
    throw Fehler(nr::Allgemein, QStringLiteral("Fehler %1 der Datenbank: %2%3").arg(rc).arg(msg, suffix));
}

void feldwerteBinden(sqlite3_stmt* st, const std::vector<Feldwert>& werte) {
    int i = 1;
    for (const Feldwert& w : werte) {
        switch (w.art) {
        case Feldwert::Art::Null: sqlite3_bind_null(st, i); break;
        case Feldwert::Art::Ganz:
        case Feldwert::Art::Geld: sqlite3_bind_int64(st, i, w.ganz); break;
        case Feldwert::Art::Gleit: sqlite3_bind_double(st, i, w.gleit); break;
        case Feldwert::Art::Text: sqlite3_bind_text(st, i, w.bytes.constData(), static_cast<int>(w.bytes.size()), SQLITE_STATIC); break;
        case Feldwert::Art::Bytes: sqlite3_bind_blob(st, i, w.bytes.constData(), static_cast<int>(w.bytes.size()), SQLITE_STATIC); break;
        }
        ++i;
    }
}

void bindValues(sqlite3_stmt* stmt, const std::vector<SqlValue>& values, int first) {
    int i = first;
    for (const auto& v : values) {
        int rc = SQLITE_OK;
        if (const auto* n = std::get_if<std::int64_t>(&v)) {
            rc = sqlite3_bind_int64(stmt, i, *n);
        } else if (const auto* d = std::get_if<double>(&v)) {
            rc = sqlite3_bind_double(stmt, i, *d);
        } else if (std::holds_alternative<std::monostate>(v)) {
            rc = sqlite3_bind_null(stmt, i);
        } else {
            const QByteArray u = std::get<QString>(v).toUtf8();
            rc = sqlite3_bind_text(stmt, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK) throwSqlite(sqlite3_db_handle(stmt), rc);
        ++i;
    }
}

SqlValue sqliteValue(const Variant& v) {
    switch (v.typ()) {
    case VarTyp::Empty:
    case VarTyp::Null: return std::monostate{};
    case VarTyp::Boolean: return std::int64_t{v.toBool() ? -1 : 0};
    case VarTyp::Integer:
    case VarTyp::Long: return std::int64_t{v.toLong()};
    case VarTyp::Double: return v.toDouble();
    case VarTyp::Currency: return v.toCurrency().raw();
    case VarTyp::Date: return storedDate(v.toDate());
    case VarTyp::String: return v.toString();
    case VarTyp::Array: break;
    }
    wirfTypFehler();
}

std::vector<SqlValue> withArguments(const Translation& t, const std::vector<Variant>& werte) {
    if (werte.size() != t.platzhalter.size())
        throw Fehler(nr::UnbekannterName, QStringLiteral("Zu wenige Parameter. %1 erwartet.").arg(t.platzhalter.size()));
    if (werte.empty()) return t.params;
    std::vector<SqlValue> out = t.params;
    for (std::size_t k = 0; k < werte.size(); ++k) out[t.platzhalter[k]] = sqliteValue(werte[k]);
    return out;
}

Connection::Connection(sqlite3* db, QString path, QString password, bool exclusive, bool readOnly)
    : db_(db), path_(std::move(path)), password_(std::move(password)), exclusive_(exclusive), readOnly_(readOnly) {}

Connection::~Connection() {
    finalizeAll();
    sqlite3_close_v2(db_);
}

void Connection::finalizeAll() {
    for (auto& c : statements_)
        for (auto* s : c.idle) sqlite3_finalize(s);
    statements_.clear();
    translations_.clear();
    if (schemaVersionStmt_) sqlite3_finalize(schemaVersionStmt_);
    schemaVersionStmt_ = nullptr;
}

void Connection::replaceHandle(sqlite3* db, const QString& password) {
    finalizeAll();
    sqlite3_close_v2(db_);
    db_ = db;
    password_ = password;
    schemaChanged();
}

void Connection::schemaChanged() {
    schemaLoaded_ = false;
    translations_.clear();
    tables_.clear();
    dateColumns_.clear();
    currencyColumns_.clear();
    textColumns_.clear();
}

void Connection::loadSchema() {
    if (schemaLoaded_) return;
    tables_.clear();
    dateColumns_.clear();
    currencyColumns_.clear();
    textColumns_.clear();
    sqlite3_stmt* list = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &list, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db_, rc);
    QStringList names;
    while ((rc = sqlite3_step(list)) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    if (rc != SQLITE_DONE) throwSqlite(db_, rc);
    for (const QString& table : names) {
        // Table names come from the schema itself; quoted for the pragma.
        QString quoted = table;
        quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        const QByteArray sql = QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted).toUtf8();
        sqlite3_stmt* info = nullptr;
        rc = sqlite3_prepare_v2(db_, sql.constData(), -1, &info, nullptr);
        if (rc != SQLITE_OK) throwSqlite(db_, rc);
        std::vector<TableColumn> cols;
        while (sqlite3_step(info) == SQLITE_ROW) {
            TableColumn c;
            c.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
            c.type = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(info, 2))).toUpper();
            if (c.type == QLatin1String("DATE")) dateColumns_.insert(c.name.toLower());
            if (c.type == QLatin1String("CURRENCY")) currencyColumns_.insert(c.name.toLower());
            if (c.type == QLatin1String("TEXT")) textColumns_.insert(c.name.toLower());
            cols.push_back(std::move(c));
        }
        sqlite3_finalize(info);
        tables_.insert(table.toLower(), std::move(cols));
    }
    schemaLoaded_ = true;
}

bool Connection::isDateColumn(QStringView name) const {
    return dateColumns_.contains(name.toString().toLower());
}

bool Connection::isCurrencyColumn(QStringView name) const {
    return currencyColumns_.contains(name.toString().toLower());
}

bool Connection::isTextColumn(QStringView name) const {
    return textColumns_.contains(name.toString().toLower());
}

bool Connection::isTable(QStringView name) const { return tables_.contains(name.toString().toLower()); }

const std::vector<TableColumn>& Connection::tableColumns(const QString& table) {
    static const std::vector<TableColumn> none;
    loadSchema();
    auto it = tables_.constFind(table.toLower());
    return it == tables_.constEnd() ? none : *it;
}

std::shared_ptr<const Translation> Connection::translation(const QString& sql) {
    // Another connection (the importer, an index created by the run) may
    // have changed the schema; what the translations know would be stale.
    if (!schemaVersionStmt_) {
        const int rc = sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &schemaVersionStmt_, nullptr);
        if (rc != SQLITE_OK) throwSqlite(db_, rc);
    }
    int rc = sqlite3_step(schemaVersionStmt_);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(schemaVersionStmt_);
        throwSqlite(db_, rc);
    }
    const int version = sqlite3_column_int(schemaVersionStmt_, 0);
    sqlite3_reset(schemaVersionStmt_);
    if (version != schemaVersion_) {
        schemaChanged();
        schemaVersion_ = version;
    }
    if (auto it = translations_.constFind(sql); it != translations_.constEnd()) return *it;
    loadSchema();
    auto t = std::make_shared<const Translation>(translate(sql, *this));
    if (translations_.size() >= MaxCachedTranslations) translations_.clear();
    translations_.insert(sql, t);
    return t;
}

Connection::Lease Connection::acquire(const QString& sql, const Translation* translation) {
    auto it = statements_.find(sql);
    if (it != statements_.end() && !it->idle.empty()) {
        Lease l{it->idle.back(), it->columns};
        it->idle.pop_back();
        return l;
    }
    Lease l;
    const QByteArray u = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &l.stmt, nullptr);
    if (rc != SQLITE_OK) throwSqlite(db_, rc);
    if (!l.stmt) throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: leere Anweisung"));
    if (it != statements_.end()) {
        l.columns = it->columns;
        return l;
    }
    auto cols = std::make_shared<std::vector<ColumnInfo>>();
    const int first = translation && translation->hasRowid ? 1 : 0;
    const int n = sqlite3_column_count(l.stmt);
    for (int i = first; i < n; ++i) {
        ColumnInfo c;
        c.name = QString::fromUtf8(sqlite3_column_name(l.stmt, i));
        const char* decl = sqlite3_column_decltype(l.stmt, i);
        if (decl) {
            const QByteArray d = QByteArray(decl).toUpper();
            if (d == "CURRENCY") c.kind = ColumnKind::Currency;
            else if (d == "DATE") c.kind = ColumnKind::Date;
        } else if (translation) {
            const int index = i - first;
            for (int k : translation->currencyColumns)
                if (k == index) c.kind = ColumnKind::Currency;
            if (translation->currencyAliases.contains(c.name, Qt::CaseInsensitive)) c.kind = ColumnKind::Currency;
        }
        cols->push_back(std::move(c));
    }
    l.columns = cols;
    if (statements_.size() < MaxCachedTexts) statements_.insert(sql, Cached{{}, cols});
    return l;
}

void Connection::release(const QString& sql, Lease lease) {
    if (!lease.stmt) return;
    sqlite3_reset(lease.stmt);
    sqlite3_clear_bindings(lease.stmt);
    auto it = statements_.find(sql);
    if (it == statements_.end() || it->idle.size() >= 4) {
        sqlite3_finalize(lease.stmt);
        return;
    }
    it->idle.push_back(lease.stmt);
}

void Connection::exec(const QString& sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) throwSqlite(db_, rc);
}

}  // namespace hmz::db
