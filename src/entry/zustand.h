// Process-wide state of one call of the component: the host's call
// parameters and the values taken from them. It lives as long as the
// component is loaded; every entry call overwrites what the call sets.
#pragma once

#include "core/variant.h"

#include <QDate>
#include <QString>
#include <memory>

namespace hmz {

namespace db {
class Database;
}

// The database password the component puts on every client database.
inline const QString DatenbankPasswort = QStringLiteral("gartenzaunes4");

// A client database opened shared under that password.
std::unique_ptr<db::Database> mandantOeffnen(const QString& name, bool nurLesen);

struct AufrufZustand {
    VariantArray AufrufParameter = VariantArray::leer(0, 100);
    QString DatenbankPfad;
    QDate MonatsStatusDatum;
    long Buchungsjahr = 0;
    QString GleicheZeile;
    bool DialogGeladen = false;
};

AufrufZustand& aufruf();

// Element 4 of the call parameters, normalised: "Access 2000;" stays,
// anything else becomes "Access;" (in the array itself).
QString datenbankFormat();

}  // namespace hmz
