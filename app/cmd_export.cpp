// hmzres export: the year's figures of a range of properties as CSV or JSON.
#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "statement/ergebnisexport.h"


namespace {

int exportieren(const Befehlszeile& z) {
    const QString art = z.value(QStringLiteral("format"));
    if (art != QLatin1String("csv") && art != QLatin1String("json"))
        return z.falsch(QStringLiteral("--format takes csv or json"));
    const QString antwort = z.value(QStringLiteral("on-imbalance"));
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return z.falsch(QStringLiteral("--on-imbalance takes stop or continue"));

    hmz::ExportAuftrag a;
    a.datenbank = z.value(QStringLiteral("db"));
    if (!bereich(z.value(QStringLiteral("objects")), a.vonObjNr, a.bisObjNr))
        return z.falsch(QStringLiteral("--objects takes VON-BIS"));
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
        QStringLiteral("--db DB --year JJJJ [--objects VON-BIS] [--format csv|json] [--out FILE]\n"
                       "[--on-imbalance stop|continue]"),
        QStringLiteral("Writes each property's figures of the year, as its statement computes them, and its\n"
                       "ten-year rows as CSV (for spreadsheets) or JSON. Writes nothing to the client database."),
        {
            {QStringLiteral("db"), QStringLiteral("client database"), QStringLiteral("DB")},
            {QStringLiteral("year"), QStringLiteral("the year of the statements"), QStringLiteral("JJJJ")},
            {QStringLiteral("objects"), QStringLiteral("property numbers from-to (default: all)"), QStringLiteral("VON-BIS"),
             QStringLiteral("1-99999")},
            {QStringLiteral("format"), QStringLiteral("csv (default) or json"), QStringLiteral("csv|json"), QStringLiteral("csv")},
            {QStringLiteral("out"), QStringLiteral("write into this file (default: standard output)"), QStringLiteral("FILE")},
            {QStringLiteral("on-imbalance"), QStringLiteral("when debits and credits differ: stop (default) or continue"),
             QStringLiteral("stop|continue"), QStringLiteral("stop")},
        },
        {QStringLiteral("db"), QStringLiteral("year")},
        false,
        exportieren,
    };
}
