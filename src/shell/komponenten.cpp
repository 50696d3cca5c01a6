#include "shell/komponenten.h"

#include "core/fehler.h"

#include <QHash>

namespace hmz {

namespace {
QHash<QString, KomponentenFabrik>& verzeichnis() {
    static QHash<QString, KomponentenFabrik> v;
    return v;
}
}  // namespace

void registriereKomponente(const QString& name, KomponentenFabrik fabrik) { verzeichnis().insert(name, std::move(fabrik)); }

void entferneKomponente(const QString& name) { verzeichnis().remove(name); }

bool komponenteRegistriert(const QString& name) { return verzeichnis().contains(name); }

std::unique_ptr<Komponente> erzeugeKomponente(const QString& name) {
    const auto it = verzeichnis().constFind(name);
    if (it == verzeichnis().constEnd() || !*it)
        throw Fehler(fehlernr::KeineKomponente, QStringLiteral("ActiveX component can't create object"));
    auto k = (*it)();
    if (!k) throw Fehler(fehlernr::KeineKomponente, QStringLiteral("ActiveX component can't create object"));
    return k;
}

}  // namespace hmz
