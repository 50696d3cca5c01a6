#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "statement/stapellauf.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

int falsch(const QString& text) {
    std::fprintf(stderr, "hmzres print: %s\n", qPrintable(text));
    std::fputs("usage: hmzres print --db FILE --objects VON-BIS --period MM.JJ-MM.JJ\n"
               "                    (--pdf FILE | --printer NAME | --pdf-dir DIR)\n"
               "                    [--eur-ats | --no-eur-ats] [--on-imbalance stop|continue] [--quiet]\n",
               stderr);
    return 2;
}

}  // namespace

int befehlPrint(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption db(QStringLiteral("db"), {}, QStringLiteral("FILE"));
    const QCommandLineOption objects(QStringLiteral("objects"), {}, QStringLiteral("VON-BIS"));
    const QCommandLineOption period(QStringLiteral("period"), {}, QStringLiteral("MM.JJ-MM.JJ"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), {}, QStringLiteral("FILE"));
    const QCommandLineOption printer(QStringLiteral("printer"), {}, QStringLiteral("NAME"));
    const QCommandLineOption pdfDir(QStringLiteral("pdf-dir"), {}, QStringLiteral("DIR"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption eurAts(QStringLiteral("eur-ats"));
    const QCommandLineOption keinEurAts(QStringLiteral("no-eur-ats"));
    const QCommandLineOption differenz(QStringLiteral("on-imbalance"), {}, QStringLiteral("stop|continue"),
                                       QStringLiteral("stop"));
    p.addOptions({db, objects, period, pdf, printer, pdfDir, quiet, eurAts, keinEurAts, differenz});
    if (!p.parse(QStringList{QStringLiteral("hmzres print")} + args)) return falsch(p.errorText());
    if (!p.positionalArguments().isEmpty()) return falsch(QStringLiteral("unexpected argument '%1'").arg(p.positionalArguments().first()));
    if (!p.isSet(db)) return falsch(QStringLiteral("--db is missing"));
    if (int(p.isSet(pdf)) + int(p.isSet(printer)) + int(p.isSet(pdfDir)) != 1)
        return falsch(QStringLiteral("give one of --pdf, --printer and --pdf-dir"));
    if (p.isSet(pdfDir) && !QFileInfo(p.value(pdfDir)).isDir())
        return falsch(QStringLiteral("--pdf-dir takes an existing folder"));
    if (p.isSet(eurAts) && p.isSet(keinEurAts)) return falsch(QStringLiteral("--eur-ats and --no-eur-ats exclude each other"));
    const QString antwort = p.value(differenz);
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return falsch(QStringLiteral("--on-imbalance takes stop or continue"));

    hmz::DruckAuftrag a;
    a.datenbank = p.value(db);
    if (!bereich(p.value(objects), a.vonObjNr, a.bisObjNr)) return falsch(QStringLiteral("--objects takes VON-BIS"));
    if (!bereich(p.value(period), a.abrVon, a.abrBis)) return falsch(QStringLiteral("--period takes MM.JJ-MM.JJ"));
    a.pdfDatei = p.value(pdf);
    a.druckerName = p.value(printer);
    a.pdfOrdner = p.value(pdfDir);
    a.fortschritt = !p.isSet(quiet);
    a.fortschrittZeile = isatty(STDOUT_FILENO) == 1;
    a.abbruchSignal = &abbruchSignaleAbfangen();
    if (p.isSet(eurAts)) a.eurAts = true;
    if (p.isSet(keinEurAts)) a.eurAts = false;
    a.beiDifferenzWeiter = antwort == QLatin1String("continue");
    return hmz::druckAuftragAusfuehren(a);
}
