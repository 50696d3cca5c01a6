// The pipelined printer against the real one: the same PDF for the same
// calls, nothing on disk after a discard or a failure, and a queue that never
// grows past its limit. A gate in front of the real printer holds the worker
// still, so queued batches exist at a known moment without any timing.
#include "programm.h"
#include "core/fehler.h"
#include "report/pufferdrucker.h"
#include "report/qtdrucker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace hmz {
namespace {

using test::ausgabe;

// Every word of the PDF with its box, page by page: text and positions.
QString woerter(const QString& pdf) {
    const QString html = ausgabe(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QStringList zeilen;
    for (const QString& z : html.split(QLatin1Char('\n')))
        if (z.contains(QStringLiteral("<word")) || z.contains(QStringLiteral("<page"))) zeilen << z.trimmed();
    return zeilen.join(QLatin1Char('\n'));
}

int seiten(const QString& pdf) {
    static const QRegularExpression re(QStringLiteral("Pages: +(\\d+)"));
    const auto m = re.match(ausgabe(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Holds the worker at its first text until opened; forwards everything else.
class Schleuse : public Drucker {
public:
    struct Tor {
        std::mutex m;
        std::condition_variable cv;
        bool offen = false;
        std::atomic<int> texte{0}, verworfen{0};
        void oeffnen() {
            {
                std::lock_guard<std::mutex> l(m);
                offen = true;
            }
            cv.notify_all();
        }
    };
    Schleuse(std::unique_ptr<Drucker> echt, Tor& tor) : echt_(std::move(echt)), tor_(tor) {}

    QString DeviceName() const override { return echt_->DeviceName(); }
    float CurrentX() const override { return echt_->CurrentX(); }
    float CurrentY() const override { return echt_->CurrentY(); }
    void setCurrentX(float x) override { echt_->setCurrentX(x); }
    void setCurrentY(float y) override { echt_->setCurrentY(y); }
    double ScaleLeft() const override { return echt_->ScaleLeft(); }
    double ScaleTop() const override { return echt_->ScaleTop(); }
    void setScaleLeft(double mm) override { echt_->setScaleLeft(mm); }
    void setScaleTop(double mm) override { echt_->setScaleTop(mm); }
    QString FontName() const override { return echt_->FontName(); }
    double FontSize() const override { return echt_->FontSize(); }
    bool FontBold() const override { return echt_->FontBold(); }
    bool FontItalic() const override { return echt_->FontItalic(); }
    bool FontUnderline() const override { return echt_->FontUnderline(); }
    void setFontName(const QString& n) override { echt_->setFontName(n); }
    void setFontSize(double p) override { echt_->setFontSize(p); }
    void setFontBold(bool an) override { echt_->setFontBold(an); }
    void setFontItalic(bool an) override { echt_->setFontItalic(an); }
    void setFontUnderline(bool an) override { echt_->setFontUnderline(an); }
    double TextWidth(const QString& t) const override { return echt_->TextWidth(t); }
    double TextHeight(const QString& t) const override { return echt_->TextHeight(t); }
    void Print(const QString& t, bool offen) override {
        {
            std::unique_lock<std::mutex> l(tor_.m);
            tor_.cv.wait(l, [&] { return tor_.offen; });
        }
        ++tor_.texte;
        echt_->Print(t, offen);
    }
    void Line(double x1, double y1, double x2, double y2) override { echt_->Line(x1, y1, x2, y2); }
    void NewPage() override { echt_->NewPage(); }
    void EndDoc() override { echt_->EndDoc(); }
    void KillDoc() override {
        ++tor_.verworfen;
        echt_->KillDoc();
    }
    void AuftragFreigeben() override { echt_->AuftragFreigeben(); }

private:
    std::unique_ptr<Drucker> echt_;
    Tor& tor_;
};

// Waits (bounded, so a fault fails instead of hanging) until cond holds.
template <class F>
bool bis(F cond) {
    for (int i = 0; i < 20000; ++i) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return cond();
}

class PufferDruckerTest : public ::testing::Test {
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
        d.Print(QStringLiteral("Hauptmietzinsreserve Jänner Seite %1").arg(nr), false);
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
    Schleuse::Tor tor;
};

TEST_F(PufferDruckerTest, GleichesPdfWieDerEchteDrucker) {
    auto echt = QtDrucker::fuerPdf(pfad(QStringLiteral("echt.pdf")));
    lauf(*echt);
    // Tiny batches and a short queue: many hand-overs, the caller often waits.
    auto puffer = std::make_unique<PufferDrucker>(
        pfad(QStringLiteral("puffer.pdf")), [this] { return QtDrucker::fuerPdf(pfad(QStringLiteral("puffer.pdf"))); },
        PufferDrucker::Grenzen{7, 2});
    lauf(*puffer);
    auto standard = PufferDrucker::fuerPdf(pfad(QStringLiteral("standard.pdf")));
    EXPECT_EQ(standard->DeviceName(), pfad(QStringLiteral("standard.pdf")));
    lauf(*standard);

    const QString erwartet = woerter(pfad(QStringLiteral("echt.pdf")));
    ASSERT_TRUE(erwartet.contains(QStringLiteral("Jänner"))) << erwartet.toStdString();
    EXPECT_FALSE(erwartet.contains(QStringLiteral(">92<"))) << "output after KillDoc is swallowed";
    EXPECT_EQ(woerter(pfad(QStringLiteral("puffer.pdf"))), erwartet);
    EXPECT_EQ(woerter(pfad(QStringLiteral("standard.pdf"))), erwartet);
    EXPECT_EQ(seiten(pfad(QStringLiteral("echt.pdf"))), 4);
    EXPECT_EQ(seiten(pfad(QStringLiteral("puffer.pdf"))), 4);
    EXPECT_EQ(seiten(pfad(QStringLiteral("standard.pdf"))), 4);
    EXPECT_EQ(dateien(), (QStringList{"echt.pdf", "puffer.pdf", "standard.pdf"}));
}

TEST_F(PufferDruckerTest, KillDocVerwirftAuchWartendeStapel) {
    const QString ziel = pfad(QStringLiteral("abbruch.pdf"));
    auto d = mitSchleuse(ziel, {8, 3});
    d->setScaleLeft(-10);
    // The worker stops at the first text; three more batches fill the queue.
    for (int i = 0; i < 8 * 4; ++i) d->Print(QStringLiteral("Zeile %1").arg(i), false);
    ASSERT_TRUE(bis([&] { return d->wartend() == 3; }));

    std::thread abbruch([&] { d->KillDoc(); });
    // Queue emptied, the discard queued: only then may the worker go on.
    ASSERT_TRUE(bis([&] { return d->wartend() == 1; }));
    tor.oeffnen();
    abbruch.join();
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
    const QString text = ausgabe(QStringLiteral("pdftotext"), {ziel, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("neuer Lauf")));
    EXPECT_FALSE(text.contains(QStringLiteral("Zeile")));
    EXPECT_FALSE(text.contains(QStringLiteral("Rest")));

    // Dropped with an open job and batches queued: no spool file stays.
    QFile::remove(ziel);
    auto offen = PufferDrucker::fuerPdf(pfad(QStringLiteral("offen.pdf")));
    for (int i = 0; i < 2000; ++i) offen->Print(QStringLiteral("halb %1").arg(i), false);
    offen.reset();
    EXPECT_TRUE(dateien().isEmpty()) << dateien().join(QLatin1Char(' ')).toStdString();
}

TEST_F(PufferDruckerTest, FehlerDesArbeitersKommenBeimAufruferAn) {
    // A folder that does not exist: the worker cannot start the job. The
    // caller hears of it at its next output call, and again at EndDoc.
    const QString ordner = pfad(QStringLiteral("fehlt"));
    auto d = PufferDrucker::fuerPdf(ordner + QStringLiteral("/x.pdf"));
    d->Print(QStringLiteral("erste Zeile"), false);
    d->abwarten();
    try {
        d->Print(QStringLiteral("zweite Zeile"), false);
        FAIL() << "no error";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
        EXPECT_TRUE(f.Beschreibung().startsWith(QStringLiteral("Printer error: cannot write in ")))
            << f.Beschreibung().toStdString();
    }
    d->Line(0, 0, 10, 0);
    EXPECT_THROW(d->EndDoc(), Fehler) << "a failed job is not reported as handed over";
    // Once the folder exists, the next job goes through.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fehlt")));
    d->Print(QStringLiteral("danach"), false);
    d->EndDoc();
    EXPECT_TRUE(QFile::exists(ordner + QStringLiteral("/x.pdf")));

    // A target that cannot be replaced: EndDoc raises what the real printer
    // raises and leaves no spool file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ordner.pdf")));
    {
        QFile f(pfad(QStringLiteral("ordner.pdf/inhalt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto e = PufferDrucker::fuerPdf(pfad(QStringLiteral("ordner.pdf")));
    e->Print(QStringLiteral("x"), false);
    try {
        e->EndDoc();
        FAIL() << "no error";
    } catch (const Fehler& f) {
        EXPECT_EQ(f.Nummer(), QtDrucker::DruckerFehler);
        EXPECT_TRUE(f.Beschreibung().contains(QStringLiteral("ordner.pdf"))) << f.Beschreibung().toStdString();
    }
    EXPECT_EQ(e->auftrag(), DruckerBasis::Auftrag::Keiner);
    EXPECT_TRUE(dateien().isEmpty()) << dateien().join(QLatin1Char(' ')).toStdString();

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
}

TEST_F(PufferDruckerTest, DieSchlangeBleibtBegrenzt) {
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
    tor.oeffnen();
    aufrufer.join();
    d->EndDoc();
    EXPECT_EQ(d->hoechsteTiefe(), 2u);
    EXPECT_EQ(tor.texte.load(), 400);
    EXPECT_EQ(seiten(ziel), 8);
    const QString text = ausgabe(QStringLiteral("pdftotext"), {ziel, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("Zeile 0")));
    EXPECT_TRUE(text.contains(QStringLiteral("Zeile 399")));
}

}  // namespace
}  // namespace hmz
