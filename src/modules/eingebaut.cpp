#include "modules/eingebaut.h"

#include "dialog/frmhauptmzres.h"
#include "dialog/qtkomponenten.h"
#include "modules/hmzresstamm.h"
#include "modules/kontenstamm.h"
#include "modules/sachbuch.h"
#include "shell/komponenten.h"

#include <QApplication>

namespace hmz {

namespace {

// The dialog's from-number, when the module was started from the run dialog.
long vonObjektNr() {
    const auto* f = qobject_cast<const frmHauptMzRes*>(QApplication::activeWindow());
    return f ? f->vonObjektNr() : 0;
}

class HmzResStammModul : public ModulKomponente {
public:
    void starten(VariantArray& p) override {
        HmzResStammDialog d(p.at(0).toString(), vonObjektNr(), QApplication::activeWindow());
        d.exec();
    }
};

class KontenStammModul : public ModulKomponente {
public:
    void starten(VariantArray& p) override {
        KontenStammDialog d(p.at(0).toString(), static_cast<int>(p.at(11).toLong()), QApplication::activeWindow());
        d.exec();
    }
};

class SachbuchModul : public ModulKomponente {
public:
    void starten(VariantArray& p) override {
        SachbuchDialog d(p.at(0).toString(), vonObjektNr(), static_cast<int>(p.at(11).toLong()), QApplication::activeWindow());
        d.exec();
    }
};

}  // namespace

void eingebauteModuleRegistrieren() {
    if (!komponenteRegistriert(komponenten::HmzResStamm))
        registriereKomponente(komponenten::HmzResStamm, [] { return std::make_unique<HmzResStammModul>(); });
    if (!komponenteRegistriert(komponenten::KontenStamm))
        registriereKomponente(komponenten::KontenStamm, [] { return std::make_unique<KontenStammModul>(); });
    if (!komponenteRegistriert(komponenten::Sachbuch))
        registriereKomponente(komponenten::Sachbuch, [] { return std::make_unique<SachbuchModul>(); });
    if (!komponenteRegistriert(komponenten::ObjektAuswahl)) registriereKomponente(komponenten::ObjektAuswahl, neueObjektAuswahl);
}

}  // namespace hmz
