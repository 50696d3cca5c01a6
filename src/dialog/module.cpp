#include "dialog/module.h"

#include "core/fehler.h"
#include "core/variant.h"
#include "shell/oberflaeche.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"
#include "shell/komponenten.h"

#include <memory>

namespace hmz {

namespace {

[[noreturn]] void keinObjekt() {
    throw Fehler(fehlernr::ObjektFehlt, fehlertext::ObjektFehlt);
}

// The common sequence; `danach` runs on the started module (property search).
void modulAufruf(const QString& name, const QString& quelle, const std::function<void(ModulKomponente*)>& danach = {}) {
    std::unique_ptr<ModulKomponente> modul;
    schritteMitMeldung(quelle, {
        [] { ui().sanduhr(true); },
        [&] { modul = erzeuge<ModulKomponente>(name); },
        [&] {
            if (!modul) keinObjekt();
            modul->starten(aufruf().AufrufParameter);
        },
        [&] {
            if (danach) danach(modul.get());
        },
        [&] { modul.reset(); },
        [] { ui().sanduhr(false); },
    });
}

}  // namespace

void SachbuchStarten() {
    modulAufruf(komponenten::Sachbuch, QStringLiteral("kmoHauptmzres, in cmdSachBuch_Click"));
}

void HmzResStammStarten() {
    modulAufruf(komponenten::HmzResStamm, QStringLiteral("kmoHauptmzres, in cmdHmzResStamm_Click"));
}

void KontenStammStarten(const QString& abrBisText) {
    const QString quelle = QStringLiteral("kmoHauptmzres, in cmdKontenStamm_Click");
    mitMeldung(quelle, [&] {
        const QString t = abrBisText.trimmed();
        if (t.isEmpty() || t == QLatin1String("0")) return;
        // A full date in the field ("31.05.2003") makes no date here: reported, year kept.
        const auto erster = datumAusText(QStringLiteral("1.") + t);
        if (!erster) wirfTypFehler();
        aufruf().AufrufParameter.at(11) = Variant::lng(erster->year());
    });
    modulAufruf(komponenten::KontenStamm, quelle);
}

long ObjektAuswahlStarten() {
    long nr = 0;
    modulAufruf(komponenten::ObjektAuswahl, QStringLiteral("kmoHauptmzres, in cmdObjAusw_Click"),
                [&](ModulKomponente* m) {
                    if (!m) keinObjekt();
                    nr = m->gewaehlteObjektNr();
                });
    return nr > 0 ? nr : 0;
}

}  // namespace hmz
