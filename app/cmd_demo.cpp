#include "befehle.h"

#include "core/fehler.h"
#include "core/samefile.h"
#include "demomandant.h"
#include "statement/stapellauf.h"
#include "store/datenzugriff.h"

#include <cstdio>

namespace {

int demo(const Befehlszeile& z) {
    const QString datei = z.value(QStringLiteral("db"));
    if (hmz::isDatabaseFile(z.value(QStringLiteral("pdf")), datei))
        return z.falsch(QStringLiteral("die PDF-Datei '%1' ist die Datenbank selbst").arg(z.value(QStringLiteral("pdf"))));
    try {
        if (!hmz::db::Engine::instance().Vorhanden(datei)) {
            hmz::demoMandantAnlegen(datei);
            std::printf("Demo-Mandant angelegt: %s\n", qPrintable(hmz::db::Engine::Anzeigename(datei)));
        }
    } catch (const hmz::Fehler& f) {
        return z.fehlschlag(QStringLiteral("%1 (Fehler %2)").arg(f.Beschreibung()).arg(f.Nummer()));
    } catch (const std::exception& e) {
        return z.fehlschlag(QString::fromUtf8(e.what()));
    }
    hmz::DruckAuftrag a;
    a.datenbank = datei;
    a.vonObjNr = QStringLiteral("0");
    a.bisObjNr = QStringLiteral("99999");
    a.abrVon = QStringLiteral("01.%1").arg(hmz::DemoJahr);
    a.abrBis = QStringLiteral("12.%1").arg(hmz::DemoJahr);
    a.pdfDatei = z.value(QStringLiteral("pdf"));
    const int status = hmz::druckAuftragAusfuehren(a);
    if (status == ausgang::Erledigt) std::printf("Abrechnungen geschrieben nach %s\n", qPrintable(a.pdfDatei));
    return status;
}

}  // namespace

Befehl demoBefehl() {
    return {QStringLiteral("demo"), QStringLiteral("[--db DB] [--pdf DATEI]"),
            QStringLiteral("Legt den Demo-Mandanten an (außer DB gibt es schon) und druckt alle seine Abrechnungen für %1.\n"
                           "DB ist eine Mandantendatei oder eine Server-URI (postgresql://benutzer@host:port/datenbank);\n"
                           "das Kennwort kommt aus PGPASSWORD, ~/.pgpass oder einer Servicedatei, nicht aus der Befehlszeile.")
                .arg(hmz::DemoJahr),
            {
                {QStringLiteral("db"), QStringLiteral("Mandantendatenbank (Vorgabe demo.db)"), QStringLiteral("DB"),
                 QStringLiteral("demo.db")},
                {QStringLiteral("pdf"), QStringLiteral("PDF-Datei der Abrechnungen (Vorgabe demo.pdf)"),
                 QStringLiteral("DATEI"), QStringLiteral("demo.pdf")},
            },
            {}, false, demo};
}
