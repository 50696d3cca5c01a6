// The month and period reader: what a user types into a month field or
// passes as --period, and the conversions a run applies to it afterwards.
#include "core/fehler.h"
#include "core/format.h"
#include "core/variant.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // "VON-BIS" as the command line splits it, and each half alone.
    const qsizetype strich = text.indexOf(u'-');
    for (const QString& teil : {text, text.left(strich), text.mid(strich + 1)}) {
        const hmz::Variant v = hmz::format::monatsEingabe(teil);
        try {
            const QDate d = v.toDate();
            (void)hmz::format::monatJahr(d);
            (void)hmz::format::monatNameJahr(d);
            (void)hmz::format::kurzDatum(d);
        } catch (const hmz::Fehler&) {
        }
        try {
            (void)v.toDouble();
            (void)v.toString();
            (void)v.istDatum();
            (void)v.istNumerisch();
        } catch (const hmz::Fehler&) {
        }
    }
    return 0;
}
