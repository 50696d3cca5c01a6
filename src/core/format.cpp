#include "core/format.h"

#include <QRegularExpression>
#include <cstdlib>

namespace hmz::format {

QLocale gebietsschema() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::German) return system;
    return QLocale(QLocale::German, QLocale::Austria);
}

QString betrag(Currency c) {
    // Round half away from zero to cents, as the office's number format does.
    const std::int64_t raw = c.raw();
    const bool negativ = raw < 0;
    unsigned long long a = negativ ? 0ULL - static_cast<unsigned long long>(raw) : static_cast<unsigned long long>(raw);
    unsigned long long cents = (a + 50) / 100;
    const unsigned long long ganze = cents / 100;
    const unsigned long long rest = cents % 100;
    QString ziffern = QString::number(ganze);
    for (qsizetype i = ziffern.size() - 3; i > 0; i -= 3) ziffern.insert(i, QLatin1Char('.'));
    QString s = ziffern + QLatin1Char(',') + QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
    if (negativ && cents != 0) s.prepend(QLatin1Char('-'));
    return s;
}

QString nullen(std::int64_t zahl, int stellen) {
    const QString ziffern = QString::number(std::llabs(zahl)).rightJustified(stellen, QLatin1Char('0'));
    return zahl < 0 ? QLatin1Char('-') + ziffern : ziffern;
}

QString kurzDatum(QDate d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }

QString monatJahr(QDate d) { return d.toString(QStringLiteral("MM.yyyy")); }

QString monatNameJahr(QDate d) {
    return gebietsschema().monthName(d.month(), QLocale::LongFormat) + QLatin1Char(' ') + QString::number(d.year());
}

Variant monatsEingabe(const QString& text) {
    static const QRegularExpression monat(QStringLiteral(R"(^\s*\d{1,2}\.(\d{2}|\d{4})\s*$)"));
    static const QRegularExpression voll(QStringLiteral(R"(^\s*\d{1,2}\.\d{1,2}\.\d{4}\s*$)"));
    const QString t = text.trimmed();
    if (t.isEmpty()) return {};
    if (t == QLatin1String("0")) return Variant::integer(0);
    if (monat.match(t).hasMatch() || voll.match(t).hasMatch()) {
        if (auto d = datumAusText(t)) return Variant::date(*d);
    }
    return Variant::string(text);
}

}  // namespace hmz::format
