#include "core/currency.h"

#include "core/fehler.h"

#include <cmath>
#include <limits>

namespace hmz {

[[noreturn]] void wirfUeberlauf() { throw Fehler(fehlernr::Ueberlauf, fehlertext::Ueberlauf); }
[[noreturn]] void wirfTypFehler() { throw Fehler(fehlernr::Typ, fehlertext::Typ); }
[[noreturn]] void wirfIndexFehler() { throw Fehler(fehlernr::Index, fehlertext::Index); }

Currency Currency::fromUnits(std::int64_t ganze) {
    std::int64_t r;
    if (__builtin_mul_overflow(ganze, Skala, &r)) wirfUeberlauf();
    return Currency(r);
}

Currency Currency::fromDouble(double wert) {
    const double skaliert = wert * static_cast<double>(Skala);
    if (!std::isfinite(skaliert) || std::fabs(skaliert) >= 9.2233720368547758e18) wirfUeberlauf();
    // nearbyint follows the default rounding mode: half to even.
    return Currency(static_cast<std::int64_t>(std::nearbyint(skaliert)));
}

std::optional<Currency> Currency::parse(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    bool negativ = false;
    if (text.front() == '-' || text.front() == '+') {
        negativ = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t ganze = 0, bruch = 0;
    int bruchStellen = 0;
    bool nachKomma = false, ziffer = false;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (nachKomma) return std::nullopt;
            nachKomma = true;
        } else if (c >= '0' && c <= '9') {
            ziffer = true;
            if (!nachKomma) {
                if (__builtin_mul_overflow(ganze, 10, &ganze) || __builtin_add_overflow(ganze, c - '0', &ganze))
                    return std::nullopt;
            } else if (bruchStellen < 4) {
                bruch = bruch * 10 + (c - '0');
                ++bruchStellen;
            } else if (c != '0') {
                return std::nullopt;  // more than four significant decimals is not a currency value
            }
        } else {
            return std::nullopt;
        }
    }
    if (!ziffer) return std::nullopt;
    while (bruchStellen++ < 4) bruch *= 10;
    std::int64_t r;
    if (__builtin_mul_overflow(ganze, Skala, &r) || __builtin_add_overflow(r, bruch, &r)) return std::nullopt;
    return Currency(negativ ? -r : r);
}

Currency Currency::operator+(Currency b) const {
    std::int64_t r;
    if (__builtin_add_overflow(wert_, b.wert_, &r)) wirfUeberlauf();
    return Currency(r);
}

Currency Currency::operator-(Currency b) const {
    std::int64_t r;
    if (__builtin_sub_overflow(wert_, b.wert_, &r)) wirfUeberlauf();
    return Currency(r);
}

Currency Currency::operator-() const {
    if (wert_ == std::numeric_limits<std::int64_t>::min()) wirfUeberlauf();
    return Currency(-wert_);
}

Currency Currency::operator*(std::int64_t faktor) const {
    std::int64_t r;
    if (__builtin_mul_overflow(wert_, faktor, &r)) wirfUeberlauf();
    return Currency(r);
}

Currency Currency::malDouble(double faktor) const { return fromDouble(toDouble() * faktor); }

Currency Currency::durchDouble(double divisor) const {
    if (divisor == 0.0) throw Fehler(fehlernr::Division, fehlertext::Division);
    return fromDouble(toDouble() / divisor);
}

Currency Currency::aufCentGerundet() const {
    const std::int64_t rest = wert_ % 100;  // sign follows wert_
    std::int64_t unten = wert_ - rest;      // truncated towards zero
    const std::int64_t betrag = rest < 0 ? -rest : rest;
    const std::int64_t richtung = wert_ < 0 ? -100 : 100;
    if (betrag > 50 || (betrag == 50 && ((unten / 100) % 2 != 0))) unten += richtung;
    return Currency(unten);
}

QString Currency::toPlainString() const {
    const bool negativ = wert_ < 0;
    const unsigned long long a = negativ ? 0ULL - static_cast<unsigned long long>(wert_)
                                         : static_cast<unsigned long long>(wert_);
    return QStringLiteral("%1%2.%3")
        .arg(negativ ? QStringLiteral("-") : QString())
        .arg(a / Skala)
        .arg(a % Skala, 4, 10, QLatin1Char('0'));
}

}  // namespace hmz
