// hmzres export: the year's figures of a range of properties as CSV or JSON.
#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "statement/ergebnisexport.h"


namespace {

int exportieren(const Befehlszeile& z) {
    const QString art = z.value(QStringLiteral("format"));
    if (art != QLatin1String("csv") && art != QLatin1String("json"))
        return z.falsch(QStringLiteral("--format nimmt csv oder json"));
    const QString antwort = z.value(QStringLiteral("on-imbalance"));
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return z.falsch(QStringLiteral("--on-imbalance nimmt stop oder continue"));

    hmz::ExportAuftrag a;
    a.datenbank = z.value(QStringLiteral("db"));
    if (!objektBereich(z.value(QStringLiteral("objects")), a.vonObjNr, a.bisObjNr))
        return z.falsch(QStringLiteral("--objects nimmt VON-BIS oder eine Objektnummer"));
    a.jahr = z.value(QStringLiteral("year")).trimmed();
    a.json = art == QLatin1String("json");
    a.ausgabe = z.value(QStringLiteral("out"));
    a.beiDifferenzWeiter = antwort == QLatin1String("continue");
    a.abbruchSignal = &abbruchSignaleAbfangen();
    return hmz::ergebnisExportieren(a);
}

}  // namespace

Befehl exportBefehl() {
    return {
        QStringLiteral("export"),
        QStringLiteral("--db DB --year JJJJ [--objects VON-BIS] [--format csv|json] [--out DATEI]\n"
                       "[--on-imbalance stop|continue]"),
        QStringLiteral("Schreibt die Zahlen jedes Objekts für das Jahr, wie seine Abrechnung sie rechnet, und seine\n"
                       "Zeilen der zehn Jahre als CSV (für Tabellenkalkulationen) oder JSON. Schreibt nichts in den Mandanten."),
        {
            {QStringLiteral("db"), QStringLiteral("Mandantendatenbank: eine Datei oder eine postgresql://-URI"), QStringLiteral("DB")},
            {QStringLiteral("year"), QStringLiteral("das Jahr der Abrechnungen"), QStringLiteral("JJJJ")},
            {QStringLiteral("objects"), QStringLiteral("Objektnummern von-bis oder eine Nummer (Vorgabe: alle)"), QStringLiteral("VON-BIS"),
             QStringLiteral("1-99999")},
            {QStringLiteral("format"), QStringLiteral("csv (Vorgabe) oder json"), QStringLiteral("csv|json"), QStringLiteral("csv")},
            {QStringLiteral("out"), QStringLiteral("in diese Datei schreiben (Vorgabe: Standardausgabe)"), QStringLiteral("DATEI")},
            {QStringLiteral("on-imbalance"), QStringLiteral("wenn Soll und Haben abweichen: stop (Vorgabe) oder continue"),
             QStringLiteral("stop|continue"), QStringLiteral("stop")},
        },
        {QStringLiteral("db"), QStringLiteral("year")},
        false,
        exportieren,
    };
}
