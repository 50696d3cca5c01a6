#include "shell/oberflaeche.h"

#include <cstdio>

namespace hmz {

namespace {

class StandardOberflaeche : public Oberflaeche {
public:
    Antwort melden(const Meldung& m) override {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
        return m.knoepfe == Knoepfe::OK ? Antwort::OK : m.standard;
    }
};

Oberflaeche* aktuelle = nullptr;

}  // namespace

Oberflaeche& ui() {
    static StandardOberflaeche standard;
    return aktuelle ? *aktuelle : standard;
}

void setzeOberflaeche(Oberflaeche* o) { aktuelle = o; }

}  // namespace hmz
