// hmzres export: the year's figures of a range of properties as CSV or JSON.
#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "statement/ergebnisexport.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

int falsch(const QString& text) {
    std::fprintf(stderr, "hmzres export: %s\n", qPrintable(text));
    std::fputs("usage: hmzres export --db DB --year JJJJ [--objects VON-BIS] [--format csv|json] [--out FILE]\n"
               "                     [--on-imbalance stop|continue]\n",
               stderr);
    return 2;
}

}  // namespace

int befehlExport(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption db(QStringLiteral("db"), {}, QStringLiteral("DB"));
    const QCommandLineOption jahr(QStringLiteral("year"), {}, QStringLiteral("JJJJ"));
    const QCommandLineOption objects(QStringLiteral("objects"), {}, QStringLiteral("VON-BIS"), QStringLiteral("1-99999"));
    const QCommandLineOption format(QStringLiteral("format"), {}, QStringLiteral("csv|json"), QStringLiteral("csv"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("FILE"));
    const QCommandLineOption differenz(QStringLiteral("on-imbalance"), {}, QStringLiteral("stop|continue"),
                                       QStringLiteral("stop"));
    p.addOptions({db, jahr, objects, format, out, differenz});
    if (!p.parse(QStringList{QStringLiteral("hmzres export")} + args)) return falsch(p.errorText());
    if (!p.positionalArguments().isEmpty())
        return falsch(QStringLiteral("unexpected argument '%1'").arg(p.positionalArguments().first()));
    if (!p.isSet(db)) return falsch(QStringLiteral("--db is missing"));
    if (!p.isSet(jahr)) return falsch(QStringLiteral("--year is missing"));
    const QString art = p.value(format);
    if (art != QLatin1String("csv") && art != QLatin1String("json"))
        return falsch(QStringLiteral("--format takes csv or json"));
    const QString antwort = p.value(differenz);
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return falsch(QStringLiteral("--on-imbalance takes stop or continue"));

    hmz::ExportAuftrag a;
    a.datenbank = p.value(db);
    if (!bereich(p.value(objects), a.vonObjNr, a.bisObjNr)) return falsch(QStringLiteral("--objects takes VON-BIS"));
    a.jahr = p.value(jahr).trimmed();
    a.json = art == QLatin1String("json");
    a.ausgabe = p.value(out);
    a.beiDifferenzWeiter = antwort == QLatin1String("continue");
    a.abbruchSignal = &abbruchSignaleAbfangen();
    return hmz::ergebnisExportieren(a);
}
