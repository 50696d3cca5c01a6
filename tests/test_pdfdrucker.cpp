// The PDF printers on disk: the Qt printer's jobs, the pipelined printer
// against it (same PDF, nothing left after a discard or failure, a bounded
// queue) and the folder printer's one file per document. A gate in front of
// the real printer holds the pipeline's worker still, so queued batches exist
// at a known moment without any timing.
#include "../bench/zeitdrucker.h"
#include "programm.h"
#include "core/fehler.h"
#include "report/leerdrucker.h"
#include "report/ordnerdrucker.h"
#include "report/pufferdrucker.h"
#include "report/qtdrucker.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <dlfcn.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

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

QString pdfText(const QString& pdf) { return test::pdfText(pdf, false); }

// Every word of the PDF with its box, page by page: text and positions.
QString woerter(const QString& pdf) {
    QStringList zeilen;
    for (const QString& z : ausgabe("pdftotext", {"-bbox", pdf, "-"}).split(QLatin1Char('\n')))
        if (z.contains(QStringLiteral("<word")) || z.contains(QStringLiteral("<page"))) zeilen << z.trimmed();
    return zeilen.join(QLatin1Char('\n'));
}

int seiten(const QString& pdf) {
    static const QRegularExpression re(QStringLiteral("Pages: +(\\d+)"));
    const auto m = re.match(ausgabe(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The error a call raises; number 0 if it raises none.
Fehler fehlerVon(const std::function<void()>& f) {
    try {
        f();
    } catch (const Fehler& e) {
        return e;
    }
    return Fehler(0, QString());
}

// Waits (bounded, so a fault fails instead of hanging) until cond holds.
template <class F>
bool bis(F cond) {
    for (int i = 0; i < 20000 && !cond(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return cond();
}

// Holds the worker at its first text until opened; forwards everything.
struct Tor {
    std::atomic<bool> offen{false}, haelt{false};
    std::atomic<int> texte{0}, verworfen{0};
    bench::DruckMessung messung;
};

class Schleuse : public bench::ZeitDrucker {
public:
    Schleuse(std::unique_ptr<Drucker> echt, Tor& tor) : ZeitDrucker(std::move(echt), tor.messung), tor_(tor) {}
    void Print(const QString& t, bool offen) override {
        tor_.haelt = true;
        bis([&] { return tor_.offen.load(); });
        ++tor_.texte;
        ZeitDrucker::Print(t, offen);
    }
    void KillDoc() override {
        ++tor_.verworfen;
        ZeitDrucker::KillDoc();
    }

private:
    Tor& tor_;
};

class PdfDrucker : public ::testing::Test {
protected:
    QString pfad(const QString& name) const { return dir.filePath(name); }
    QStringList dateien() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<PufferDrucker> mitSchleuse(const QString& ziel, PufferDrucker::Grenzen g) {
        return std::make_unique<PufferDrucker>(
            ziel, [this, ziel] { return std::make_unique<Schleuse>(QtDrucker::fuerPdf(ziel), tor); }, g);
    }

    // A page of texts in several fonts, rules, and a scale change.
    static void seite(Drucker& d, int nr) {
        d.setFontName(QStringLiteral("Arial"));
        d.setFontSize(9);
        d.setFontBold(nr % 2 == 0);
        d.setCurrentX(0);
        d.setCurrentY(0);
        d.Print(QStringLiteral("Hauptmietzinsreserve für Jänner – Seite %1").arg(nr), false);
        for (int i = 0; i < 12; ++i) {
            d.setFontItalic(i % 3 == 0);
            d.Print(QStringLiteral("Konto %1").arg(4000 + i), true);
            d.setCurrentX(120);
            d.Print(QStringLiteral("%1,50").arg(1234 * (i + 1)), false);
        }
        d.setFontUnderline(true);
        d.Print(QStringLiteral("Summe"), false);
        d.setFontUnderline(false);
        d.Line(0, 80, 183, 80);
        d.setScaleLeft(-10 - nr % 3);
    }

    // A job cancelled halfway, what the cancelled run still writes, and then
    // a fresh job of several pages.
    static void lauf(Drucker& d) {
        d.setScaleLeft(-10);
        d.setScaleTop(-5);
        seite(d, 90);
        d.NewPage();
        seite(d, 91);
        d.KillDoc();
        seite(d, 92);
        d.EndDoc();
        d.AuftragFreigeben();
        for (int nr = 1; nr <= 4; ++nr) {
            if (nr > 1) d.NewPage();
            seite(d, nr);
        }
        d.EndDoc();
    }

    QTemporaryDir dir;
    Tor tor;
};

TEST_F(PdfDrucker, PipelinedPrinterWritesTheSamePdfAsTheRealOne) {
    const int umaskVorher = umaskAufrufe;
    const QString echt = pfad(QStringLiteral("echt.pdf"));
    lauf(*QtDrucker::fuerPdf(echt));
    // Tiny batches and a short queue: many hand-overs, the caller often waits.
    const QString puffer = pfad(QStringLiteral("puffer.pdf"));
    lauf(*std::make_unique<PufferDrucker>(puffer, [&] { return QtDrucker::fuerPdf(puffer); },
                                          PufferDrucker::Grenzen{7, 2}));

    const QString erwartet = woerter(echt);
    ASSERT_TRUE(erwartet.contains(QStringLiteral("Jänner"))) << erwartet.toStdString();
    EXPECT_TRUE(pdfText(echt).contains(QStringLiteral("Hauptmietzinsreserve für Jänner – Seite 4")));
    EXPECT_FALSE(erwartet.contains(QStringLiteral(">92<"))) << "output after KillDoc is swallowed";
    EXPECT_EQ(woerter(puffer), erwartet);
    EXPECT_EQ(seiten(echt), 4);
    EXPECT_EQ(seiten(puffer), 4);
    EXPECT_EQ(dateien(), (QStringList{"echt.pdf", "puffer.pdf"})) << "no spool file stays";
    EXPECT_TRUE(ausgabe("pdfinfo", {echt}).contains(QStringLiteral("(A4)")));
    EXPECT_TRUE(ausgabe("pdffonts", {echt}).contains(
        QRegularExpression(QStringLiteral("LiberationSans +CID TrueType +Identity-H +yes"))));

    // The file gets the usual mode, not the spool file's private one, and the
    // process's mask was never touched for it.
    EXPECT_EQ(umaskAufrufe, umaskVorher);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(echt).constData(), &st), 0);
    const mode_t maske = ::umask(0);
    ::umask(maske);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~maske);
}

TEST_F(PdfDrucker, TheQtPrinterReplacesTheFileOnlyWhenAJobEndsAndLeavesNothingElse) {
    const QString ziel = pfad(QStringLiteral("lauf.pdf"));
    {
        QFile alt(ziel);
        ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
        alt.write("alter Inhalt");
    }
    auto d = QtDrucker::fuerPdf(ziel);
    seite(*d, 1);
    EXPECT_EQ(ausgabe(QStringLiteral("cat"), {ziel}), QStringLiteral("alter Inhalt"));
    EXPECT_TRUE(QFile::exists(d->spoolDatei()));
    d->EndDoc();
    d->Print(QStringLiteral("zweiter Lauf"), false);
    d->EndDoc();
    EXPECT_EQ(pdfText(ziel).trimmed(), QStringLiteral("zweiter Lauf"));

    // No output, or dropped with an open job (and batches queued): no file.
    QtDrucker::fuerPdf(pfad(QStringLiteral("leer.pdf")))->EndDoc();
    auto offen = QtDrucker::fuerPdf(pfad(QStringLiteral("offen.pdf")));
    seite(*offen, 1);
    offen.reset();
    auto gepuffert = PufferDrucker::fuerPdf(pfad(QStringLiteral("gepuffert.pdf")));
    for (int i = 0; i < 2000; ++i) gepuffert->Print(QStringLiteral("halb %1").arg(i), false);
    gepuffert.reset();
    EXPECT_EQ(dateien(), QStringList{"lauf.pdf"});

    auto c = QtDrucker::fuerDrucker(QStringLiteral("hmzres-gibt-es-nicht"));
    seite(*c, 1);
    const QString spool = c->spoolDatei();
    EXPECT_THROW(c->EndDoc(), Fehler);
    EXPECT_FALSE(QFile::exists(spool));
}

TEST_F(PdfDrucker, AFullDiskIsAFailureNotATruncatedPdf) {
    // A file size limit stands in for a full disk: writes beyond it fail.
    auto d = QtDrucker::fuerPdf(pfad(QStringLiteral("gross.pdf")));
    rlimit alt{};
    getrlimit(RLIMIT_FSIZE, &alt);
    const auto altesSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit klein = alt;
    klein.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &klein), 0);
    // One long page: the failed writes only show when the job ends.
    const Fehler f = fehlerVon([&] {
        seite(*d, 1);
        for (int z = 0; z < 2000; ++z) {
            d->setCurrentY(0);
            d->Print(QStringLiteral("Zeile %1 mit etwas Text").arg(z), false);
            d->Line(0, 10, 183, 10);
        }
        d->EndDoc();
    });
    setrlimit(RLIMIT_FSIZE, &alt);
    std::signal(SIGXFSZ, altesSignal);
    EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
    d->KillDoc();  // what the run does after a failure
    EXPECT_EQ(dateien(), QStringList{});
}

TEST_F(PdfDrucker, KillDocAlsoDiscardsQueuedBatches) {
    const QString ziel = pfad(QStringLiteral("abbruch.pdf"));
    auto d = mitSchleuse(ziel, {8, 3});
    d->setScaleLeft(-10);
    // The worker stops at the first text; three more batches fill the queue.
    for (int i = 0; i < 8 * 4; ++i) d->Print(QStringLiteral("Zeile %1").arg(i), false);
    ASSERT_TRUE(bis([&] { return d->wartend() == 3 && tor.haelt; }));

    std::thread abbruch([&] { d->KillDoc(); });
    // Queue emptied, the discard queued: only then may the worker go on.
    const bool geleert = bis([&] { return d->wartend() == 1; });
    tor.offen = true;
    abbruch.join();
    ASSERT_TRUE(geleert) << "still waiting: " << d->wartend();
    EXPECT_EQ(tor.verworfen.load(), 1);
    EXPECT_LE(tor.texte.load(), 8) << "queued batches were drawn";
    EXPECT_TRUE(dateien().isEmpty()) << dateien().join(QLatin1Char(' ')).toStdString();

    // Swallowed until the next run is released, then printed again.
    d->Print(QStringLiteral("Rest"), false);
    d->EndDoc();
    EXPECT_TRUE(dateien().isEmpty());
    d->AuftragFreigeben();
    d->Print(QStringLiteral("neuer Lauf"), false);
    d->EndDoc();
    EXPECT_EQ(dateien(), QStringList{"abbruch.pdf"});
    EXPECT_EQ(pdfText(ziel).trimmed(), QStringLiteral("neuer Lauf"));
}

TEST_F(PdfDrucker, TheWorkersFailuresReachTheCaller) {
    // A folder that does not exist: the worker cannot start the job. The
    // caller hears of it at its next output call, and again at EndDoc.
    auto d = PufferDrucker::fuerPdf(pfad(QStringLiteral("fehlt/x.pdf")));
    d->Print(QStringLiteral("erste Zeile"), false);
    d->abwarten();
    const Fehler f = fehlerVon([&] { d->Print(QStringLiteral("zweite Zeile"), false); });
    EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
    EXPECT_TRUE(f.Beschreibung().startsWith(QStringLiteral("Druckerfehler: in ")))
        << f.Beschreibung().toStdString();
    d->Line(0, 0, 10, 0);
    EXPECT_THROW(d->EndDoc(), Fehler) << "a failed job is not reported as handed over";
    // Once the folder exists, the next job goes through.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fehlt")));
    d->Print(QStringLiteral("danach"), false);
    d->EndDoc();
    EXPECT_TRUE(QFile::exists(pfad(QStringLiteral("fehlt/x.pdf"))));

    // A failure in a job that is then discarded is gone with it.
    auto k = PufferDrucker::fuerPdf(pfad(QStringLiteral("weg/y.pdf")));
    k->Print(QStringLiteral("x"), false);
    k->abwarten();
    k->KillDoc();
    k->AuftragFreigeben();
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("weg")));
    EXPECT_NO_THROW(k->Print(QStringLiteral("neu"), false));
    EXPECT_NO_THROW(k->EndDoc());
    EXPECT_TRUE(QFile::exists(pfad(QStringLiteral("weg/y.pdf"))));
    // A real printer that cannot be built fails like any other worker failure.
    PufferDrucker ohne("ohne", []() -> std::unique_ptr<Drucker> { throw std::runtime_error("kein Drucker"); });
    EXPECT_THROW({ ohne.Print("x", false); ohne.abwarten(); ohne.Print("y", false); }, Fehler);
}

TEST_F(PdfDrucker, ThePipelinesQueueStaysBounded) {
    const QString ziel = pfad(QStringLiteral("lang.pdf"));
    auto d = mitSchleuse(ziel, {4, 2});
    std::atomic<bool> fertig{false};
    std::thread aufrufer([&] {
        for (int i = 0; i < 400; ++i) {
            if (i > 0 && i % 50 == 0) d->NewPage();
            d->Print(QStringLiteral("Zeile %1").arg(i), false);
        }
        fertig = true;
    });
    // The worker is held: the caller fills the queue and then has to wait.
    ASSERT_TRUE(bis([&] { return d->wartend() == 2; }));
    EXPECT_FALSE(fertig.load()) << "the caller ran past a full queue";
    tor.offen = true;
    aufrufer.join();
    d->EndDoc();
    EXPECT_EQ(d->hoechsteTiefe(), 2u);
    EXPECT_EQ(tor.texte.load(), 400);
    EXPECT_EQ(seiten(ziel), 8);
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

TEST_F(PdfDrucker, FolderPrinterMovesOneFilePerDocumentIntoPlaceOnlyWhenTheJobEnds) {
    const QStringList namen{"HMZ-2003-00001.pdf", "HMZ-2003-00002.pdf"};
    // Every name in the folder, hidden ones included, with its size.
    const auto inhalt = [this] {
        QStringList r;
        const auto alle = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
        for (const QFileInfo& f : QDir(dir.path()).entryInfoList(alle))
            r << QStringLiteral("%1 %2").arg(f.fileName()).arg(f.size());
        return r;
    };
    // An earlier set, which a failed or discarded job must not half replace.
    for (const QString& name : namen) {
        QFile f(pfad(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("alt");
    }
    // The second file: not drawn, gone when it is to move (after the first), a folder in its way; or a discard.
    for (const QString fall : {"drawing", "moving", "folder", "discarded"}) {
        SCOPED_TRACE(fall.toStdString());
        if (fall == "folder") ASSERT_TRUE(QFile::remove(pfad(namen[1])) && QDir().mkdir(pfad(namen[1])));
        else QDir().rmdir(pfad(namen[1]));
        const QStringList vorher = inhalt();
        OrdnerDrucker d(dir.path(), 2, [&](const QString& ziel) -> std::unique_ptr<Drucker> {
            // The files are drawn in the hidden folder, never under their final name.
            EXPECT_FALSE(ziel.startsWith(pfad(QStringLiteral("HMZ"))));
            if (fall == "drawing" && ziel.endsWith(QStringLiteral("00002.pdf")))
                throw Fehler(QtDrucker::DruckerFehler, QStringLiteral("Druckerfehler: Datenträger voll"));
            if (fall == "moving" && ziel.endsWith(QStringLiteral("00002.pdf"))) return std::make_unique<LeerDrucker>();
            return QtDrucker::fuerPdf(ziel);
        });
        zweiDokumente(d);
        if (fall != "discarded") {
            const Fehler f = fehlerVon([&] { d.EndDoc(); });
            EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
            EXPECT_TRUE(fall != "drawing" || f.Beschreibung().contains("Datenträger voll")) << f.Beschreibung().toStdString();
        } else {
            d.KillDoc();
            // Output after the discard is swallowed, and the next job prints again.
            d.Print(QStringLiteral("verworfen"), false);
            d.EndDoc();
        }
        EXPECT_EQ(inhalt(), vorher);
        EXPECT_TRUE(d.geschrieben().isEmpty());
        if (fall != "discarded") continue;

        d.AuftragFreigeben();
        zweiDokumente(d);
        d.EndDoc();
        EXPECT_EQ(d.geschrieben(), (QStringList{pfad(namen[0]), pfad(namen[1])}));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), namen);
        EXPECT_EQ(seiten(pfad(namen[0])), 2);
        EXPECT_EQ(seiten(pfad(namen[1])), 1);
        EXPECT_EQ(pdfText(pfad(namen[1])).trimmed(), "zwei, Seite 1");
    }

    OrdnerDrucker nirgends(QStringLiteral("/nonexistent/folder"), 1);
    nirgends.setFontName(QStringLiteral("Arial"));
    EXPECT_EQ(fehlerVon([&] { nirgends.Print(QStringLiteral("x"), false); }).Nummer(), QtDrucker::DruckerFehler);
}

}  // namespace
}  // namespace hmz
