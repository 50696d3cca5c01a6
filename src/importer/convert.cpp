#include "importer/convert.h"

#include "core/currency.h"
#include "core/fehler.h"

#include <QDate>
#include <charconv>
#include <cmath>
#include <limits>

namespace hmz::importer {

namespace {

// Access keeps dates from 1 January 100 to 31 December 9999.
constexpr double ErsterTag = -657434.0;   // 0100-01-01
constexpr double LetzterTag = 2958465.0;   // 9999-12-31

StoreValue nullValue() { return {}; }
StoreValue integerValue(std::int64_t v) { return {StoreValue::Type::Integer, v, 0, {}}; }
StoreValue realValue(double v) { return {StoreValue::Type::Real, 0, v, {}}; }
StoreValue textValue(QByteArray t) { return {StoreValue::Type::Text, 0, 0, std::move(t)}; }
StoreValue blobValue(QByteArray b) { return {StoreValue::Type::Blob, 0, 0, std::move(b)}; }

QString shown(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Null: return QStringLiteral("Null");
    case SourceKind::Integer: return QString::number(v.integer);
    case SourceKind::Real: return QString::fromLatin1(shortestText(v.real));
    case SourceKind::Money: return Currency::fromRaw(v.integer).toPlainString();
    case SourceKind::DateTime: {
        const DateText d = accessDate(v.real);
        if (d.date.isEmpty()) return QString::fromLatin1(shortestText(v.real));
        return d.time.isEmpty() ? d.date : d.date + u' ' + d.time;
    }
    case SourceKind::Decimal:
    case SourceKind::Text: return u'\'' + QString::fromUtf8(v.bytes).left(40) + u'\'';
    case SourceKind::Blob: return QStringLiteral("%1 Bytes Binärdaten").arg(v.bytes.size());
    }
    return {};
}

Conversion refused(const SourceValue& v, const char* what) {
    return {nullValue(), QStringLiteral("%1 ist %2").arg(shown(v), QLatin1String(what))};
}

std::optional<std::int64_t> wholeNumber(const QByteArray& text) {
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return n;
}

Conversion toInteger(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Integer: return {integerValue(v.integer), {}};
    case SourceKind::Money:
        if (v.integer % Currency::Skala == 0) return {integerValue(v.integer / Currency::Skala), {}};
        return refused(v, "keine ganze Zahl");
    case SourceKind::Real:
        // Doubles at or above 2^63 would not fit; the bound itself is exact.
        if (std::isfinite(v.real) && v.real == std::trunc(v.real) && std::fabs(v.real) < 9.2233720368547758e18)
            return {integerValue(static_cast<std::int64_t>(v.real)), {}};
        return refused(v, "keine ganze Zahl");
    case SourceKind::Decimal:
    case SourceKind::Text:
        if (auto n = wholeNumber(v.bytes)) return {integerValue(*n), {}};
        return refused(v, "keine ganze Zahl");
    default: return refused(v, "keine ganze Zahl");
    }
}

Conversion toReal(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Integer: return {realValue(static_cast<double>(v.integer)), {}};
    case SourceKind::Money: return {realValue(Currency::fromRaw(v.integer).toDouble()), {}};
    case SourceKind::Real:
        // SQLite would store NaN as Null without a word.
        if (std::isfinite(v.real)) return {realValue(v.real), {}};
        return refused(v, "keine endliche Zahl");
    case SourceKind::Decimal:
    case SourceKind::Text: {
        bool ok = false;
        const double d = v.bytes.trimmed().toDouble(&ok);
        if (ok && std::isfinite(d)) return {realValue(d), {}};
        return refused(v, "keine Zahl");
    }
    default: return refused(v, "keine Zahl");
    }
}

Conversion toCurrency(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Money: return {integerValue(v.integer), {}};
    case SourceKind::Integer: {
        std::int64_t r;
        if (__builtin_mul_overflow(v.integer, Currency::Skala, &r)) return refused(v, "kein Währungsbetrag");
        return {integerValue(r), {}};
    }
    case SourceKind::Real: {
        if (!std::isfinite(v.real)) return refused(v, "kein Währungsbetrag");
        // The double as written (0.1 stays 0.1): exact when it has at most four decimals.
        if (auto c = Currency::parse(shortestText(v.real).toStdString())) return {integerValue(c->raw()), {}};
        try {
            const Currency c = Currency::fromDouble(v.real);
            return {integerValue(c.raw()),
                    QStringLiteral("%1 gerundet auf %2").arg(shown(v), c.toPlainString())};
        } catch (const Fehler&) {
            return refused(v, "kein Währungsbetrag");
        }
    }
    case SourceKind::Decimal:
    case SourceKind::Text:
        if (auto c = Currency::parse(v.bytes.toStdString())) return {integerValue(c->raw()), {}};
        return refused(v, "kein Währungsbetrag mit höchstens vier Dezimalen");
    default: return refused(v, "kein Währungsbetrag");
    }
}

Conversion toDate(const SourceValue& v, bool keepTime) {
    switch (v.kind) {
    case SourceKind::DateTime: {
        const DateText d = accessDate(v.real);
        if (d.date.isEmpty()) return refused(v, "kein Datum");
        if (d.time.isEmpty()) return {textValue(d.date.toLatin1()), {}};
        if (keepTime) return {textValue((d.date + u' ' + d.time).toLatin1()), {}};
        return {textValue(d.date.toLatin1()), QStringLiteral("Uhrzeit %1 von %2 weggelassen").arg(d.time, d.date)};
    }
    case SourceKind::Text: {
        const QByteArray t = v.bytes.trimmed();
        if (QDate::fromString(QString::fromLatin1(t), Qt::ISODate).isValid() && t.size() == 10)
            return {textValue(t), {}};
        return refused(v, "kein Datum (JJJJ-MM-TT)");
    }
    default: return refused(v, "kein Datum");
    }
}

Conversion toNumeric(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Decimal:
    case SourceKind::Text: return {textValue(v.bytes), {}};  // the column's affinity keeps it exact
    case SourceKind::Integer: return {integerValue(v.integer), {}};
    case SourceKind::Money: return {textValue(Currency::fromRaw(v.integer).toPlainString().toLatin1()), {}};
    case SourceKind::Real: return toReal(v);
    default: return refused(v, "keine Zahl");
    }
}

Conversion toText(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Text:
    case SourceKind::Decimal: return {textValue(v.bytes), {}};
    case SourceKind::Integer: return {textValue(QByteArray::number(static_cast<qlonglong>(v.integer))), {}};
    case SourceKind::Real: return {textValue(shortestText(v.real)), {}};
    case SourceKind::Money: return {textValue(Currency::fromRaw(v.integer).toPlainString().toLatin1()), {}};
    case SourceKind::DateTime: {
        const DateText d = accessDate(v.real);
        if (d.date.isEmpty()) return refused(v, "kein Datum");
        return {textValue((d.time.isEmpty() ? d.date : d.date + u' ' + d.time).toLatin1()), {}};
    }
    default: return refused(v, "kein Text");
    }
}

Conversion toBlob(const SourceValue& v) {
    switch (v.kind) {
    case SourceKind::Blob:
    case SourceKind::Text: return {blobValue(v.bytes), {}};
    default: return refused(v, "keine Binärdaten");
    }
}

}  // namespace

ColumnKind kindOfDeclaredType(const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t == u"CURRENCY") return ColumnKind::Currency;
    if (t == u"DATE") return ColumnKind::Date;
    if (t == u"DATETIME") return ColumnKind::DateTime;
    if (t.contains(u"INT")) return ColumnKind::Integer;
    if (t.contains(u"CHAR") || t.contains(u"CLOB") || t.contains(u"TEXT")) return ColumnKind::Text;
    if (t.isEmpty() || t.contains(u"BLOB")) return ColumnKind::Blob;
    if (t.contains(u"REAL") || t.contains(u"FLOA") || t.contains(u"DOUB")) return ColumnKind::Real;
    return ColumnKind::Numeric;
}

QString declaredTypeOf(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Integer: return QStringLiteral("INTEGER");
    case ColumnKind::Real: return QStringLiteral("REAL");
    case ColumnKind::Currency: return QStringLiteral("CURRENCY");
    case ColumnKind::Date:
    case ColumnKind::DateTime: return QStringLiteral("DATE");
    case ColumnKind::Numeric: return QStringLiteral("DECIMAL");
    case ColumnKind::Text: return QStringLiteral("TEXT");
    case ColumnKind::Blob: return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

Conversion convert(const SourceValue& v, ColumnKind target) {
    if (v.kind == SourceKind::Null) return {nullValue(), {}};
    switch (target) {
    case ColumnKind::Integer: return toInteger(v);
    case ColumnKind::Real: return toReal(v);
    case ColumnKind::Currency: return toCurrency(v);
    case ColumnKind::Date: return toDate(v, false);
    case ColumnKind::DateTime: return toDate(v, true);
    case ColumnKind::Numeric: return toNumeric(v);
    case ColumnKind::Text: return toText(v);
    case ColumnKind::Blob: return toBlob(v);
    }
    return refused(v, "nicht speicherbar");
}

DateText accessDate(double days) {
    // The whole part picks the day, so the first day's times (below its
    // number) and the last day's (above it) are dates too.
    if (!std::isfinite(days) || std::trunc(days) < ErsterTag || std::trunc(days) > LetzterTag) return {};
    // The whole part counts days (negative before 1899-12-30); the fraction is
    // the time of day on that day regardless of the sign.
    std::int64_t tag = static_cast<std::int64_t>(std::trunc(days));
    std::int64_t sekunden = std::llround(std::fabs(days - std::trunc(days)) * 86400.0);
    if (sekunden >= 86400) {
        sekunden -= 86400;
        ++tag;
    }
    // A hair before midnight of the last day stays on it: there is no next one.
    if (tag > static_cast<std::int64_t>(LetzterTag)) {
        tag = static_cast<std::int64_t>(LetzterTag);
        sekunden = 86399;
    }
    const QDate d = QDate(1899, 12, 30).addDays(tag);
    DateText r;
    r.date = d.toString(QStringLiteral("yyyy-MM-dd"));
    if (sekunden != 0)
        r.time = QStringLiteral("%1:%2:%3")
                     .arg(sekunden / 3600, 2, 10, QLatin1Char('0'))
                     .arg(sekunden / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(sekunden % 60, 2, 10, QLatin1Char('0'));
    return r;
}

QByteArray shortestText(float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<int>(r.ptr - buf));
}

QByteArray shortestText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<int>(r.ptr - buf));
}

}  // namespace hmz::importer
