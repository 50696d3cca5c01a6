// One PDF per document: pages numbered per file, files moved into place only
// when the job ends, and a folder left as it was by a discarded or failed job.
#include "report/ordnerdrucker.h"
#include "report/qtdrucker.h"

#include "programm.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hmz;

namespace {

// Every name in the folder, hidden ones included, with its size.
QStringList inhalt(const QString& ordner) {
    QStringList r;
    for (const QFileInfo& f : QDir(ordner).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        r << QStringLiteral("%1 %2").arg(f.fileName()).arg(f.size());
    return r;
}

// Two documents of two and one pages, as a run prints them: the second
// starts with a new page of the job.
void zweiDokumente(Drucker& d) {
    d.setFontName(QStringLiteral("Arial"));
    d.setFontSize(9);
    d.DokumentBeginnen(QStringLiteral("HMZ-2003-00001"));
    d.Print(QStringLiteral("eins, Seite 1"), false);
    d.NewPage();
    d.Print(QStringLiteral("eins, Seite 2"), false);
    d.DokumentBeginnen(QStringLiteral("HMZ-2003-00002"));
    d.NewPage();
    d.Print(QStringLiteral("zwei, Seite 1"), false);
    d.Line(0, 10, 100, 10);
}

TEST(OrdnerDrucker, OneFilePerDocumentWithItsOwnPages) {
    QTemporaryDir ordner;
    OrdnerDrucker d(ordner.path(), 2, [&](const QString& pfad) -> std::unique_ptr<Drucker> {
        // The files are drawn in the hidden folder, never under their final name.
        EXPECT_FALSE(pfad.startsWith(ordner.path() + QStringLiteral("/HMZ")));
        return QtDrucker::fuerPdf(pfad);
    });
    zweiDokumente(d);
    d.EndDoc();
    EXPECT_EQ(d.geschrieben(), (QStringList{ordner.filePath("HMZ-2003-00001.pdf"), ordner.filePath("HMZ-2003-00002.pdf")}));
    const QStringList namen = QDir(ordner.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(namen, (QStringList{"HMZ-2003-00001.pdf", "HMZ-2003-00002.pdf"}));
    EXPECT_TRUE(test::ausgabe("pdfinfo", {ordner.filePath("HMZ-2003-00001.pdf")}).contains(QRegularExpression("Pages: +2\n")));
    EXPECT_TRUE(test::ausgabe("pdfinfo", {ordner.filePath("HMZ-2003-00002.pdf")}).contains(QRegularExpression("Pages: +1\n")));
    EXPECT_EQ(test::pdfText(ordner.filePath("HMZ-2003-00002.pdf"), false).trimmed(), "zwei, Seite 1");
}

TEST(OrdnerDrucker, ADiscardedOrFailedJobLeavesTheFolderAsItWas) {
    struct Fall {
        const char* name;
        bool fehler;  // the second file cannot be drawn; else the job is discarded
    };
    for (const Fall& fall : {Fall{"discarded", false}, Fall{"failed", true}}) {
        SCOPED_TRACE(fall.name);
        QTemporaryDir ordner;
        // An earlier set, which must not be half replaced.
        for (const char* alt : {"HMZ-2003-00001.pdf", "HMZ-2003-00002.pdf"}) {
            QFile f(ordner.filePath(alt));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("alt");
        }
        const QStringList vorher = inhalt(ordner.path());
        OrdnerDrucker d(ordner.path(), 2, [&](const QString& pfad) -> std::unique_ptr<Drucker> {
            if (fall.fehler && pfad.endsWith(QStringLiteral("00002.pdf")))
                throw Fehler(QtDrucker::DruckerFehler, QStringLiteral("Printer error: disk full"));
            return QtDrucker::fuerPdf(pfad);
        });
        zweiDokumente(d);
        if (fall.fehler) {
            try {
                d.EndDoc();
                ADD_FAILURE() << "the failure is not reported";
            } catch (const Fehler& f) {
                EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
                EXPECT_TRUE(f.Beschreibung().contains("disk full")) << f.Beschreibung().toStdString();
            }
        } else {
            d.KillDoc();
            // Output after the discard is swallowed, and the next job prints again.
            d.Print(QStringLiteral("verworfen"), false);
            d.EndDoc();
        }
        EXPECT_EQ(inhalt(ordner.path()), vorher);
        EXPECT_TRUE(d.geschrieben().isEmpty());

        if (!fall.fehler) {
            d.AuftragFreigeben();
            zweiDokumente(d);
            d.EndDoc();
            EXPECT_EQ(d.geschrieben().size(), 2);
            EXPECT_GT(QFileInfo(ordner.filePath("HMZ-2003-00002.pdf")).size(), 100);
        }
    }
}

TEST(OrdnerDrucker, AFolderThatCannotBeWrittenIsAPrinterError) {
    OrdnerDrucker d(QStringLiteral("/nonexistent/folder"), 1);
    d.setFontName(QStringLiteral("Arial"));
    try {
        d.Print(QStringLiteral("x"), false);
        ADD_FAILURE() << "no error";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
    }
}

}  // namespace
