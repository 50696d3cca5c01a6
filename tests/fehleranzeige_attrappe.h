// A stand-in for the error display component that keeps what it was asked to show.
#pragma once

#include "shell/komponenten.h"

#include <vector>

namespace hmz::test {

struct Fehlerbericht {
    long nummer;
    QString quelle;
};

class FehlerAnzeigeAttrappe : public FehlerAnzeige {
public:
    // Registers the stand-in under the error display's name; reports go to `ziel`.
    static void registrieren(std::vector<Fehlerbericht>& ziel) {
        registriereKomponente(komponenten::FehlerAnzeigeName, [&ziel] {
            auto a = std::make_unique<FehlerAnzeigeAttrappe>();
            a->ziel_ = &ziel;
            return a;
        });
    }
    static void entfernen() { entferneKomponente(komponenten::FehlerAnzeigeName); }

    void uebernehmen(const Werte& werte) override { w_ = werte; }
    void anzeigen() override { ziel_->push_back({w_.nummer, w_.quelle}); }
    int antwort() const override { return 0; }

private:
    Werte w_;
    std::vector<Fehlerbericht>* ziel_ = nullptr;
};

}  // namespace hmz::test
