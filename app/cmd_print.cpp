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
        return z.falsch(QStringLiteral("genau eine von --pdf, --printer und --pdf-dir angeben"));
    if (z.isSet(QStringLiteral("pdf-dir")) && QFileInfo::exists(z.value(QStringLiteral("pdf-dir"))) &&
        !QFileInfo(z.value(QStringLiteral("pdf-dir"))).isDir())
        return z.falsch(QStringLiteral("--pdf-dir nimmt einen Ordner"));
    if (z.isSet(QStringLiteral("eur-ats")) && z.isSet(QStringLiteral("no-eur-ats")))
        return z.falsch(QStringLiteral("--eur-ats und --no-eur-ats schließen einander aus"));
    const QString antwort = z.value(QStringLiteral("on-imbalance"));
    if (antwort != QLatin1String("stop") && antwort != QLatin1String("continue"))
        return z.falsch(QStringLiteral("--on-imbalance nimmt stop oder continue"));

    hmz::DruckAuftrag a;
    a.datenbank = z.value(QStringLiteral("db"));
    if (!objektBereich(z.value(QStringLiteral("objects")), a.vonObjNr, a.bisObjNr))
        return z.falsch(QStringLiteral("--objects nimmt VON-BIS oder eine Objektnummer"));
    if (!bereich(z.value(QStringLiteral("period")), a.abrVon, a.abrBis))
        return z.falsch(QStringLiteral("--period nimmt MM.JJ-MM.JJ"));
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
            return z.falsch(QStringLiteral("kein Drucker '%1'; 'hmzres printers' zeigt die vorhandenen").arg(a.druckerName));
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
        QStringLiteral("--db DB --objects VON-BIS --period MM.JJ-MM.JJ (--pdf DATEI | --printer NAME | --pdf-dir ORDNER)\n"
                       "[--eur-ats | --no-eur-ats] [--on-imbalance stop|continue] [--no-store] [--quiet]"),
        QStringLiteral("Druckt die Abrechnungen eines Objektbereichs für einen Zeitraum, wie der Start-Knopf des\n"
                       "Dialogs: dieselben Prüfungen und Meldungen (auf stderr), die Soll/Haben-Prüfung, die\n"
                       "Abrechnungen und die in der Mandantendatenbank gespeicherten Jahresergebnisse. Nur ein\n"
                       "Zeitraum des ganzen Jahres (01 bis 12) speichert sie; ein Teil des Jahres sagt das am Ende."),
        {
            {QStringLiteral("db"), QStringLiteral("Mandantendatenbank: eine Datei oder eine postgresql://-URI"), QStringLiteral("DB")},
            {QStringLiteral("objects"), QStringLiteral("Objektnummern von-bis, z. B. 1-99; eine Nummer allein: nur dieses Objekt"), QStringLiteral("VON-BIS")},
            {QStringLiteral("period"), QStringLiteral("Monate eines Jahres, MM.JJ oder MM.JJJJ, z. B. 01.03-12.03; oder ganze Daten\n"
                            "TT.MM.JJJJ, wie der Dialog sie nach einem Lauf zeigt, z. B. 01.03.2003-31.12.2003"),
             QStringLiteral("MM.JJ-MM.JJ")},
            {QStringLiteral("pdf"), QStringLiteral("die Abrechnungen in diese PDF-Datei schreiben"), QStringLiteral("DATEI")},
            {QStringLiteral("printer"), QStringLiteral("auf diesem Drucker drucken (siehe 'hmzres printers')"), QStringLiteral("NAME")},
            {QStringLiteral("pdf-dir"), QStringLiteral("je Objekt eine PDF-Datei, HMZ-<Jahr>-<Objekt>.pdf, in diesen Ordner (wird angelegt, wenn er fehlt)"),
             QStringLiteral("ORDNER")},
            {QStringLiteral("no-store"), QStringLiteral("Probelauf: drucken, aber keine Jahresergebnisse und keine Einstellung speichern")},
            {QStringLiteral("quiet"), QStringLiteral("nur Fehler ausgeben, keinen Fortschritt")},
            {QStringLiteral("eur-ats"), QStringLiteral("Euro- und Schillingbeträge ausweisen (als Einstellung gespeichert)")},
            {QStringLiteral("no-eur-ats"), QStringLiteral("sie nicht ausweisen (als Einstellung gespeichert)")},
            {QStringLiteral("on-imbalance"), QStringLiteral("wenn Soll und Haben abweichen: stop (Vorgabe) oder continue"),
             QStringLiteral("stop|continue"), QStringLiteral("stop")},
        },
        {QStringLiteral("db"), QStringLiteral("objects"), QStringLiteral("period")},
        false,
        drucken,
    };
}
