#include "befehle.h"

#include "core/samefile.h"
#include "demomandant.h"
#include "statement/stapellauf.h"

#include <QFileInfo>
#include <cstdio>

namespace {

int demo(const Befehlszeile& z) {
    const QString datei = z.value(QStringLiteral("db"));
    if (hmz::isDatabaseFile(z.value(QStringLiteral("pdf")), datei))
        return z.falsch(QStringLiteral("the PDF file '%1' is the database itself").arg(z.value(QStringLiteral("pdf"))));
    if (!QFileInfo::exists(datei)) {
        try {
            hmz::demoMandantAnlegen(datei);
        } catch (const std::exception& e) {
            return z.fehlschlag(QString::fromUtf8(e.what()));
        }
        std::printf("Demo client created: %s\n", qPrintable(datei));
    }
    hmz::DruckAuftrag a;
    a.datenbank = datei;
    a.vonObjNr = QStringLiteral("0");
    a.bisObjNr = QStringLiteral("99999");
    a.abrVon = QStringLiteral("01.%1").arg(hmz::DemoJahr);
    a.abrBis = QStringLiteral("12.%1").arg(hmz::DemoJahr);
    a.pdfDatei = z.value(QStringLiteral("pdf"));
    const int status = hmz::druckAuftragAusfuehren(a);
    if (status == ausgang::Erledigt) std::printf("Statements written to %s\n", qPrintable(a.pdfDatei));
    return status;
}

}  // namespace

Befehl demoBefehl() {
    return {QStringLiteral("demo"), QStringLiteral("[--db FILE] [--pdf FILE]"),
            QStringLiteral("Creates the demo client (unless FILE exists) and prints all its statements of %1.")
                .arg(hmz::DemoJahr),
            {
                {QStringLiteral("db"), QStringLiteral("client database (default demo.db)"), QStringLiteral("FILE"),
                 QStringLiteral("demo.db")},
                {QStringLiteral("pdf"), QStringLiteral("PDF file of the statements (default demo.pdf)"),
                 QStringLiteral("FILE"), QStringLiteral("demo.pdf")},
            },
            {}, false, demo};
}
