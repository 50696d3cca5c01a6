#include "befehle.h"

#include "core/samefile.h"
#include "entry/demomandant.h"
#include "statement/stapellauf.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

int befehlDemo(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption db(QStringLiteral("db"), {}, QStringLiteral("FILE"), QStringLiteral("demo.db"));
    const QCommandLineOption pdf(QStringLiteral("pdf"), {}, QStringLiteral("FILE"), QStringLiteral("demo.pdf"));
    p.addOptions({db, pdf});
    if (!p.parse(QStringList{QStringLiteral("hmzres demo")} + args) || !p.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "hmzres demo: %s\nusage: hmzres demo [--db FILE] [--pdf FILE]\n",
                     qPrintable(p.errorText().isEmpty() ? QStringLiteral("unexpected argument") : p.errorText()));
        return 2;
    }
    const QString datei = p.value(db);
    if (hmz::isDatabaseFile(p.value(pdf), datei)) {
        std::fprintf(stderr, "hmzres demo: the PDF file '%s' is the database itself\n", qPrintable(p.value(pdf)));
        return 2;
    }
    if (!QFileInfo::exists(datei)) {
        try {
            hmz::demoMandantAnlegen(datei);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "hmzres demo: %s\n", e.what());
            return 4;
        }
        std::printf("Demo client created: %s\n", qPrintable(datei));
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
