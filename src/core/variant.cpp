#include "core/variant.h"

#include "core/fehler.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace hmz {

namespace {

[[noreturn]] void wirfNull() { throw Fehler(fehlernr::UngueltigNull, fehlertext::UngueltigNull); }

std::optional<double> zahlAusText(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    // Both decimal marks are accepted; a comma is the Austrian one.
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

double rundeGerade(double d) { return std::nearbyint(d); }

int zweistelligesJahr(int jj) { return jj < 30 ? 2000 + jj : 1900 + jj; }

}  // namespace

const Variant& VariantArray::at(long index) const {
    if (!enthaelt(index)) wirfIndexFehler();
    return elemente[static_cast<std::size_t>(index - untereGrenze)];
}

Variant& VariantArray::at(long index) {
    if (!enthaelt(index)) wirfIndexFehler();
    return elemente[static_cast<std::size_t>(index - untereGrenze)];
}

VariantArray VariantArray::leer(long von, long bis) {
    VariantArray a;
    a.untereGrenze = von;
    a.elemente.resize(bis >= von ? static_cast<std::size_t>(bis - von + 1) : 0);
    return a;
}

Variant Variant::null() { Variant v; v.w_ = nullptr; return v; }
Variant Variant::boolean(bool b) { Variant v; v.w_ = b; return v; }
Variant Variant::integer(std::int16_t i) { Variant v; v.w_ = i; return v; }
Variant Variant::lng(std::int32_t l) { Variant v; v.w_ = l; return v; }
Variant Variant::dbl(double d) { Variant v; v.w_ = d; return v; }
Variant Variant::currency(Currency c) { Variant v; v.w_ = c; return v; }
Variant Variant::date(QDate d) { Variant v; v.w_ = d; return v; }
Variant Variant::string(QString s) { Variant v; v.w_ = std::move(s); return v; }
Variant Variant::array(VariantArray a) {
    Variant v;
    v.w_ = ArrayBox{std::make_unique<VariantArray>(std::move(a))};
    return v;
}

Variant::Variant(const Variant& o) { *this = o; }

Variant& Variant::operator=(const Variant& o) {
    if (this == &o) return *this;
    if (const auto* box = std::get_if<ArrayBox>(&o.w_))
        w_ = ArrayBox{std::make_unique<VariantArray>(*box->p)};
    else
        std::visit([this](const auto& x) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(x)>, ArrayBox>) w_ = x;
        }, o.w_);
    return *this;
}

VarTyp Variant::typ() const { return static_cast<VarTyp>(w_.index()); }

bool Variant::istNumerisch() const {
    switch (typ()) {
    case VarTyp::Empty: case VarTyp::Boolean: case VarTyp::Integer: case VarTyp::Long:
    case VarTyp::Double: case VarTyp::Currency:
        return true;
    case VarTyp::String:
        return zahlAusText(std::get<QString>(w_)).has_value();
    default:
        return false;
    }
}

bool Variant::istDatum() const {
    if (typ() == VarTyp::Date) return true;
    if (typ() == VarTyp::String) return datumAusText(std::get<QString>(w_)).has_value();
    return false;
}

QString Variant::toString() const {
    switch (typ()) {
    case VarTyp::Empty: return {};
    case VarTyp::Null: wirfNull();
    case VarTyp::Boolean: return std::get<bool>(w_) ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case VarTyp::Integer: return QString::number(std::get<std::int16_t>(w_));
    case VarTyp::Long: return QString::number(std::get<std::int32_t>(w_));
    case VarTyp::Double: return QString::number(std::get<double>(w_), 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
    case VarTyp::Currency: {
        QString s = std::get<Currency>(w_).toPlainString();
        while (s.endsWith(QLatin1Char('0'))) s.chop(1);
        if (s.endsWith(QLatin1Char('.'))) s.chop(1);
        return s.replace(QLatin1Char('.'), QLatin1Char(','));
    }
    case VarTyp::Date: return std::get<QDate>(w_).toString(QStringLiteral("dd.MM.yyyy"));
    case VarTyp::String: return std::get<QString>(w_);
    case VarTyp::Array: wirfTypFehler();
    }
    wirfTypFehler();
}

QDate Variant::toDate() const {
    switch (typ()) {
    case VarTyp::Empty: return NullDatum;
    case VarTyp::Null: wirfNull();
    case VarTyp::Date: return std::get<QDate>(w_);
    case VarTyp::String: {
        if (auto d = datumAusText(std::get<QString>(w_))) return *d;
        if (auto z = zahlAusText(std::get<QString>(w_))) return serialZuDatum(*z);
        wirfTypFehler();
    }
    case VarTyp::Integer: case VarTyp::Long: case VarTyp::Double: case VarTyp::Currency: case VarTyp::Boolean:
        return serialZuDatum(toDouble());
    case VarTyp::Array: wirfTypFehler();
    }
    wirfTypFehler();
}

double Variant::toDouble() const {
    switch (typ()) {
    case VarTyp::Empty: return 0.0;
    case VarTyp::Null: wirfNull();
    case VarTyp::Boolean: return std::get<bool>(w_) ? -1.0 : 0.0;
    case VarTyp::Integer: return std::get<std::int16_t>(w_);
    case VarTyp::Long: return std::get<std::int32_t>(w_);
    case VarTyp::Double: return std::get<double>(w_);
    case VarTyp::Currency: return std::get<Currency>(w_).toDouble();
    case VarTyp::Date: return datumZuSerial(std::get<QDate>(w_));
    case VarTyp::String:
        if (auto z = zahlAusText(std::get<QString>(w_))) return *z;
        wirfTypFehler();
    case VarTyp::Array: wirfTypFehler();
    }
    wirfTypFehler();
}

std::int32_t Variant::toLong() const {
    if (typ() == VarTyp::Long) return std::get<std::int32_t>(w_);
    if (typ() == VarTyp::Integer) return std::get<std::int16_t>(w_);
    const double d = rundeGerade(toDouble());
    if (d < std::numeric_limits<std::int32_t>::min() || d > std::numeric_limits<std::int32_t>::max())
        wirfUeberlauf();
    return static_cast<std::int32_t>(d);
}

std::int16_t Variant::toInteger() const {
    const std::int32_t l = toLong();
    if (l < std::numeric_limits<std::int16_t>::min() || l > std::numeric_limits<std::int16_t>::max())
        wirfUeberlauf();
    return static_cast<std::int16_t>(l);
}

Currency Variant::toCurrency() const {
    switch (typ()) {
    case VarTyp::Currency: return std::get<Currency>(w_);
    case VarTyp::Integer: return Currency::fromUnits(std::get<std::int16_t>(w_));
    case VarTyp::Long: return Currency::fromUnits(std::get<std::int32_t>(w_));
    case VarTyp::String: {
        QString t = std::get<QString>(w_).trimmed();
        if (auto c = Currency::parse(t.toStdString())) return *c;
        return Currency::fromDouble(toDouble());
    }
    default: return Currency::fromDouble(toDouble());
    }
}

bool Variant::toBool() const {
    if (typ() == VarTyp::Boolean) return std::get<bool>(w_);
    return toDouble() != 0.0;
}

const VariantArray& Variant::toArray() const {
    if (const auto* box = std::get_if<ArrayBox>(&w_)) return *box->p;
    wirfTypFehler();
}

bool Variant::ArrayBox::operator==(const ArrayBox& o) const {
    return p->untereGrenze == o.p->untereGrenze && p->elemente == o.p->elemente;
}

bool Variant::operator==(const Variant& o) const { return w_ == o.w_; }

std::optional<QDate> datumAusText(const QString& text) {
    static const QRegularExpression voll(QStringLiteral(R"(^\s*(\d{1,2})\.(\d{1,2})\.(\d{2}|\d{4})\s*$)"));
    static const QRegularExpression monat(QStringLiteral(R"(^\s*(\d{1,2})\.(\d{2}|\d{4})\s*$)"));
    int tag = 1, mon = 0, jahr = 0;
    QString jahrText;
    if (auto m = voll.match(text); m.hasMatch()) {
        tag = m.captured(1).toInt();
        mon = m.captured(2).toInt();
        jahrText = m.captured(3);
    } else if (auto m2 = monat.match(text); m2.hasMatch()) {
        mon = m2.captured(1).toInt();
        jahrText = m2.captured(2);
    } else {
        return std::nullopt;
    }
    jahr = jahrText.toInt();
    if (jahrText.size() == 2) jahr = zweistelligesJahr(jahr);
    const QDate d(jahr, mon, tag);
    if (!d.isValid()) return std::nullopt;
    return d;
}

double datumZuSerial(QDate d) { return static_cast<double>(NullDatum.daysTo(d)); }

QDate serialZuDatum(double serial) {
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) wirfUeberlauf();
    return NullDatum.addDays(static_cast<qint64>(std::floor(serial)));
}

}  // namespace hmz
