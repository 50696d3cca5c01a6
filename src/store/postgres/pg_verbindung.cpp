#include "store/postgres/pg_verbindung.h"

#include "core/fehler.h"
#include "store/speicher.h"

#include <cstring>
#include <limits>

namespace hmz::db {

namespace {

constexpr qsizetype MaxCachedTranslations = 512;

// Type numbers of the server's built-in types.
enum : Oid { BoolOid = 16, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, Float4Oid = 700, Float8Oid = 701,
             NumericOid = 1700, DateOid = 1082, TimestampOid = 1114, TimestamptzOid = 1184 };

QString reason(const char* text) { return QString::fromUtf8(text ? text : "").trimmed(); }

QString sqlState(const PGresult* r) {
    const char* s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return QString::fromLatin1(s ? s : "");
}

}  // namespace

PgConnection::PgConnection(const QString& uri) : uri_(uri) {
    // Defaults first: what the URI says wins. Without a timeout a server
    // that does not answer would hang the run; keepalives notice a server
    // that went away in the middle of it.
    const QByteArray dbname = uri.toUtf8();
    const char* keys[] = {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                          "fallback_application_name", "client_encoding", "dbname", nullptr};
    const char* values[] = {"10", "1", "30", "10", "3", "hmzres", "UTF8", dbname.constData(), nullptr};
    pg_ = PQconnectdbParams(keys, values, 1);
    if (!pg_ || PQstatus(pg_) != CONNECTION_OK) {
        // libpq quotes a URI it cannot read whole, password and all.
        QString grund = pg_ ? reason(PQerrorMessage(pg_)) : QStringLiteral("out of memory");
        grund = passwortTilgen(grund.replace(uri, shownName())).simplified();  // one line: libpq adds a hint line
        if (pg_) PQfinish(pg_);
        pg_ = nullptr;
        throw Fehler(nr::Verbindung, QStringLiteral("Keine Verbindung zum Datenbankserver '%1': %2").arg(shownName(), grund));
    }
    PQsetNoticeProcessor(pg_, [](void*, const char*) {}, nullptr);
    exec(QStringLiteral("SET DateStyle = ISO; SET extra_float_digits = 3"));
}

PgConnection::~PgConnection() {
    if (pg_) PQfinish(pg_);
}

QString PgConnection::shownName() const { return Engine::Anzeigename(uri_); }

void PgConnection::fail(const PGresult* r, const QString& context) const {
    const QString state = sqlState(r);
    const QString msg = reason(r ? PQresultErrorMessage(r) : PQerrorMessage(pg_));
    const QString suffix = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context);
    if (PQstatus(pg_) == CONNECTION_BAD || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        throw Fehler(nr::Verbindung,
                     QStringLiteral("Die Verbindung zum Datenbankserver '%1' ist abgebrochen: %2").arg(shownName(), msg));
    if (state == QLatin1String("42P01")) {
        const char* t = std::strchr(PQresultErrorMessage(r), '"');
        QString table = t ? QString::fromUtf8(t + 1).section(u'"', 0, 0) : msg;
        throw Fehler(nr::TabelleFehlt, QStringLiteral("Die Tabelle oder Abfrage '%1' wurde nicht gefunden. "
                                                      "Prüfen Sie, ob sie existiert und ihr Name richtig geschrieben ist.").arg(table));
    }
    if (state == QLatin1String("42703"))
        throw Fehler(nr::UnbekannterName, QStringLiteral("Zu wenige Parameter. 1 erwartet. (%1)").arg(msg));
    if (state.startsWith(QLatin1String("42")))
        throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: %1%2").arg(msg, suffix));
    if (state == QLatin1String("23505"))
        throw Fehler(nr::DoppelterSchluessel,
                     QStringLiteral("Die Änderungen wurden nicht übernommen, weil sie doppelte Werte im Index, "
                                    "Primärschlüssel oder in der Beziehung ergäben. (%1)").arg(msg));
    if (state == QLatin1String("23502"))
        throw Fehler(nr::NullNichtErlaubt, QStringLiteral("Ein Pflichtfeld darf keinen Nullwert enthalten. (%1)").arg(msg));
    if (state == QLatin1String("25006")) throw Fehler(nr::NurLesen, QStringLiteral("Aktualisieren nicht möglich: die Datenbank oder das Objekt ist schreibgeschützt."));
    if (state == QLatin1String("22003")) throw Fehler(fehlernr::Ueberlauf, fehlertext::Ueberlauf);
    if (state.startsWith(QLatin1String("22")))
        throw Fehler(nr::TypKonflikt, QStringLiteral("Datentypen im Kriterienausdruck unverträglich. (%1)").arg(msg));
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        throw Fehler(nr::Gesperrt, QStringLiteral("Die Datenbank kann nicht verwendet werden: sie wird gerade von einem anderen Programm benutzt. (%1)").arg(msg));
    throw Fehler(nr::Allgemein, QStringLiteral("Fehler %1 des Datenbankservers: %2%3").arg(state, msg, suffix));
}

PgResult PgConnection::checked(PGresult* r, const QString& context) {
    PgResult res(r);
    const auto st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_SINGLE_TUPLE) fail(r, context);
    return res;
}

PgResult PgConnection::exec(const QString& sql) { return checked(PQexec(pg_, sql.toUtf8().constData()), {}); }

PgResult PgConnection::run(const QString& sql, const PgParams& params) {
    std::vector<const char*> werte;
    werte.reserve(params.size());
    for (const auto& p : params) werte.push_back(p ? p->constData() : nullptr);
    const int n = static_cast<int>(werte.size());
    const QByteArray u = sql.toUtf8();
    // A text is prepared the second time it comes: many run only once (they
    // carry a property's number), and preparing those would cost a round
    // trip each and keep them on the server for nothing.
    auto it = prepared_.constFind(sql);
    const bool vorbereitet = it != prepared_.constEnd();
    const bool vorbereiten = !vorbereitet && einmal_.contains(sql);
    const QByteArray name = vorbereitet ? *it : vorbereiten ? "hmz" + QByteArray::number(++statementNumber_) : QByteArray();
    if (!vorbereitet && !vorbereiten) {
        if (einmal_.size() > 10000) einmal_.clear();
        einmal_.insert(sql);
    }
    if (PQtransactionStatus(pg_) != PQTRANS_INTRANS) {
        if (vorbereiten) {
            checked(PQprepare(pg_, name.constData(), u.constData(), 0, nullptr), sql.left(80));
            prepared_.insert(sql, name);
            einmal_.remove(sql);
        }
        if (!vorbereitet && !vorbereiten)
            return checked(PQexecParams(pg_, u.constData(), n, nullptr, werte.data(), nullptr, nullptr, 0), sql.left(80));
        return checked(PQexecPrepared(pg_, name.constData(), n, werte.data(), nullptr, nullptr, 0), {});
    }
    // In a transaction a failed statement would spoil everything after it,
    // unlike on a file: it runs within a savepoint, sent together with the
    // statement in one round trip.
    if (!PQenterPipelineMode(pg_)) fail(nullptr);
    bool sent = PQsendQueryParams(pg_, "SAVEPOINT hmz_anweisung", 0, nullptr, nullptr, nullptr, nullptr, 0);
    if (vorbereiten) sent = sent && PQsendPrepare(pg_, name.constData(), u.constData(), 0, nullptr);
    if (vorbereitet || vorbereiten)
        sent = sent && PQsendQueryPrepared(pg_, name.constData(), n, werte.data(), nullptr, nullptr, 0);
    else
        sent = sent && PQsendQueryParams(pg_, u.constData(), n, nullptr, werte.data(), nullptr, nullptr, 0);
    sent = sent && PQsendQueryParams(pg_, "RELEASE SAVEPOINT hmz_anweisung", 0, nullptr, nullptr, nullptr, nullptr, 0);
    sent = sent && PQpipelineSync(pg_);
    PgResult failed, result;
    bool preparedOnServer = false;  // also when the statement then failed: a rollback keeps it
    const int queries = vorbereiten ? 4 : 3;
    for (int q = 0; sent && q < queries; ++q) {
        PgResult first(PQgetResult(pg_));
        while (PGresult* rest = PQgetResult(pg_)) PQclear(rest);
        const auto st = first ? PQresultStatus(first.get()) : PGRES_FATAL_ERROR;
        if (vorbereiten && q == 1 && st == PGRES_COMMAND_OK) preparedOnServer = true;
        if (st == PGRES_FATAL_ERROR && !failed) failed = std::move(first);
        else if (q == queries - 2) result = std::move(first);
    }
    // The sync's own result ends the pipeline.
    while (sent) {
        PgResult r(PQgetResult(pg_));
        if (!r) {
            if (PQstatus(pg_) == CONNECTION_BAD) break;
            continue;
        }
        if (PQresultStatus(r.get()) == PGRES_PIPELINE_SYNC) break;
    }
    PQexitPipelineMode(pg_);
    if (preparedOnServer) {
        prepared_.insert(sql, name);
        einmal_.remove(sql);
    }
    if (!sent || (!failed && !result)) fail(nullptr);
    if (failed) {
        if (PQstatus(pg_) == CONNECTION_OK) {
            PQclear(PQexec(pg_, "ROLLBACK TO SAVEPOINT hmz_anweisung"));
            PQclear(PQexec(pg_, "RELEASE SAVEPOINT hmz_anweisung"));
        }
        fail(failed.get(), sql.left(80));
    }
    return result;
}

void PgConnection::loadSchema() {
    if (schemaLoaded_) return;
    dateColumns_.clear();
    currencyColumns_.clear();
    textColumns_.clear();
    tables_.clear();
    const PgResult r = exec(QStringLiteral(
        "SELECT c.relname, a.attname, t.typname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        "JOIN pg_type t ON t.oid = a.atttypid WHERE c.relnamespace = current_schema()::regnamespace "
        "AND c.relkind = 'r' AND a.attnum > 0 AND NOT a.attisdropped"));
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        tables_.insert(QString::fromUtf8(PQgetvalue(r.get(), i, 0)));
        const QString column = QString::fromUtf8(PQgetvalue(r.get(), i, 1));
        const QByteArray typ = PQgetvalue(r.get(), i, 2);
        if (typ == "date") dateColumns_.insert(column);
        else if (typ == "numeric") currencyColumns_.insert(column);
        else if (typ == "text" || typ == "varchar") textColumns_.insert(column);
    }
    schemaLoaded_ = true;
}

bool PgConnection::isDateColumn(QStringView name) const { return dateColumns_.contains(name.toString().toLower()); }
bool PgConnection::isCurrencyColumn(QStringView name) const { return currencyColumns_.contains(name.toString().toLower()); }
bool PgConnection::isTable(QStringView name) const { return tables_.contains(name.toString().toLower()); }
bool PgConnection::isTextColumn(QStringView name) const { return textColumns_.contains(name.toString().toLower()); }

std::shared_ptr<const Translation> PgConnection::translation(const QString& sql) {
    if (auto it = translations_.constFind(sql); it != translations_.constEnd() && schemaLoaded_) return *it;
    if (!schemaLoaded_) translations_.clear();
    loadSchema();
    auto t = std::make_shared<const Translation>(translate(sql, *this, Dialekt::PostgreSQL));
    if (translations_.size() >= MaxCachedTranslations) translations_.clear();
    translations_.insert(sql, t);
    return t;
}

QStringList PgConnection::tables() {
    QStringList out;
    const PgResult r = exec(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema() ORDER BY 1"));
    for (int i = 0; i < PQntuples(r.get()); ++i) out << QString::fromUtf8(PQgetvalue(r.get(), i, 0));
    return out;
}

std::vector<Spalte> PgConnection::columns(const QString& table) {
    if (auto it = columns_.constFind(table.toLower()); it != columns_.constEnd()) return *it;
    std::vector<Spalte> out;
    const PgResult r = run(QStringLiteral(
        "SELECT a.attname, t.typname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
        "JOIN pg_type t ON t.oid = a.atttypid WHERE c.relnamespace = current_schema()::regnamespace "
        "AND c.relname = lower($1) AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"), {table.toUtf8()});
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const QByteArray typ = PQgetvalue(r.get(), i, 1);
        QString art = QStringLiteral("TEXT");
        if (typ == "numeric") art = QStringLiteral("CURRENCY");
        else if (typ == "date" || typ.startsWith("timestamp")) art = QStringLiteral("DATE");
        else if (typ.startsWith("int")) art = QStringLiteral("INTEGER");
        else if (typ.startsWith("float")) art = QStringLiteral("REAL");
        else if (typ == "bytea") art = QStringLiteral("BLOB");
        else if (typ == "bool") art = QStringLiteral("BOOLEAN");
        out.push_back({QString::fromUtf8(PQgetvalue(r.get(), i, 0)), art});
    }
    if (!out.empty()) columns_.insert(table.toLower(), out);  // none: the table may come yet
    return out;
}

QStringList PgConnection::primaryKey(const QString& table) {
    if (auto it = keys_.constFind(table.toLower()); it != keys_.constEnd()) return *it;
    QStringList out;
    const PgResult r = run(QStringLiteral(
        "SELECT a.attname FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid "
        "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum = ANY(i.indkey) "
        "WHERE i.indisprimary AND c.relnamespace = current_schema()::regnamespace AND c.relname = lower($1) "
        "ORDER BY a.attnum"), {table.toUtf8()});
    for (int i = 0; i < PQntuples(r.get()); ++i) out << QString::fromUtf8(PQgetvalue(r.get(), i, 0));
    keys_.insert(table.toLower(), out);
    return out;
}

QByteArray geldText(std::int64_t z) {
    const bool negativ = z < 0;
    const std::uint64_t betrag = negativ ? 0 - static_cast<std::uint64_t>(z) : static_cast<std::uint64_t>(z);
    QByteArray bruch = QByteArray::number(static_cast<qulonglong>(betrag % 10000));
    bruch.prepend(QByteArray(4 - bruch.size(), '0'));
    return (negativ ? "-" : "") + QByteArray::number(static_cast<qulonglong>(betrag / 10000)) + '.' + bruch;
}

QByteArray pgText(const Variant& v) {
    switch (v.typ()) {
    case VarTyp::Boolean: return v.toBool() ? "-1" : "0";
    case VarTyp::Integer:
    case VarTyp::Long: return QByteArray::number(v.toLong());
    case VarTyp::Double: return QByteArray::number(v.toDouble(), 'g', 17);
    case VarTyp::Currency: return geldText(v.toCurrency().raw());
    case VarTyp::Date: return storedDate(v.toDate()).toLatin1();
    case VarTyp::String: return v.toString().toUtf8();
    default: wirfTypFehler();
    }
}

PgParams pgParams(const Translation& t, const std::vector<Variant>& werte) {
    if (werte.size() != t.platzhalter.size())
        throw Fehler(nr::UnbekannterName, QStringLiteral("Zu wenige Parameter. %1 erwartet.").arg(t.platzhalter.size()));
    PgParams out;
    out.reserve(t.params.size());
    for (const SqlValue& p : t.params) {
        if (const auto* i = std::get_if<std::int64_t>(&p)) out.emplace_back(QByteArray::number(static_cast<qlonglong>(*i)));
        else if (const auto* d = std::get_if<double>(&p)) out.emplace_back(QByteArray::number(*d, 'g', 17));
        else if (const auto* s = std::get_if<QString>(&p)) out.emplace_back(s->toUtf8());
        else out.emplace_back(std::nullopt);
    }
    for (std::size_t k = 0; k < werte.size(); ++k) {
        const Variant& w = werte[k];
        out[t.platzhalter[k]] = w.istNull() || w.istEmpty() ? std::nullopt : std::optional<QByteArray>(pgText(w));
    }
    return out;
}

Variant pgValue(const PGresult* r, int row, int col) {
    if (PQgetisnull(r, row, col)) return Variant::null();
    const char* text = PQgetvalue(r, row, col);
    const int len = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
    case BoolOid: return Variant::boolean(text[0] == 't');
    case Int2Oid:
    case Int4Oid:
    case Int8Oid: {
        const qlonglong v = QByteArray::fromRawData(text, len).toLongLong();
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return Variant::lng(static_cast<std::int32_t>(v));
        return Variant::dbl(static_cast<double>(v));
    }
    case Float4Oid:
    case Float8Oid: return Variant::dbl(QByteArray::fromRawData(text, len).toDouble());
    case NumericOid: {
        // Exact: the text of the number, never through a double, unless it
        // has more decimals than an amount can hold (then rounded half to even).
        if (auto c = Currency::parse(std::string_view(text, static_cast<std::size_t>(len)))) return Variant::currency(*c);
        return Variant::currency(Currency::fromDouble(QByteArray::fromRawData(text, len).toDouble()));
    }
    case DateOid:
    case TimestampOid:
    case TimestamptzOid: {
        const QDate d = QDate::fromString(QString::fromLatin1(text, std::min(len, 10)), Qt::ISODate);
        if (d.isValid()) return Variant::date(d);
        return Variant::string(QString::fromUtf8(text, len));
    }
    default: return Variant::string(QString::fromUtf8(text, len));
    }
}

QString serverIdentitaetVerbunden(const QString& name) {
    try {
        PgConnection c(name);
        // A schema the path names but that does not exist yet is still where the client would go.
        const PgResult r = c.exec(QStringLiteral(
            "SELECT system_identifier::text || '/' || current_database() || '/' || "
            "coalesce(current_schema(), current_setting('search_path')) FROM pg_control_system()"));
        return PQntuples(r.get()) == 1 ? QString::fromUtf8(PQgetvalue(r.get(), 0, 0)) : QString();
    } catch (const Fehler&) {
        return {};  // the copy's own open says why
    }
}

}  // namespace hmz::db
