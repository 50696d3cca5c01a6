#include "report/ordnerdrucker.h"

#include "report/qtdrucker.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace hmz {

namespace {

[[noreturn]] void druckerFehler(const QString& text) {
    throw Fehler(QtDrucker::DruckerFehler, QStringLiteral("Druckerfehler: ") + text);
}

void ordnerSichern(const QString& pfad) {
    const int fd = ::open(QFile::encodeName(pfad).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// Everything written into the folder's file system on disk, with one call
// instead of one per file; 0 or the errno of the failure.
int dateisystemSichern(const QString& ordner) {
    const int fd = ::open(QFile::encodeName(ordner).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return errno;
    const int fehler = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return fehler;
}

}  // namespace

OrdnerDrucker::OrdnerDrucker(QString ordner, int arbeiter, Fabrik fabrik)
    : ordner_(QFileInfo(ordner).absoluteFilePath()), fabrik_(std::move(fabrik)) {
    // The files are synced all at once when the job ends, not one by one.
    if (!fabrik_)
        fabrik_ = [](const QString& pfad) -> std::unique_ptr<Drucker> { return QtDrucker::fuerPdf(pfad, false); };
    if (arbeiter < 1) arbeiter = std::max(1, QThread::idealThreadCount());
    // Enough documents waiting that no worker idles while the run records the next.
    tiefe_ = 2 * static_cast<std::size_t>(arbeiter);
    for (int i = 0; i < arbeiter; ++i) arbeiter_.emplace_back([this] { arbeiten(); });
}

OrdnerDrucker::~OrdnerDrucker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        schlange_.clear();
        stopp_ = true;
    }
    arbeit_.notify_all();
    for (auto& t : arbeiter_) t.join();
    aufraeumen();
    auftragVergessen();
}

void OrdnerDrucker::DokumentBeginnen(const QString& name) {
    if (offen_.seiten > 0) abgeben();
    offen_.name = name;
}

void OrdnerDrucker::auftragStarten() {
    fehlerPruefen();
    aufraeumen();
    namen_.clear();
    geschrieben_.clear();
    // Inside the target folder, so that the final move is a rename on one
    // file system; hidden, so that nobody takes a half set for a result.
    zwischen_ = std::make_unique<QTemporaryDir>(ordner_ + QStringLiteral("/.hmzres-XXXXXX"));
    if (!zwischen_->isValid()) {
        const QString grund = zwischen_->errorString();
        zwischen_.reset();
        druckerFehler(QStringLiteral("in %1 kann nicht geschrieben werden: %2").arg(ordner_, grund));
    }
}

void OrdnerDrucker::seiteNeu() {
    fehlerPruefen();
    // A document's first page is the first page of its file, not a new one.
    if (offen_.seiten == 0)
        seiteSicherstellen();
    else
        offen_.eintraege.push_back(eintrag::seite(++offen_.seiten));
}

void OrdnerDrucker::textAusgeben(double x, double y, const QString& text) {
    fehlerPruefen();
    eintragen(eintrag::text(*this, x, y, text));
}

void OrdnerDrucker::linieAusgeben(double x1, double y1, double x2, double y2) {
    fehlerPruefen();
    eintragen(eintrag::linie(x1, y1, x2, y2));
}

void OrdnerDrucker::massstabGeaendert() {
    // A document that has not begun takes the scale as it stands when it does.
    if (offen_.seiten > 0) offen_.eintraege.push_back(eintrag::massstab(*this));
}

void OrdnerDrucker::seiteSicherstellen() {
    if (offen_.seiten > 0) return;
    offen_.eintraege.push_back(eintrag::massstab(*this));
    offen_.eintraege.push_back(eintrag::seite(1));
    offen_.seiten = 1;
}

void OrdnerDrucker::eintragen(AufzeichnungsEintrag e) {
    seiteSicherstellen();
    offen_.eintraege.push_back(std::move(e));
}

void OrdnerDrucker::abgeben() {
    if (offen_.seiten == 0) return;
    const QString name = offen_.name.isEmpty() ? QStringLiteral("hmzres") : offen_.name;
    offen_.eintraege.push_back(eintrag::nur(AufzeichnungsEintrag::Art::Ende));
    {
        std::unique_lock<std::mutex> lock(mutex_);
        platz_.wait(lock, [&] { return schlange_.size() < tiefe_; });
        schlange_.emplace_back(zwischen_->filePath(name + QStringLiteral(".pdf")), std::move(offen_));
    }
    arbeit_.notify_one();
    namen_.push_back(name);
    offen_ = Dokument{};
}

void OrdnerDrucker::leerlauf() {
    std::unique_lock<std::mutex> lock(mutex_);
    platz_.wait(lock, [&] { return schlange_.empty() && beschaeftigt_ == 0; });
}

void OrdnerDrucker::fehlerPruefen() {
    if (!fehlerDa_.load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!fehler_) return;
    const Fehler f = *fehler_;
    fehler_.reset();
    fehlerDa_.store(false);
    throw f;
}

void OrdnerDrucker::aufraeumen() {
    if (zwischen_) zwischen_->remove();
    zwischen_.reset();
}

void OrdnerDrucker::auftragBeenden() {
    abgeben();
    leerlauf();
    std::optional<Fehler> verdorben;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        verdorben.swap(verdorben_);
        fehler_.reset();
        fehlerDa_.store(false);
    }
    if (verdorben) {
        aufraeumen();
        throw *verdorben;
    }
    // On disk before any of them takes its name.
    if (const int fehler = namen_.empty() ? 0 : dateisystemSichern(zwischen_->path())) {
        const QString grund = QString::fromLocal8Bit(std::strerror(fehler));
        aufraeumen();
        druckerFehler(QStringLiteral("in %1 kann nicht geschrieben werden: %2").arg(ordner_, grund));
    }
    // Every name is looked at before the first move: a folder in the way
    // fails the job with the old set untouched.
    const auto ziel = [this](const QString& name) { return ordner_ + QLatin1Char('/') + name + QStringLiteral(".pdf"); };
    for (const QString& name : namen_) {
        struct stat st {};
        if (::lstat(QFile::encodeName(ziel(name)).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            aufraeumen();
            druckerFehler(QStringLiteral("%1 ist ein Ordner (umbenennen oder entfernen); der Ordner %2 bleibt, wie er war").arg(ziel(name), ordner_));
        }
    }
    // Each old file steps aside into the hidden folder before its successor
    // takes the name, so that a later failure can put every one of them back.
    struct Zug {
        QByteArray nach, beiseite;
        bool alt = false, neu = false;
    };
    std::vector<Zug> zuege;
    const QString beiseite = zwischen_->filePath(QStringLiteral("alt"));
    QString wo = beiseite;  // what failed
    int fehler = ::mkdir(QFile::encodeName(beiseite).constData(), 0700) == 0 ? 0 : errno;
    for (std::size_t i = 0; i < namen_.size() && !fehler; ++i) {
        const QString& name = namen_[i];
        wo = ziel(name);
        Zug& z = zuege.emplace_back();
        z.nach = QFile::encodeName(ziel(name));
        z.beiseite = QFile::encodeName(beiseite + QLatin1Char('/') + name + QStringLiteral(".pdf"));
        z.alt = ::rename(z.nach.constData(), z.beiseite.constData()) == 0;
        if (!z.alt && errno != ENOENT) fehler = errno;
        else if (!(z.neu = ::rename(QFile::encodeName(zwischen_->filePath(name + QStringLiteral(".pdf"))).constData(),
                                    z.nach.constData()) == 0))
            fehler = errno;
    }
    if (fehler) {
        const QString grund =
            QStringLiteral("%1 kann nicht ersetzt werden: %2").arg(wo, QString::fromLocal8Bit(std::strerror(fehler)));
        bool ganz = true;
        for (auto z = zuege.rbegin(); z != zuege.rend(); ++z) {
            if (z->alt) ganz &= ::rename(z->beiseite.constData(), z->nach.constData()) == 0;
            else if (z->neu) ganz &= ::unlink(z->nach.constData()) == 0;
        }
        ordnerSichern(ordner_);
        if (ganz) {
            aufraeumen();
            druckerFehler(QStringLiteral("%1; der Ordner %2 bleibt, wie er war").arg(grund, ordner_));
        }
        // Old files that could not go back stay where they are, never removed.
        zwischen_->setAutoRemove(false);
        zwischen_.reset();
        druckerFehler(QStringLiteral("%1; alte Dateien, die nicht zurückgelegt werden konnten, liegen in %2").arg(grund, beiseite));
    }
    for (const QString& name : namen_) geschrieben_ << ziel(name);
    ordnerSichern(ordner_);
    aufraeumen();
    namen_.clear();
}

void OrdnerDrucker::auftragVerwerfen() {
    offen_ = Dokument{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        schlange_.clear();
    }
    platz_.notify_all();
    leerlauf();
    {
        // What failed in the discarded job is gone with it.
        std::lock_guard<std::mutex> lock(mutex_);
        fehler_.reset();
        verdorben_.reset();
        fehlerDa_.store(false);
    }
    aufraeumen();
    namen_.clear();
}

// A worker: draws document after document into its file in the hidden
// folder. After a failure the job is spoiled and the rest is skipped.
void OrdnerDrucker::arbeiten() {
    for (;;) {
        std::pair<QString, Dokument> d;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            arbeit_.wait(lock, [&] { return stopp_ || !schlange_.empty(); });
            if (stopp_) break;
            d = std::move(schlange_.front());
            schlange_.pop_front();
            ++beschaeftigt_;
        }
        platz_.notify_all();

        bool verdorben;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            verdorben = verdorben_.has_value();
        }
        if (!verdorben) {
            try {
                const auto ziel = fabrik_(d.first);
                abspielen(d.second.eintraege, *ziel);
            } catch (...) {
                const Fehler f = druckerFehlerAus(std::current_exception());
                std::lock_guard<std::mutex> lock(mutex_);
                if (!verdorben_) {
                    verdorben_ = f;
                    fehler_ = f;
                    fehlerDa_.store(true, std::memory_order_release);
                }
            }
        }

        {
            std::lock_guard<std::mutex> lock(mutex_);
            --beschaeftigt_;
        }
        platz_.notify_all();
    }
}

}  // namespace hmz
