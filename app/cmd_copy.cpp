#include "befehle.h"

#include "abbruchsignal.h"
#include "core/fehler.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"
#include "store/mandantkopie.h"
#include "statement/stapellauf.h"

#include <cstdio>

namespace {

using namespace hmz;

int kopieren(const Befehlszeile& z) {
    const QString von = z.value(QStringLiteral("from")), nach = z.value(QStringLiteral("to"));
    const QString vonText = db::Engine::Anzeigename(von), nachText = db::Engine::Anzeigename(nach);
    // Reading and replacing one client at once would wait for its own locks.
    if (db::selberMandant(von, nach))
        return z.falsch(QStringLiteral("Quelle und Ziel sind derselbe Mandant ('%1')").arg(nachText));
    if (const QString leer = keinMandantHinweis(von); !leer.isEmpty()) return z.fehlschlag(leer);
    const LadungsAbbruch abbruch("hmzres copy: abgebrochen, nichts kopiert\n", STDERR_FILENO);
    db::Kopiert k;
    try {
        k = db::mandantKopieren(von, nach, DatenbankPasswort, z.isSet(QStringLiteral("force")),
                                [](const QString& tabelle) {
                                    std::printf("%s\n", qPrintable(tabelle));
                                    std::fflush(stdout);
                                },
                                &abbruch.signal());
    } catch (const db::KopieAbgebrochen&) {
        std::fflush(stdout);
        return abbruch.melden();
    } catch (const Fehler& e) {
        std::fflush(stdout);
        return z.fehlschlag(QStringLiteral("nichts nach '%1' kopiert: %2 (Fehler %3)").arg(nachText, e.Beschreibung(), QString::number(e.Nummer())));
    }
    std::printf("%ld Tabellen mit %ld Zeilen von '%s' nach '%s' kopiert\n", k.tabellen, k.zeilen, qPrintable(vonText),
                qPrintable(nachText));
    return ausgang::Erledigt;
}

}  // namespace

Befehl copyBefehl() {
    return {QStringLiteral("copy"), QStringLiteral("--from DB --to DB [--force]"),
            QStringLiteral("Kopiert einen ganzen Mandanten, jede Tabelle, von einem Speicher in einen anderen (eine Datei\n"
                           "oder eine postgresql://-URI). Das Ziel bekommt alles oder nichts; enthält es schon einen\n"
                           "Mandanten, wird er nur mit --force ersetzt (sonst Status 4). --force ersetzt nur die Tabellen\n"
                           "des Mandanten; andere Tabellen in einem Schema des Servers bleiben. Ctrl-C oder SIGTERM:\n"
                           "nichts wird kopiert, Status 130 oder 143."),
            {
                {QStringLiteral("from"), QStringLiteral("der Mandant, der gelesen wird"), QStringLiteral("DB")},
                {QStringLiteral("to"), QStringLiteral("der Speicher, in den geschrieben wird"), QStringLiteral("DB")},
                {QStringLiteral("force"), QStringLiteral("einen Mandanten im Ziel ersetzen")},
            },
            {QStringLiteral("from"), QStringLiteral("to")}, false, kopieren};
}
