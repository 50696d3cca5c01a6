#include "shell/konsolenfehleranzeige.h"

#include "shell/komponenten.h"

#include <cstdio>

namespace hmz {

namespace {

class KonsolenFehlerAnzeige : public FehlerAnzeige {
public:
    void uebernehmen(const Werte& w) override { werte_ = w; }
    void anzeigen() override {
        std::fprintf(stderr, "Fehler %ld: %s%s%s\n", werte_.nummer, qPrintable(werte_.beschreibung),
                     werte_.quelle.isEmpty() ? "" : " - ", qPrintable(werte_.quelle));
    }
    int antwort() const override { return 0; }

private:
    Werte werte_;
};

}  // namespace

void konsolenFehlerAnzeigeRegistrieren() {
    registriereKomponente(komponenten::FehlerAnzeigeName, [] { return std::make_unique<KonsolenFehlerAnzeige>(); });
}

}  // namespace hmz
