// A table read for a whole-client copy: each value as the server keeps it,
// without the Variant a recordset gives (which has no 64-bit integers).
#include "store/postgres/pg_verbindung.h"

#include "core/currency.h"
#include "core/fehler.h"

namespace hmz::db {

namespace {

enum : Oid { BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, Float4Oid = 700, Float8Oid = 701,
             NumericOid = 1700, DateOid = 1082, TimestampOid = 1114, TimestamptzOid = 1184 };

Feldwert feldwert(const PGresult* r, int spalte) {
    if (PQgetisnull(r, 0, spalte)) return Feldwert::null();
    const char* text = PQgetvalue(r, 0, spalte);
    const int laenge = PQgetlength(r, 0, spalte);
    const QByteArray roh = QByteArray::fromRawData(text, laenge);
    switch (PQftype(r, spalte)) {
    case BoolOid: return Feldwert::zahl(text[0] == 't' ? -1 : 0);
    case Int2Oid:
    case Int4Oid:
    case Int8Oid: return Feldwert::zahl(roh.toLongLong());
    case Float4Oid:
    case Float8Oid: return {Feldwert::Art::Gleit, 0, roh.toDouble(), {}};
    case NumericOid:
        if (auto c = Currency::parse(std::string_view(text, static_cast<std::size_t>(laenge)))) return Feldwert::geld(*c);
        return {Feldwert::Art::Gleit, 0, roh.toDouble(), {}};
    case DateOid:
    case TimestampOid:
    case TimestamptzOid: return {Feldwert::Art::Text, 0, 0, QByteArray(text, std::min(laenge, 10))};
    case ByteaOid: {
        std::size_t n = 0;
        unsigned char* b = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
        Feldwert w{Feldwert::Art::Bytes, 0, 0, QByteArray(reinterpret_cast<const char*>(b), static_cast<qsizetype>(n))};
        PQfreemem(b);
        return w;
    }
    default: return {Feldwert::Art::Text, 0, 0, QByteArray(text, laenge)};
    }
}

}  // namespace

void pgFeldzeilen(PgConnection& c, const QString& tabelle, const std::function<void(const std::vector<Feldwert>&)>& zeile) {
    QString name = tabelle.toLower();
    const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\"").arg(name.replace(u'"', QStringLiteral("\"\""))).toUtf8();
    if (!PQsendQuery(c.pg(), sql.constData())) c.fail(nullptr);
    PQsetSingleRowMode(c.pg());
    std::vector<Feldwert> werte;
    PgResult fehler;
    std::exception_ptr abbruch;  // the caller's: the rest of the result is still read off the connection
    while (PGresult* raw = PQgetResult(c.pg())) {
        PgResult r(raw);
        const auto st = PQresultStatus(raw);
        if (st == PGRES_SINGLE_TUPLE && !abbruch) {
            werte.resize(static_cast<std::size_t>(PQnfields(raw)));
            for (int i = 0; i < PQnfields(raw); ++i) werte[static_cast<std::size_t>(i)] = feldwert(raw, i);
            try {
                zeile(werte);
            } catch (...) {
                abbruch = std::current_exception();
                if (PGcancel* k = PQgetCancel(c.pg())) {
                    char grund[256];
                    PQcancel(k, grund, sizeof grund);
                    PQfreeCancel(k);
                }
            }
        } else if (st != PGRES_SINGLE_TUPLE && st != PGRES_TUPLES_OK && !fehler && !abbruch) {
            fehler = std::move(r);
        }
    }
    if (abbruch) std::rethrow_exception(abbruch);
    if (fehler) c.fail(fehler.get());
    if (PQstatus(c.pg()) != CONNECTION_OK) c.fail(nullptr);
}

}  // namespace hmz::db
