// On a terminal a run shows one line rewritten in place: it starts with no
// estimate (nothing is done yet to estimate from), always shows the last
// count however fast the run was, and a newline closes it.
#include "demomandant.h"
#include "statement/stapellauf.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace hmz;

TEST(FortschrittZeile, StartsWithoutEstimateEndsOnTheLastCountAndANewline) {
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("demo.mdb"));
    demoMandantAnlegen(db);
    DruckAuftrag a;
    a.datenbank = db;
    a.vonObjNr = QStringLiteral("1");
    a.bisObjNr = QStringLiteral("8");
    a.abrVon = QStringLiteral("01.03");
    a.abrBis = QStringLiteral("12.03");
    a.pdfDatei = dir.filePath(QStringLiteral("a.pdf"));
    a.fortschrittZeile = true;

    const QString mitschrift = dir.filePath(QStringLiteral("stdout.txt"));
    std::fflush(stdout);
    const int alt = ::dup(STDOUT_FILENO);
    FILE* f = std::fopen(qPrintable(mitschrift), "w");
    ::dup2(::fileno(f), STDOUT_FILENO);
    const int status = druckAuftragAusfuehren(a);
    std::fflush(stdout);
    ::dup2(alt, STDOUT_FILENO);
    ::close(alt);
    std::fclose(f);
    ASSERT_EQ(status, 0);

    QFile datei(mitschrift);
    ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
    const QStringList zeilen = QString::fromUtf8(datei.readAll()).split(QStringLiteral("\r\033[K"), Qt::SkipEmptyParts);
    ASSERT_GE(zeilen.size(), 2);
    EXPECT_TRUE(zeilen.first().startsWith(QStringLiteral("0 von "))) << qPrintable(zeilen.first());
    EXPECT_FALSE(zeilen.first().contains(QStringLiteral("noch etwa")));
    // The demo's six properties in 1 to 8.
    EXPECT_TRUE(zeilen.last().startsWith(QStringLiteral("6 von 6 Objekten | Laufende Objekt-Nr: 00008 | ")))
        << qPrintable(zeilen.last());
    EXPECT_FALSE(zeilen.last().contains(QStringLiteral("noch etwa")));
    // Rewritten lines have no newline; the last one ends with one before anything else is said.
    for (qsizetype i = 0; i + 1 < zeilen.size(); ++i) EXPECT_FALSE(zeilen[i].contains(QLatin1Char('\n')));
    EXPECT_TRUE(zeilen.last().contains(QStringLiteral(" vergangen\n"))) << qPrintable(zeilen.last());
}
