// A whole client onto the server in one transaction: rows are queued per
// table in COPY's text format and sent in large batches. Until Fertig()
// commits, other programs see nothing of it; a failure, or a process killed
// on the way, leaves the database as it was.
#include "store/postgres/pg_verbindung.h"

#include "core/fehler.h"
#include "store/schema.h"

#include <QRegularExpression>

namespace hmz::db {

namespace {

QString quoted(QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

struct NoSchema final : SchemaInfo {
    bool isDateColumn(QStringView) const override { return false; }
    bool isCurrencyColumn(QStringView) const override { return false; }
    bool isTable(QStringView) const override { return false; }
};

class ServerLadung final : public Ladung {
public:
    // The schema may hold tables of other programs: only the client's
    // tables, and those this load writes, are replaced.
    ServerLadung(const QString& uri, bool replace) : c_(uri), replace_(replace) {
        ladungSchliesstAb(false);
        c_.exec(QStringLiteral("BEGIN"));
        for (const QString& t : c_.tables()) {
            if (!istMandantenTabelle(t)) {
                andere_.insert(t);
                continue;
            }
            if (!replace) vorhanden();
            c_.exec(QStringLiteral("DROP TABLE %1 CASCADE").arg(quoted(t)));
        }
    }

    void Execute(const QString& sql) override {
        static const QRegularExpression neu(QStringLiteral(R"(^CREATE TABLE (?:\[([^\]]+)\]|(\w+)))"),
                                            QRegularExpression::CaseInsensitiveOption);
        const auto m = neu.match(sql);
        if (const QString t = (m.captured(1) + m.captured(2)).toLower(); !t.isEmpty()) {
            if (andere_.remove(t)) {
                if (!replace_) vorhanden();
                c_.exec(QStringLiteral("DROP TABLE %1 CASCADE").arg(quoted(t)));
            }
            neue_ << u'\'' + QString(t).replace(u'\'', QStringLiteral("''")) + u'\'';
        }
        c_.exec(translate(sql, NoSchema(), Dialekt::PostgreSQL).sql);
    }

    std::vector<Spalte> Spalten(const QString& tabelle) override { return c_.columns(tabelle); }

    int Ziel(const QString& tabelle, const QStringList& spalten) override {
        ziele_.push_back({copyZiel(c_, tabelle, spalten), {}, 0, 0});
        return static_cast<int>(ziele_.size()) - 1;
    }

    void Zeile(int ziel, const std::vector<Feldwert>& werte) override {
        Ziel_& z = ziele_.at(static_cast<std::size_t>(ziel));
        copyZeile(z.puffer, z.ziel, werte);
        ++z.gepuffert;
        if (z.puffer.size() >= CopyBatchBytes) senden(ziel);
    }

    void Fertig() override {
        for (std::size_t i = 0; i < ziele_.size(); ++i) senden(static_cast<int>(i));
        // Numbered columns go on after the numbers the rows brought along.
        const PgResult r = c_.exec(QStringLiteral(
            "SELECT c.relname, a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
            "WHERE c.relnamespace = current_schema()::regnamespace AND a.attidentity <> '' "
            "AND c.relname IN (%1)").arg(neue_.isEmpty() ? QStringLiteral("NULL") : neue_.join(u',')));
        for (int i = 0; i < PQntuples(r.get()); ++i) {
            const QString t = quoted(QString::fromUtf8(PQgetvalue(r.get(), i, 0)));
            const QString s = QString::fromUtf8(PQgetvalue(r.get(), i, 1));
            c_.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), coalesce(max(%3), 0) + 1, false) FROM %1")
                        .arg(t, s, quoted(s)));
        }
        ladungSchliesstAb(true);
        c_.exec(QStringLiteral("COMMIT"));
    }

private:
    struct Ziel_ {
        CopyZiel ziel;
        QByteArray puffer;
        long gepuffert = 0, gesendet = 0;
    };

    PgConnection c_;
    bool replace_;
    QSet<QString> andere_;  // tables of other programs in the schema
    QStringList neue_;      // tables this load made, as SQL literals
    std::vector<Ziel_> ziele_;

    [[noreturn]] void vorhanden() const {
        throw Fehler(nr::DatenbankExistiert,
                     QStringLiteral("Die Datenbank existiert bereits. ('%1' enthält einen Mandanten)").arg(c_.shownName()));
    }

    // One COPY of the queued rows; with refusals allowed the batch runs under
    // a savepoint and, when the table refuses a row, again row by row.
    void senden(int ziel) {
        Ziel_& z = ziele_[static_cast<std::size_t>(ziel)];
        if (z.puffer.isEmpty()) return;
        const QByteArray daten = std::exchange(z.puffer, {});
        const long erste = z.gesendet + 1;
        z.gesendet += z.gepuffert;
        z.gepuffert = 0;
        if (!abgelehnt) {
            if (const PgResult r = copyIn(c_, z.ziel.befehl, daten); r) c_.fail(r.get());
            return;
        }
        c_.exec(QStringLiteral("SAVEPOINT hmz_ladung"));
        if (!copyIn(c_, z.ziel.befehl, daten)) {
            c_.exec(QStringLiteral("RELEASE SAVEPOINT hmz_ladung"));
            return;
        }
        c_.exec(QStringLiteral("ROLLBACK TO SAVEPOINT hmz_ladung"));
        long nr = erste;
        for (const QByteArray& zeile : daten.split('\n')) {
            if (zeile.isEmpty()) continue;
            c_.exec(QStringLiteral("SAVEPOINT hmz_zeile"));
            if (const PgResult r = copyIn(c_, z.ziel.befehl, zeile + '\n'); r) {
                const QString state = QString::fromLatin1(PQresultErrorField(r.get(), PG_DIAG_SQLSTATE));
                if (!state.startsWith(QLatin1String("23"))) c_.fail(r.get());
                c_.exec(QStringLiteral("ROLLBACK TO SAVEPOINT hmz_zeile"));
                abgelehnt(ziel, nr, QString::fromUtf8(PQresultErrorMessage(r.get())).trimmed());
            }
            c_.exec(QStringLiteral("RELEASE SAVEPOINT hmz_zeile"));
            ++nr;
        }
        c_.exec(QStringLiteral("RELEASE SAVEPOINT hmz_ladung"));
    }

};

}  // namespace


namespace {

void appendEscaped(QByteArray& out, const QByteArray& text) {
    for (char ch : text) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += ch;
        }
    }
}

}  // namespace

CopyZiel copyZiel(PgConnection& c, const QString& tabelle, const QStringList& spalten) {
    CopyZiel z;
    const auto columns = c.columns(tabelle);
    QStringList namen;
    for (const QString& s : spalten) {
        namen << quoted(s.toLower());
        QString typ;
        for (const auto& col : columns)
            if (col.name.compare(s, Qt::CaseInsensitive) == 0) typ = col.typ;
        z.bytea.push_back(typ == QLatin1String("BLOB"));
        z.boolean.push_back(typ == QLatin1String("BOOLEAN"));
    }
    z.befehl = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(quoted(tabelle.toLower()), namen.join(u',')).toUtf8();
    return z;
}

void copyZeile(QByteArray& b, const CopyZiel& z, const std::vector<Feldwert>& werte) {
    for (std::size_t i = 0; i < werte.size(); ++i) {
        if (i) b += '\t';
        const Feldwert& w = werte[i];
        switch (w.art) {
        case Feldwert::Art::Null: b += "\\N"; break;
        case Feldwert::Art::Ganz:
            if (z.boolean[i]) b += w.ganz ? "t" : "f";
            else b += QByteArray::number(static_cast<qlonglong>(w.ganz));
            break;
        case Feldwert::Art::Geld: b += geldText(w.ganz); break;
        case Feldwert::Art::Gleit: b += QByteArray::number(w.gleit, 'g', 17); break;
        case Feldwert::Art::Text: appendEscaped(b, w.bytes); break;
        case Feldwert::Art::Bytes:
            if (z.bytea[i]) b += "\\\\x" + w.bytes.toHex();
            else appendEscaped(b, w.bytes);
            break;
        }
    }
    b += '\n';
}

PgResult copyIn(PgConnection& c, const QByteArray& befehl, const QByteArray& daten) {
    PgResult start(PQexec(c.pg(), befehl.constData()));
    if (PQresultStatus(start.get()) != PGRES_COPY_IN) c.fail(start.get());
    if (PQputCopyData(c.pg(), daten.constData(), static_cast<int>(daten.size())) != 1 || PQputCopyEnd(c.pg(), nullptr) != 1)
        c.fail(nullptr);
    PgResult failed;
    while (PGresult* raw = PQgetResult(c.pg())) {
        PgResult r(raw);
        if (PQresultStatus(raw) != PGRES_COMMAND_OK && !failed) failed = std::move(r);
    }
    if (PQstatus(c.pg()) != CONNECTION_OK) c.fail(nullptr);
    return failed;
}

std::unique_ptr<Ladung> neueServerLadung(const QString& uri, bool ersetzen) {
    return std::make_unique<ServerLadung>(uri, ersetzen);
}

}  // namespace hmz::db
