#include "befehle.h"

#include "demomandant.h"
#include "core/fehler.h"
#include "statement/stapellauf.h"
#include "store/datenzugriff.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

int befehlDemo(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption db(QStringLiteral("db"), {}, QStringLiteral("FILE"), QStringLiteral("demo.db"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), {}, QStringLiteral("FILE"), QStringLiteral("demo.pdf"));
    p.addOptions({db, pdf});
    if (!p.parse(QStringList{QStringLiteral("hmzres demo")} + args) || !p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "hmzres demo: %s\nusage: hmzres demo [--db DB] [--pdf FILE]\n",
                     qPrintable(p.errorText().isEmpty() ? QStringLiteral("unexpected argument") : p.errorText()));
        return 2;
    }
    const QString datei = p.value(db);
    try {
        if (!hmz::db::Engine::instance().Vorhanden(datei)) {
            hmz::demoMandantAnlegen(datei);
            std::printf("Demo client created: %s\n", qPrintable(hmz::db::Engine::Anzeigename(datei)));
        }
    } catch (const hmz::Fehler& e) {
        std::fprintf(stderr, "hmzres demo: %s (error %ld)\n", qPrintable(e.Beschreibung()), e.Nummer());
        return 4;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hmzres demo: %s\n", e.what());
        return 4;
    }
    hmz::DruckAuftrag a;
    a.datenbank = datei;
    a.vonObjNr = QStringLiteral("0");
    a.bisObjNr = QStringLiteral("99999");
    a.abrVon = QStringLiteral("01.%1").arg(hmz::DemoJahr);
    a.abrBis = QStringLiteral("12.%1").arg(hmz::DemoJahr);
    a.pdfDatei = p.value(pdf);
    const int status = hmz::druckAuftragAusfuehren(a);
    if (status == 0) std::printf("Statements written to %s\n", qPrintable(a.pdfDatei));
    return status;
}
