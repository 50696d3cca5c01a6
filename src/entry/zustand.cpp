#include "entry/zustand.h"

#include "store/datenzugriff.h"

namespace hmz {

std::unique_ptr<db::Database> mandantOeffnen(const QString& name, bool nurLesen) {
    return db::Engine::instance().OpenDatabase(name, false, nurLesen, QStringLiteral(";pwd=") + DatenbankPasswort);
}

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
