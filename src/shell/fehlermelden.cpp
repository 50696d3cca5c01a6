#include "shell/fehlermelden.h"

#include "shell/oberflaeche.h"
#include "shell/komponenten.h"
#include "store/datenzugriff.h"

namespace hmz {

Fehler alsFehler(std::exception_ptr e) {
    try {
        std::rethrow_exception(e);
    } catch (const Fehler& f) {
        return f;
    } catch (const std::exception& x) {
        return Fehler(5, QString::fromUtf8(x.what()));
    } catch (...) {
        return Fehler(5, QStringLiteral("Invalid procedure call or argument"));
    }
}

namespace {
long zaehler = 0;

// A transaction that a closed database handle left open was rolled back by
// the store: the user hears of it like of any other failure.
[[maybe_unused]] const bool transaktionsMelderGesetzt = [] {
    db::setzeTransaktionsMelder([](const Fehler& f) {
        FehlerQuelle() = QStringLiteral("Datenzugriff, in Close");
        FehlerMelden(f);
    });
    return true;
}();
}

long gemeldeteFehler() { return zaehler; }

QString& FehlerQuelle() {
    static QString quelle;
    return quelle;
}

void FehlerMelden(const Fehler& fehler) {
    ++zaehler;
    try {
        auto anzeige = erzeuge<FehlerAnzeige>(komponenten::FehlerAnzeigeName);
        FehlerAnzeige::Werte w;
        w.nummer = fehler.Nummer();
        w.beschreibung = fehler.Beschreibung();
        w.hilfeKontext = QStringLiteral("0");
        w.quelle = FehlerQuelle();
        anzeige->uebernehmen(w);
        anzeige->anzeigen();
        (void)anzeige->antwort();
        FehlerQuelle().clear();
    } catch (...) {
        const Fehler f = alsFehler(std::current_exception());
        if (f.Nummer() == fehlernr::KeineKomponente) {
            ui().melden({QStringLiteral("das allgem. Fehlermeldungsprogramm kmoAllgError konnte nicht aufgerufen werden")});
        } else if (f.Nummer() != 482) {
            ui().melden({QStringLiteral("Problem beim Aufruf des allg. Fehlermeldungsprogrammes kmoAllgError: \r\n\r\nFehlerNr: ")
                         + QString::number(f.Nummer()) + QLatin1Char(' ') + f.Beschreibung()});
        }
    }
}

bool mitMeldung(const QString& quelle, const std::function<void()>& schritt) {
    try {
        schritt();
        return true;
    } catch (const Fehler& f) {
        // Reported once by the run, which ends: every later step would fail alike.
        if (f.Nummer() == fehlernr::VerbindungVerloren) throw;
        FehlerQuelle() = quelle;
        FehlerMelden(f);
        return false;
    } catch (...) {
        const Fehler f = alsFehler(std::current_exception());
        FehlerQuelle() = quelle;
        FehlerMelden(f);
        return false;
    }
}

bool schritteMitMeldung(const QString& quelle, std::initializer_list<std::function<void()>> schritte) {
    bool alleOk = true;
    for (const auto& s : schritte) alleOk = mitMeldung(quelle, s) && alleOk;
    return alleOk;
}

}  // namespace hmz
