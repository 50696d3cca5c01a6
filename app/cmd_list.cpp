// hmzres list: what a client holds, for a terminal or a script (the reading
// lives in masterdata/).
#include "befehle.h"

#include "bereich.h"
#include "masterdata/liste.h"

namespace {

int listen(const Befehlszeile& z) {
    using namespace hmz::stamm;
    ListenAuftrag a;
    const QString art = z.art();
    a.art = art == QLatin1String("properties") ? ListenArt::Objekte
            : art == QLatin1String("accounts") ? ListenArt::Konten
            : art == QLatin1String("years")    ? ListenArt::Jahre
                                               : ListenArt::Ergebnisse;
    const QString format = z.value(QStringLiteral("format"));
    if (format == QLatin1String("csv")) a.format = ListenFormat::Csv;
    else if (format == QLatin1String("json")) a.format = ListenFormat::Json;
    else if (format != QLatin1String("table")) return z.falsch(QStringLiteral("--format nimmt table, csv oder json"));
    if (z.isSet(QStringLiteral("year"))) {
        bool ok = false;
        const int j = z.value(QStringLiteral("year")).toInt(&ok);
        if (!ok || j < 1900 || j > 9999) return z.falsch(QStringLiteral("--year nimmt ein Jahr JJJJ"));
        a.jahr = j;
    }
    if (z.isSet(QStringLiteral("objects"))) {
        QString von, bis;
        bool ok1 = false, ok2 = false;
        const QString text = z.value(QStringLiteral("objects"));
        if (!text.contains(QLatin1Char('-'))) von = bis = text.trimmed();  // one property
        if (!von.isEmpty() || bereich(text, von, bis)) {
            a.von = von.toLong(&ok1);
            a.bis = bis.toLong(&ok2);
        }
        if (!ok1 || !ok2) return z.falsch(QStringLiteral("--objects nimmt VON-BIS (Objektnummern)"));
    }
    a.datenbank = z.value(QStringLiteral("db"));
    return listeAusgeben(a);
}

}  // namespace

Befehl listBefehl() {
    const QStringList arten{QStringLiteral("properties"), QStringLiteral("accounts"), QStringLiteral("years"), QStringLiteral("results")};
    Befehl b{QStringLiteral("list"),
             arten.join(QLatin1Char('|')) + QStringLiteral(" --db DB [--year JJJJ] [--objects VON-BIS]\n[--format table|csv|json]"),
             QStringLiteral("Zeigt, was der Mandant hält: properties (Objekte), accounts (Kontenstamm), years (Jahre mit\n"
                            "Buchungen: Anzahl, Soll, Haben und ihre Differenz, wie die Soll/Haben-Prüfung sie vergleicht) oder\n"
                            "results (gespeicherte Jahresergebnisse; vor 2002 Schilling, als ATS bezeichnet). Öffnet den Mandanten\n"
                            "nur zum Lesen."),
             {
                 {QStringLiteral("db"), QStringLiteral("Mandantendatei oder Server-URI"), QStringLiteral("DB")},
                 {QStringLiteral("year"), QStringLiteral("nur dieses Jahr (accounts, years, results)"), QStringLiteral("JJJJ")},
                 {QStringLiteral("objects"), QStringLiteral("nur die Objekte VON-BIS (properties, results)"), QStringLiteral("VON-BIS")},
                 {QStringLiteral("format"), QStringLiteral("table (Vorgabe: ausgerichtet), csv (wie export: UTF-8 mit BOM, ';', Dezimalkomma) "
                                                           "oder json"),
                  QStringLiteral("table|csv|json"), QStringLiteral("table")},
             },
             {QStringLiteral("db")},
             false,
             listen};
    b.arten = arten;
    return b;
}
