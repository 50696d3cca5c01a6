#include "report/qtdrucker.h"

#include "core/fehler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace hmz {

namespace {

[[noreturn]] void druckerFehler(const QString& text) {
    throw Fehler(QtDrucker::DruckerFehler, QStringLiteral("Druckerfehler: ") + text);
}

// Data on disk before the rename, and the rename on disk after it.
bool sichern(const QString& pfad, bool verzeichnis) {
    const int fd = ::open(QFile::encodeName(pfad).constData(), verzeichnis ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// The PDF's spool file, created with the mode every new file of the process
// gets (the kernel applies the umask), as it becomes the PDF by a rename.
std::unique_ptr<QFile> neueDatei(const QString& ordner) {
    for (int versuch = 0; versuch < 100; ++versuch) {
        const QString name = QStringLiteral("%1/.hmzres-%2.pdf")
                                 .arg(ordner)
                                 .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        auto datei = std::make_unique<QFile>(name);
        if (datei->open(QIODevice::WriteOnly | QIODevice::NewOnly)) return datei;
        if (!QFileInfo::exists(name))
            druckerFehler(QStringLiteral("in %1 kann nicht geschrieben werden: %2").arg(ordner, datei->errorString()));
    }
    druckerFehler(QStringLiteral("in %1 kann nicht geschrieben werden").arg(ordner));
}

// A printer's spool file, readable by the owner only.
std::unique_ptr<QFile> privateDatei(const QString& ordner) {
    auto datei = std::make_unique<QTemporaryFile>(ordner + QStringLiteral("/.hmzres-XXXXXX.pdf"));
    datei->setAutoRemove(false);
    if (!datei->open()) druckerFehler(QStringLiteral("in %1 kann nicht geschrieben werden: %2").arg(ordner, datei->errorString()));
    return datei;
}

// The destinations CUPS offers this user, lpoptions instances included.
class CupsZiele {
public:
    CupsZiele() : anzahl_(cupsGetDests2(CUPS_HTTP_DEFAULT, &ziele_)) {}
    ~CupsZiele() { cupsFreeDests(anzahl_, ziele_); }
    CupsZiele(const CupsZiele&) = delete;
    CupsZiele& operator=(const CupsZiele&) = delete;

    // "queue" or "queue/instance", as the printer list names them.
    cups_dest_t* finden(const QString& name) const {
        const qsizetype strich = name.indexOf(QLatin1Char('/'));
        const QByteArray queue = name.left(strich).toLocal8Bit();
        const QByteArray instanz = strich < 0 ? QByteArray() : name.mid(strich + 1).toLocal8Bit();
        if (queue.isEmpty() || (strich >= 0 && instanz.isEmpty())) return nullptr;
        return cupsGetDest(queue.constData(), strich < 0 ? nullptr : instanz.constData(), anzahl_, ziele_);
    }

private:
    cups_dest_t* ziele_ = nullptr;
    int anzahl_ = 0;
};

}  // namespace

bool QtDrucker::cupsZielBekannt(const QString& name) { return CupsZiele().finden(name) != nullptr; }

QString QtDrucker::pdfZielFehler(const QString& pfad) {
    const QFileInfo ziel(pfad);
    if (ziel.isDir()) return QStringLiteral("%1 ist ein Ordner, keine Datei").arg(ziel.absoluteFilePath());
    const QString ordner = ziel.absolutePath();
    if (!QFileInfo(ordner).isDir()) return QStringLiteral("den Ordner %1 gibt es nicht").arg(ordner);
    // The job is spooled beside the target and renamed onto it: both need the folder.
    if (::access(QFile::encodeName(ordner).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("in den Ordner %1 kann nicht geschrieben werden: %2").arg(ordner, QString::fromLocal8Bit(std::strerror(errno)));
    if (ziel.exists() && ::access(QFile::encodeName(ziel.absoluteFilePath()).constData(), W_OK) != 0)
        return QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel.absoluteFilePath(), QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

Fehler druckerFehlerAus(std::exception_ptr p) {
    try {
        std::rethrow_exception(p);
    } catch (const Fehler& f) {
        return f;
    } catch (const std::exception& e) {
        return Fehler(QtDrucker::DruckerFehler, QStringLiteral("Druckerfehler: ") + QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return Fehler(QtDrucker::DruckerFehler, QStringLiteral("Druckerfehler"));
    }
}

QtDrucker::QtDrucker(QString ziel, bool pdf, bool sichern) : ziel_(std::move(ziel)), pdf_(pdf), sichern_(sichern) {}

std::unique_ptr<QtDrucker> QtDrucker::fuerPdf(const QString& pfad, bool sichern) {
    return std::unique_ptr<QtDrucker>(new QtDrucker(QFileInfo(pfad).absoluteFilePath(), true, sichern));
}

std::unique_ptr<QtDrucker> QtDrucker::fuerDrucker(const QString& cupsName) {
    return std::unique_ptr<QtDrucker>(new QtDrucker(cupsName, false));
}

QtDrucker::~QtDrucker() {
    if (auftrag() == Auftrag::Offen) {
        (void)schliessen();
        QFile::remove(spool_);
        auftragVergessen();
    }
}

void QtDrucker::auftragStarten() {
    // The spool file lies beside the target so that EndDoc is a rename
    // within one file system.
    const QString ordner = pdf_ ? QFileInfo(ziel_).absolutePath() : QDir::tempPath();
    datei_ = pdf_ ? neueDatei(ordner) : privateDatei(ordner);
    spool_ = datei_->fileName();
    writer_ = std::make_unique<QPdfWriter>(datei_.get());
    writer_->setResolution(static_cast<int>(Aufloesung));
    writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                       QPageLayout::Millimeter));
    writer_->setCreator(QStringLiteral("hmzres"));
    writer_->setTitle(QStringLiteral("Hauptmietzinsreserve-Abrechnung"));
    if (!painter_.begin(writer_.get())) {
        writer_.reset();
        datei_.reset();
        QFile::remove(spool_);
        spool_.clear();
        druckerFehler(QStringLiteral("das PDF %1 kann nicht begonnen werden").arg(ziel_));
    }
    QPen stift(Qt::black);
    stift.setWidthF(punkte(0.1));
    stift.setCapStyle(Qt::FlatCap);
    painter_.setPen(stift);
    painter_.setFont(font());
    gesetzt_ = font();
}

void QtDrucker::seiteNeu() {
    if (!writer_->newPage()) druckerFehler(QStringLiteral("eine neue Seite kann nicht begonnen werden"));
}

void QtDrucker::textAusgeben(double x, double y, const QString& text) {
    if (gesetzt_ != font()) {
        painter_.setFont(font());
        gesetzt_ = font();
    }
    // Device units at the mapped point: a point-size font on a painter scaled
    // to millimetres would be scaled twice.
    painter_.drawText(QPointF(punkte(seiteX(x)), punkte(seiteY(y) + Ascent())), text);
}

void QtDrucker::linieAusgeben(double x1, double y1, double x2, double y2) {
    painter_.drawLine(QPointF(punkte(seiteX(x1)), punkte(seiteY(y1))),
                      QPointF(punkte(seiteX(x2)), punkte(seiteY(y2))));
}

QString QtDrucker::schliessen() {
    if (painter_.isActive()) painter_.end();
    writer_.reset();
    if (!datei_) return {};
    // The PDF engine does not report failed writes (a full disk, a size
    // limit): the file does.
    QString fehler;
    if (!datei_->flush() || datei_->error() != QFileDevice::NoError) fehler = datei_->errorString();
    datei_->close();
    datei_.reset();
    return fehler;
}

void QtDrucker::auftragBeenden() {
    const QString schreibFehler = schliessen();
    const QString spool = spool_;
    spool_.clear();
    if (!schreibFehler.isEmpty()) {
        QFile::remove(spool);
        druckerFehler(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel_, schreibFehler));
    }
    if (pdf_) {
        if ((sichern_ && !sichern(spool, false)) ||
            std::rename(QFile::encodeName(spool).constData(), QFile::encodeName(ziel_).constData()) != 0) {
            const QString grund = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(spool);
            druckerFehler(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel_, grund));
        }
        if (sichern_) sichern(QFileInfo(ziel_).absolutePath(), true);
        return;
    }
    // An instance is its queue with the instance's options.
    const CupsZiele ziele;
    const cups_dest_t* ziel = ziele.finden(ziel_);
    if (!ziel) {
        QFile::remove(spool);
        druckerFehler(QStringLiteral("%1: CUPS kennt diesen Drucker nicht (mehr); 'hmzres printers' zeigt die eingerichteten").arg(ziel_));
    }
    const int job = cupsPrintFile(ziel->name, QFile::encodeName(spool).constData(), "Hauptmietzinsreserve-Abrechnung",
                                  ziel->num_options, ziel->options);
    QFile::remove(spool);
    if (job == 0)
        druckerFehler(QStringLiteral("%1: %2").arg(ziel_, QString::fromLocal8Bit(cupsLastErrorString())));
}

void QtDrucker::auftragVerwerfen() {
    (void)schliessen();
    QFile::remove(spool_);
    spool_.clear();
}

}  // namespace hmz
