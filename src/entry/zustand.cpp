#include "entry/zustand.h"

namespace hmz {

AufrufZustand& aufruf() {
    static AufrufZustand z;
    return z;
}

QString datenbankFormat() {
    static const QString access2000 = QStringLiteral("Access 2000;");
    auto& p = aufruf().AufrufParameter;
    if (!p.enthaelt(4)) return QStringLiteral("Access;");
    Variant& e = p.at(4);
    if (e.typ() == VarTyp::String && e.toString() == access2000) return access2000;
    e = Variant::string(QStringLiteral("Access;"));
    return e.toString();
}

}  // namespace hmz
