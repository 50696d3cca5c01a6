// The server store: databases on a PostgreSQL server through libpq. Shared
// opens of the same URI share one connection; the server itself keeps the
// programs of several workstations apart, so there is no exclusive open and
// no database password (libpq takes the password from the URI, PGPASSWORD
// or ~/.pgpass).
#include "store/speicher.h"
#include "store/postgres/pg_verbindung.h"

#include "core/fehler.h"
#include "store/schema.h"

#include <algorithm>

#include <QHash>
#include <mutex>

namespace hmz::db {

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, std::weak_ptr<PgConnection>> shared;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<PgConnection> connectionFor(const QString& uri, bool readOnly) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    const QString key = uri + (readOnly ? u'r' : u'w');
    if (auto c = reg.shared.value(key).lock(); c && PQstatus(c->pg()) == CONNECTION_OK) return c;
    auto c = std::make_shared<PgConnection>(uri);
    if (readOnly) c->exec(QStringLiteral("SET default_transaction_read_only = on"));
    reg.shared.insert(key, c);
    return c;
}

[[noreturn]] void noTransaction() {
    throw Fehler(nr::OhneTransaktion,
                 QStringLiteral("Festschreiben oder Zurücksetzen ohne begonnene Transaktion."));
}

class PgDatabase final : public Database {
public:
    PgDatabase(std::shared_ptr<PgConnection> c, QString name) : c_(std::move(c)), name_(std::move(name)) {}
    ~PgDatabase() override { offeneZuruecksetzen(); }

    std::unique_ptr<Recordset> OpenRecordset(const QString& sql, const std::vector<Variant>& werte) override {
        return openPgRecordset(conn(), sql, werte);
    }

    void Execute(const QString& sql, const std::vector<Variant>& werte) override {
        PgConnection& c = *conn();
        const auto tr = c.translation(sql);
        if (tr->isQuery) throw Fehler(nr::KeineAuswahl, QStringLiteral("Eine Auswahlabfrage kann nicht ausgeführt werden."));
        if (tr->isDdl) {
            c.exec(tr->sql);
            c.schemaChanged();
            return;
        }
        c.run(tr->sql, pgParams(*tr, werte));
    }

    void Zeilen(const QString& sql, const std::function<void(const std::vector<Variant>&)>& zeile) override {
        PgConnection& c = *conn();
        const auto tr = c.translation(sql);
        const PgParams params = pgParams(*tr, {});
        std::vector<const char*> werte;
        for (const auto& p : params) werte.push_back(p ? p->constData() : nullptr);
        const QByteArray text = tr->sql.toUtf8();
        if (!PQsendQueryParams(c.pg(), text.constData(), static_cast<int>(werte.size()), nullptr, werte.data(), nullptr,
                               nullptr, 0))
            c.fail(nullptr);
        PQsetSingleRowMode(c.pg());
        const int first = tr->hasRowid ? 1 : 0;
        std::vector<Variant> row;
        PgResult failed;
        std::exception_ptr callerFailure;
        while (PGresult* raw = PQgetResult(c.pg())) {
            PgResult r(raw);
            const auto st = PQresultStatus(raw);
            if (st == PGRES_SINGLE_TUPLE && !callerFailure) {
                row.resize(static_cast<std::size_t>(PQnfields(raw) - first));
                for (int i = first; i < PQnfields(raw); ++i) row[static_cast<std::size_t>(i - first)] = pgValue(raw, 0, i);
                try {
                    zeile(row);
                } catch (...) {
                    callerFailure = std::current_exception();
                }
            } else if (st != PGRES_SINGLE_TUPLE && st != PGRES_TUPLES_OK && !failed) {
                failed = std::move(r);
            }
        }
        if (callerFailure) std::rethrow_exception(callerFailure);
        if (failed) c.fail(failed.get());
        if (PQstatus(c.pg()) != CONNECTION_OK) c.fail(nullptr);
    }

    void NewPassword(const QString&, const QString&) override {
        throw Fehler(nr::NichtExklusiv, QStringLiteral("Eine Datenbank auf einem Server hat kein Datenbankkennwort; "
                                                       "sie wird durch die Benutzer des Servers und deren Kennwörter geschützt."));
    }

    void NummernNachziehen(const QString& tabelle) override {
        PgConnection& c = *conn();
        const PgResult r = c.run(QStringLiteral("SELECT a.attname FROM pg_attribute a JOIN pg_class t ON t.oid = a.attrelid "
                                                "WHERE t.relnamespace = current_schema()::regnamespace AND t.relname = $1 "
                                                "AND a.attidentity <> ''"),
                                 {tabelle.toLower().toUtf8()});
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            const QByteArray spalte(PQgetvalue(r.get(), i, 0));
            c.run(QStringLiteral("SELECT setval(pg_get_serial_sequence($1, $2), (SELECT coalesce(max(%1), 0) + 1 FROM %2), false)")
                      .arg(QString::fromUtf8(spalte), tabelle.toLower()),
                  {tabelle.toLower().toUtf8(), spalte});
        }
    }

    // One statement where the table has its key; a table made by hand
    // without it is locked against other writers for the two steps.
    void JahresergebnisSchreiben(long objNr, int jahr, Currency hmzOhneEhb, Currency vereinnEhb) override {
        PgConnection& c = *conn();
        const PgParams werte{QByteArray::number(static_cast<qlonglong>(objNr)), QByteArray::number(jahr),
                             geldText(hmzOhneEhb.raw()), geldText(vereinnEhb.raw())};
        const QString tabelle = QStringLiteral("objhmzresjahressummen");
        const QString spalten = QStringLiteral(" (hmzobjnr, hmzjahr, hmzhmzohneehb, hmzvereinnehb) VALUES ($1, $2, $3, $4)");
        auto eineZeile = [&](const PgResult& r) {
            if (qstrcmp(PQcmdTuples(r.get()), "1") != 0) jahresergebnisNichtGespeichert(objNr, jahr);
        };
        QStringList schluessel = c.primaryKey(tabelle);
        schluessel.sort(Qt::CaseInsensitive);
        if (schluessel.join(u',').toLower() == QLatin1String("hmzjahr,hmzobjnr")) {
            eineZeile(c.run(QStringLiteral("INSERT INTO ") + tabelle + spalten +
                                QStringLiteral(" ON CONFLICT (hmzobjnr, hmzjahr) DO UPDATE SET hmzhmzohneehb = "
                                               "EXCLUDED.hmzhmzohneehb, hmzvereinnehb = EXCLUDED.hmzvereinnehb"),
                            werte));
            return;
        }
        Transaktion t(*this);
        c.run(QStringLiteral("LOCK TABLE ") + tabelle + QStringLiteral(" IN SHARE ROW EXCLUSIVE MODE"), {});
        const PgResult u = c.run(QStringLiteral("UPDATE ") + tabelle + QStringLiteral(" SET hmzhmzohneehb = $3, hmzvereinnehb = $4 "
                                                                                   "WHERE hmzobjnr = $1 AND hmzjahr = $2"), werte);
        if (qstrcmp(PQcmdTuples(u.get()), "0") == 0) eineZeile(c.run(QStringLiteral("INSERT INTO ") + tabelle + spalten, werte));
        t.commit();
    }

    void BeginTrans() override { begin(QStringLiteral("BEGIN")); }
    void BeginLesen() override { begin(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")); }
    void CommitTrans() override {
        PgConnection& c = *conn();
        const int depth = eigeneBeenden(c);
        if (depth > 0) {
            c.exec(QStringLiteral("RELEASE SAVEPOINT hmz_t%1").arg(depth));
            return;
        }
        // The server answers the COMMIT of a transaction that a failure
        // aborted with ROLLBACK, and no error.
        const PgResult r = c.exec(QStringLiteral("COMMIT"));
        if (qstrcmp(PQcmdStatus(r.get()), "COMMIT") != 0)
            throw Fehler(nr::Allgemein, QStringLiteral("Die Transaktion war nach einem Fehler abgebrochen und wurde zurückgesetzt; "
                                                       "nichts davon wurde gespeichert."));
    }
    void Rollback() override {
        PgConnection& c = *conn();
        const int depth = eigeneBeenden(c);
        c.exec(depth == 0 ? QStringLiteral("ROLLBACK")
                          : QStringLiteral("ROLLBACK TO SAVEPOINT hmz_t%1; RELEASE SAVEPOINT hmz_t%1").arg(depth));
    }

    void Close() override {
        offeneZuruecksetzen();
        c_.reset();
    }
    bool IstOffen() const override { return c_ != nullptr; }
    QString Name() const override { return name_; }
    QStringList Tabellen() override { return conn()->tables(); }
    std::vector<Spalte> Spalten(const QString& tabelle) override { return conn()->columns(tabelle); }
    void Feldzeilen(const QString& tabelle, const std::function<void(const std::vector<Feldwert>&)>& zeile) override {
        pgFeldzeilen(*conn(), tabelle, zeile);
    }

    void Anhaengen(const QString& tabelle, const QStringList& spalten,
                   const std::function<bool(std::vector<Feldwert>&)>& naechste) override {
        PgConnection& c = *conn();
        if (c.transactionDepth == 0) noTransaction();
        if (c.transactionOwner != this) fremdeTransaktion();
        const CopyZiel z = copyZiel(c, tabelle, spalten);
        std::vector<Feldwert> werte;
        QByteArray puffer;
        const auto senden = [&] {
            if (const PgResult r = copyIn(c, z.befehl, std::exchange(puffer, {})); r) c.fail(r.get());
        };
        while (naechste(werte)) {
            copyZeile(puffer, z, werte);
            if (puffer.size() >= CopyBatchBytes) senden();
        }
        if (!puffer.isEmpty()) senden();
    }

private:
    std::shared_ptr<PgConnection> c_;
    QString name_;

    const std::shared_ptr<PgConnection>& conn() const {
        if (!c_) throw Fehler(nr::ObjektUngueltig, QStringLiteral("Objekt ungültig oder nicht mehr festgelegt."));
        return c_;
    }
    void begin(const QString& outer) {
        PgConnection& c = *conn();
        if (c.transactionDepth > 0 && c.transactionOwner != this) fremdeTransaktion();
        c.exec(c.transactionDepth == 0 ? outer : QStringLiteral("SAVEPOINT hmz_t%1").arg(c.transactionDepth));
        if (c.transactionDepth++ == 0) c.transactionOwner = this;
    }
    // The depth left once this handle's innermost level ends.
    int eigeneBeenden(PgConnection& c) const {
        if (c.transactionDepth == 0) noTransaction();
        if (c.transactionOwner != this) fremdeTransaktion();
        if (--c.transactionDepth == 0) c.transactionOwner = nullptr;
        return c.transactionDepth;
    }
    // A handle given back with its transaction open: rolled back and reported.
    void offeneZuruecksetzen() noexcept {
        if (!c_ || c_->transactionOwner != this || c_->transactionDepth == 0) return;
        c_->transactionDepth = 0;
        c_->transactionOwner = nullptr;
        PQclear(PQexec(c_->pg(), "ROLLBACK"));
        offeneTransaktionMelden(name_);
    }
};

class ServerSpeicher final : public Speicher {
public:
    std::unique_ptr<Database> oeffnen(const QString& name, bool, bool readOnly, const QString&) override {
        return std::make_unique<PgDatabase>(connectionFor(name, readOnly), name);
    }

    std::unique_ptr<Database> anlegen(const QString& name, const QString&) override {
        auto c = std::make_shared<PgConnection>(name);
        if (!c->tables().isEmpty())
            throw Fehler(nr::DatenbankExistiert, QStringLiteral("Die Datenbank existiert bereits. ('%1' enthält Tabellen)").arg(c->shownName()));
        return std::make_unique<PgDatabase>(std::move(c), name);
    }

    std::unique_ptr<Ladung> laden(const QString& name, const QString&, bool ersetzen) override {
        return neueServerLadung(name, ersetzen);
    }

    // Tables of other programs in the same schema are no client.
    bool vorhanden(const QString& name) override {
        const QStringList t = PgConnection(name).tables();
        return std::any_of(t.begin(), t.end(), istMandantenTabelle);
    }
};

}  // namespace

Speicher& serverSpeicher() {
    static ServerSpeicher s;
    return s;
}

}  // namespace hmz::db
