#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "report/druckerauswahl.h"
#include "statement/stapellauf.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace {

int drucken(const Befehlszeile& z) {
    if (int(z.isSet(QStringLiteral("pdf"))) + int(z.isSet(QStringLiteral("printer"))) + int(z.isSet(QStringLiteral("pdf-dir"))) != 1)
        return z.falsch(QStringLiteral("give one of --pdf, --printer and --pdf-dir"));
    if (z.isSet(QStringLiteral("pdf-dir")) && QFileInfo::exists(z.value(QStringLiteral("pdf-dir"))) &&
        !QFileInfo(z.value(QStringLiteral("pdf-dir"))).isDir())
        return z.falsch(QStringLiteral("--pdf-dir takes a folder"));
    if (z.isSet(QStringLiteral("eur-ats")) && z.isSet(QStringLiteral("no-eur-ats")))
        return z.falsch(QStringLiteral("--eur-ats and --no-eur-ats exclude each other"));
    const QString antwort = z.value(QStringLiteral("on-imbalance"));
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return z.falsch(QStringLiteral("--on-imbalance takes stop or continue"));

    hmz::DruckAuftrag a;
    a.datenbank = z.value(QStringLiteral("db"));
    if (!bereich(z.value(QStringLiteral("objects")), a.vonObjNr, a.bisObjNr))
        return z.falsch(QStringLiteral("--objects takes VON-BIS"));
    if (!bereich(z.value(QStringLiteral("period")), a.abrVon, a.abrBis))
        return z.falsch(QStringLiteral("--period takes MM.JJ-MM.JJ"));
    a.pdfDatei = z.value(QStringLiteral("pdf"));
    a.druckerName = z.value(QStringLiteral("printer"));
    a.pdfOrdner = z.value(QStringLiteral("pdf-dir"));
    a.fortschritt = !z.isSet(QStringLiteral("quiet"));
    a.fortschrittZeile = isatty(STDOUT_FILENO) == 1;
    a.abbruchSignal = &abbruchSignaleAbfangen();
    if (!a.druckerName.isEmpty()) {
        // Known before any work: a misspelt queue would only fail when the job is handed over.
        const QString dienst = hmz::druckdienstFehler();
        if (!dienst.isEmpty()) return z.fehlschlag(dienst);
        if (!hmz::druckerBekannt(a.druckerName))
            return z.falsch(QStringLiteral("no printer '%1'; 'hmzres printers' lists them").arg(a.druckerName));
    }
    if (z.isSet(QStringLiteral("eur-ats"))) a.eurAts = true;
    if (z.isSet(QStringLiteral("no-eur-ats"))) a.eurAts = false;
    // Made only once the call is known to be right.
    if (z.isSet(QStringLiteral("pdf-dir")) && !QDir().mkpath(z.value(QStringLiteral("pdf-dir"))))
        return z.fehlschlag(QStringLiteral("Der Ordner %1 kann nicht angelegt werden.").arg(z.value(QStringLiteral("pdf-dir"))));
    a.beiDifferenzWeiter = antwort == QLatin1String("continue");
    a.ohneSpeichern = z.isSet(QStringLiteral("no-store"));
    return hmz::druckAuftragAusfuehren(a);
}

}  // namespace

Befehl printBefehl() {
    return {
        QStringLiteral("print"),
        QStringLiteral("--db DB --objects VON-BIS --period MM.JJ-MM.JJ (--pdf FILE | --printer NAME | --pdf-dir DIR)\n"
                       "[--eur-ats | --no-eur-ats] [--on-imbalance stop|continue] [--no-store] [--quiet]"),
        QStringLiteral("Prints the statements of a property range for a period, as the dialog's start button\n"
                       "does: the same checks and messages (on stderr), the balance check, the statements,\n"
                       "and the year results stored in the client database. Only a period of the whole\n"
                       "year (01 to 12) stores them; a part of a year says so at its end."),
        {
            {QStringLiteral("db"), QStringLiteral("client database: a file or a postgresql:// URI"), QStringLiteral("DB")},
            {QStringLiteral("objects"), QStringLiteral("property numbers from-to, e.g. 1-99"), QStringLiteral("VON-BIS")},
            {QStringLiteral("period"), QStringLiteral("months of one year, MM.JJ or MM.JJJJ, e.g. 01.03-12.03; or whole dates\n"
                            "TT.MM.JJJJ as the dialog shows them after a run, e.g. 01.03.2003-31.12.2003"),
             QStringLiteral("MM.JJ-MM.JJ")},
            {QStringLiteral("pdf"), QStringLiteral("write the statements into this PDF file"), QStringLiteral("FILE")},
            {QStringLiteral("printer"), QStringLiteral("print on this printer (see 'hmzres printers')"), QStringLiteral("NAME")},
            {QStringLiteral("pdf-dir"), QStringLiteral("one PDF per property, HMZ-<year>-<property>.pdf, into this folder (made when missing)"),
             QStringLiteral("DIR")},
            {QStringLiteral("no-store"), QStringLiteral("a trial run: print, but store no year results and no setting")},
            {QStringLiteral("quiet"), QStringLiteral("print only errors, no progress")},
            {QStringLiteral("eur-ats"), QStringLiteral("show euro and schilling amounts (stored as the setting)")},
            {QStringLiteral("no-eur-ats"), QStringLiteral("do not show them (stored as the setting)")},
            {QStringLiteral("on-imbalance"), QStringLiteral("when debits and credits differ: stop (default) or continue"),
             QStringLiteral("stop|continue"), QStringLiteral("stop")},
        },
        {QStringLiteral("db"), QStringLiteral("objects"), QStringLiteral("period")},
        false,
        drucken,
    };
}
