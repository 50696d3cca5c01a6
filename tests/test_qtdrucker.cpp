// The Qt printer's jobs on disk: what EndDoc hands over, what failures leave
// behind (nothing), and that the PDF's text can be read back.
#include "programm.h"
#include "core/fehler.h"
#include "report/qtdrucker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/stat.h>

// Every umask call of this process passes here. The mask belongs to all
// threads: a printer's worker that sets it, even for a moment, changes the
// mode of files other threads create meanwhile.
static std::atomic<int> umaskAufrufe{0};
extern "C" mode_t umask(mode_t maske) {
    static const auto echt = reinterpret_cast<mode_t (*)(mode_t)>(dlsym(RTLD_NEXT, "umask"));
    ++umaskAufrufe;
    return echt(maske);
}

namespace hmz {
namespace {

using test::ausgabe;

class QtDruckerTest : public ::testing::Test {
protected:
    QString pfad(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QStringList dateien() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    static void seite(Drucker& d, const QString& text) {
        d.setScaleLeft(-10);
        d.setScaleTop(-5);
        d.setFontName(QStringLiteral("Arial"));
        d.setFontSize(9);
        d.setCurrentX(0);
        d.setCurrentY(0);
        d.Print(text, false);
        d.Line(0, 10, 183, 10);
    }
    QTemporaryDir dir;
};

TEST_F(QtDruckerTest, EndDocSchreibtEinLesbaresPdf) {
    const int umaskVorher = umaskAufrufe;
    const QString ziel = pfad("abrechnung.pdf");
    auto d = QtDrucker::fuerPdf(ziel);
    EXPECT_EQ(d->DeviceName(), ziel);
    seite(*d, QStringLiteral("Hauptmietzinsreserve für Jänner – Objekt 00042"));
    EXPECT_FALSE(QFile::exists(ziel)) << "nothing under the target name before EndDoc";
    EXPECT_TRUE(QFile::exists(d->spoolDatei()));
    d->NewPage();
    d->setFontBold(true);
    d->Print(QStringLiteral("Seite zwei"), false);
    d->EndDoc();

    EXPECT_EQ(dateien(), QStringList{"abrechnung.pdf"}) << "the spool file is gone";
    const QString text = ausgabe(QStringLiteral("pdftotext"), {ziel, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("Hauptmietzinsreserve für Jänner – Objekt 00042"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Seite zwei")));
    const QString info = ausgabe(QStringLiteral("pdfinfo"), {ziel});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages: +2\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
    const QString schriften = ausgabe(QStringLiteral("pdffonts"), {ziel});
    EXPECT_TRUE(schriften.contains(QRegularExpression(QStringLiteral("LiberationSans +CID TrueType +Identity-H +yes"))))
        << schriften.toStdString();

    // The file gets the usual mode, not the spool file's private one, and the
    // process's mask was never touched for it.
    EXPECT_EQ(umaskAufrufe, umaskVorher);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(ziel).constData(), &st), 0);
    const mode_t maske = ::umask(0);
    ::umask(maske);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~maske);
}

TEST_F(QtDruckerTest, EinNeuerAuftragErsetztDieDateiImGanzen) {
    const QString ziel = pfad("lauf.pdf");
    {
        QFile alt(ziel);
        ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
        alt.write("alter Inhalt");
    }
    auto d = QtDrucker::fuerPdf(ziel);
    seite(*d, QStringLiteral("erster Lauf"));
    EXPECT_EQ(ausgabe(QStringLiteral("cat"), {ziel}), QStringLiteral("alter Inhalt"));
    d->EndDoc();
    seite(*d, QStringLiteral("zweiter Lauf"));
    d->EndDoc();
    const QString text = ausgabe(QStringLiteral("pdftotext"), {ziel, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("zweiter Lauf")));
    EXPECT_FALSE(text.contains(QStringLiteral("erster Lauf")));
    EXPECT_EQ(dateien(), QStringList{"lauf.pdf"});
}

// Discarded jobs and a missing folder or a target that is a folder go
// through this printer in the pipelined printer's tests.
TEST_F(QtDruckerTest, NothingStaysBehindWithoutOutputOrWithAnUnknownQueue) {
    QtDrucker::fuerPdf(pfad("leer.pdf"))->EndDoc();
    auto offen = QtDrucker::fuerPdf(pfad("offen.pdf"));
    seite(*offen, QStringLiteral("halb"));
    offen.reset();
    EXPECT_EQ(dateien(), QStringList{});

    auto c = QtDrucker::fuerDrucker(QStringLiteral("hmzres-gibt-es-nicht"));
    seite(*c, QStringLiteral("x"));
    const QString spool = c->spoolDatei();
    EXPECT_THROW(c->EndDoc(), Fehler);
    EXPECT_FALSE(QFile::exists(spool));
}

TEST_F(QtDruckerTest, AFullDiskIsAFailureNotATruncatedPdf) {
    // A file size limit stands in for a full disk: writes beyond it fail.
    auto d = QtDrucker::fuerPdf(pfad("gross.pdf"));
    rlimit alt{};
    getrlimit(RLIMIT_FSIZE, &alt);
    const auto altesSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit klein = alt;
    klein.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &klein), 0);
    long nummer = 0;
    try {
        // One long page: the failed writes only show when the job ends.
        for (int z = 0; z < 2000; ++z) seite(*d, QStringLiteral("Zeile %1 mit etwas Text").arg(z));
        d->EndDoc();
    } catch (const Fehler& f) {
        nummer = f.Nummer();
    }
    setrlimit(RLIMIT_FSIZE, &alt);
    std::signal(SIGXFSZ, altesSignal);
    EXPECT_EQ(nummer, QtDrucker::DruckerFehler);
    d->KillDoc();  // what the run does after a failure
    EXPECT_EQ(dateien(), QStringList{});
}

}  // namespace
}  // namespace hmz
