// The SQL dialect translator and FindFirst criteria on arbitrary text: any
// input either translates or is refused with the engine's error, never more.
#include "core/fehler.h"
#include "store/sqldialekt.h"

#include <cstddef>
#include <cstdint>

namespace {

class Schema : public hmz::db::SchemaInfo {
public:
    bool isDateColumn(QStringView n) const override { return n.startsWith(u"d", Qt::CaseInsensitive) || is(n, "budatum"); }
    bool isCurrencyColumn(QStringView n) const override { return is(n, "bubetrag") || is(n, "betrag"); }
    bool isTable(QStringView n) const override { return n.startsWith(u"obj", Qt::CaseInsensitive) || is(n, "t"); }
    bool isTextColumn(QStringView n) const override { return is(n, "bukontonr") || is(n, "text"); }

private:
    static bool is(QStringView n, const char* name) { return n.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; }
};

hmz::Variant field(const QString& name) {
    switch (name.size() % 5) {
    case 0: return hmz::Variant::lng(149);
    case 1: return hmz::Variant::string(QStringLiteral("Euro"));
    case 2: return hmz::Variant::date(QDate(2003, 12, 31));
    case 3: return hmz::Variant::currency(hmz::Currency::fromRaw(12345000));
    default: return hmz::Variant::null();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        (void)hmz::db::translate(text, Schema());
    } catch (const hmz::Fehler&) {
    }
    try {
        (void)hmz::db::Criteria(text).matches(field);
    } catch (const hmz::Fehler&) {
    }
    return 0;
}
