// Registry of the external components the dialog creates by class name: the
// error display and the four related modules. A name nobody registered fails
// like a component that is not installed (error 429).
#pragma once

#include "core/fehler.h"
#include "core/variant.h"

#include <QString>
#include <functional>
#include <memory>

namespace hmz {

class Komponente {
public:
    virtual ~Komponente() = default;
};

// The error display ("kmoAllgError").
class FehlerAnzeige : public Komponente {
public:
    struct Werte {
        long nummer = 0;
        QString beschreibung;
        QString hilfeDatei;
        QString hilfeKontext;  // decimal text
        QString programm;      // never filled by this component
        QString quelle;
        QString frei1, frei2;  // never filled by this component
        int flag = 0;
    };
    virtual void uebernehmen(const Werte& w) = 0;
    virtual void anzeigen() = 0;
    virtual int antwort() const = 0;
};

// A related module: started with the call parameters, returns when done.
class ModulKomponente : public Komponente {
public:
    virtual void starten(VariantArray& aufrufParameter) = 0;
    // The property search's chosen number; 0 or less when nothing was chosen.
    virtual long gewaehlteObjektNr() const { return 0; }
};

namespace komponenten {
inline const QString FehlerAnzeigeName = QStringLiteral("kmoAllgError");
inline const QString Sachbuch = QStringLiteral("SachbuchKomponente");
inline const QString HmzResStamm = QStringLiteral("HmzResStammKomponente");
inline const QString ObjektAuswahl = QStringLiteral("ObjektAuswahlKomponente");
inline const QString KontenStamm = QStringLiteral("KontenStammKomponente");
}  // namespace komponenten

using KomponentenFabrik = std::function<std::unique_ptr<Komponente>()>;

void registriereKomponente(const QString& name, KomponentenFabrik fabrik);
void entferneKomponente(const QString& name);
bool komponenteRegistriert(const QString& name);
// Error 429 when the name is not registered; error 13 when it is not a T.
std::unique_ptr<Komponente> erzeugeKomponente(const QString& name);

template <class T>
std::unique_ptr<T> erzeuge(const QString& name) {
    auto k = erzeugeKomponente(name);
    if (auto* t = dynamic_cast<T*>(k.get())) {
        k.release();
        return std::unique_ptr<T>(t);
    }
    wirfTypFehler();
}

}  // namespace hmz
