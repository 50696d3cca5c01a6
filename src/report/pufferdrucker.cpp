#include "report/pufferdrucker.h"

#include "report/qtdrucker.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace hmz {

using Art = AufzeichnungsEintrag::Art;

std::unique_ptr<PufferDrucker> PufferDrucker::fuerPdf(const QString& pfad) {
    const QString ziel = QFileInfo(pfad).absoluteFilePath();
    return std::make_unique<PufferDrucker>(ziel, [ziel] { return QtDrucker::fuerPdf(ziel); });
}

std::unique_ptr<PufferDrucker> PufferDrucker::fuerDrucker(const QString& cupsName) {
    return std::make_unique<PufferDrucker>(cupsName, [cupsName] { return QtDrucker::fuerDrucker(cupsName); });
}

PufferDrucker::PufferDrucker(QString name, Fabrik fabrik, Grenzen grenzen)
    : name_(std::move(name)), grenzen_(grenzen) {
    grenzen_.stapel = std::max<std::size_t>(grenzen_.stapel, 1);
    grenzen_.tiefe = std::max<std::size_t>(grenzen_.tiefe, 1);
    offen_.reserve(grenzen_.stapel);
    arbeiter_ = std::thread([this, f = std::move(fabrik)] { arbeiten(f); });
}

PufferDrucker::~PufferDrucker() {
    beenden();
    auftragVergessen();
}

std::size_t PufferDrucker::wartend() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return schlange_.size();
}

std::size_t PufferDrucker::hoechsteTiefe() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hoechsteTiefe_;
}

void PufferDrucker::auftragStarten() {
    fehlerPruefen();
    eintragen(eintrag::seite(1));
}

void PufferDrucker::seiteNeu() {
    fehlerPruefen();
    abgeben();  // a finished page goes to the worker as it is
    eintragen(eintrag::seite(seite() + 1));
}

void PufferDrucker::textAusgeben(double x, double y, const QString& text) {
    fehlerPruefen();
    eintragen(eintrag::text(*this, x, y, text));
}

void PufferDrucker::linieAusgeben(double x1, double y1, double x2, double y2) {
    fehlerPruefen();
    eintragen(eintrag::linie(x1, y1, x2, y2));
}

void PufferDrucker::massstabGeaendert() { eintragen(eintrag::massstab(*this)); }

void PufferDrucker::auftragBeenden() {
    eintragen(eintrag::nur(Art::Ende));
    abwarten();
    fehlerPruefen();
}

void PufferDrucker::auftragVerwerfen() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        schlange_.clear();
        // The batch being drawn belongs to the discarded job too.
        verwerfenBis_.store(naechsteNr_);
    }
    platz_.notify_all();
    offen_.clear();
    // Dropped batches may have carried a scale change the next job relies on.
    einreihen({eintrag::nur(Art::Verworfen), eintrag::massstab(*this)});
    abwarten();
    // What failed in the discarded job is gone with it.
    std::lock_guard<std::mutex> lock(mutex_);
    fehler_.reset();
    fehlerDa_.store(false);
}

void PufferDrucker::eintragen(AufzeichnungsEintrag e) {
    offen_.push_back(std::move(e));
    if (offen_.size() >= grenzen_.stapel) abgeben();
}

void PufferDrucker::abgeben() {
    if (offen_.empty()) return;
    einreihen(std::move(offen_));
    offen_ = Aufzeichnung();
    offen_.reserve(grenzen_.stapel);
}

void PufferDrucker::einreihen(Aufzeichnung e) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        platz_.wait(lock, [&] { return schlange_.size() < grenzen_.tiefe; });
        schlange_.push_back({naechsteNr_++, std::move(e)});
        hoechsteTiefe_ = std::max(hoechsteTiefe_, schlange_.size());
    }
    arbeit_.notify_one();
}

void PufferDrucker::abwarten() {
    abgeben();
    std::unique_lock<std::mutex> lock(mutex_);
    platz_.wait(lock, [&] { return schlange_.empty() && !beschaeftigt_; });
}

void PufferDrucker::fehlerPruefen() {
    if (!fehlerDa_.load(std::memory_order_acquire)) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!fehler_) return;
    const Fehler f = *fehler_;
    fehler_.reset();
    fehlerDa_.store(false);
    lock.unlock();
    throw f;
}

void PufferDrucker::beenden() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        schlange_.clear();
        stopp_ = true;
        verwerfenBis_.store(std::numeric_limits<std::uint64_t>::max());
    }
    arbeit_.notify_all();
    if (arbeiter_.joinable()) arbeiter_.join();
}


// The worker: draws batch after batch on the real printer. A failure spoils
// the job: the real printer discards it, the rest of its output is skipped,
// and the caller learns of it at its next call and at the job's EndDoc.
void PufferDrucker::arbeiten(const Fabrik& fabrik) {
    auto melden = [&](const Fehler& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!fehler_) fehler_ = f;
        fehlerDa_.store(true, std::memory_order_release);
    };
    std::unique_ptr<Drucker> ziel;
    std::optional<Fehler> kaputt;  // what spoiled the current job
    bool ohneZiel = false;         // every job fails: there is no real printer
    try {
        ziel = fabrik();
    } catch (...) {
        kaputt = druckerFehlerAus(std::current_exception());
        ohneZiel = true;
        melden(*kaputt);
    }
    auto verderben = [&](std::exception_ptr p) {
        kaputt = druckerFehlerAus(p);
        melden(*kaputt);
        try {
            ziel->KillDoc();
        } catch (...) {
        }
    };

    for (;;) {
        Stapel s;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            arbeit_.wait(lock, [&] { return stopp_ || !schlange_.empty(); });
            if (stopp_) break;
            s = std::move(schlange_.front());
            schlange_.pop_front();
            beschaeftigt_ = true;
        }
        platz_.notify_all();

        if (s.nr >= verwerfenBis_.load() && !s.eintraege.empty()) {
            const auto* von = s.eintraege.data();
            const auto* bis = von + s.eintraege.size();
            // A discard opens its batch (the next job's scale follows it);
            // a job's end closes its batch.
            if (von->art == Art::Verworfen) {
                if (ziel) {
                    try {
                        ziel->KillDoc();
                    } catch (...) {
                    }
                }
                if (!ohneZiel) kaputt.reset();
                ++von;
            }
            const bool ende = von != bis && (bis - 1)->art == Art::Ende;
            if (ende) --bis;
            if (!kaputt) {
                try {
                    abspielen(von, bis, *ziel);
                } catch (...) {
                    verderben(std::current_exception());
                }
            } else if (ohneZiel) {
                // A discard took the report with it; the next job hears it again.
                if (von != bis) melden(*kaputt);
            } else {
                // Skipped output still moves the scale the next job starts with.
                for (const auto* e = von; e != bis; ++e)
                    if (e->art == Art::Massstab) {
                        ziel->setScaleLeft(e->x);
                        ziel->setScaleTop(e->y);
                    }
            }
            if (ende) {
                if (kaputt) {
                    // The failed job ends without reaching the target; say so again.
                    melden(*kaputt);
                    if (!ohneZiel) kaputt.reset();
                } else {
                    try {
                        ziel->EndDoc();
                    } catch (...) {
                        melden(druckerFehlerAus(std::current_exception()));
                    }
                }
            }
        }

        {
            std::lock_guard<std::mutex> lock(mutex_);
            beschaeftigt_ = false;
        }
        platz_.notify_all();
    }
    // An open job is dropped with the printer, as the real one drops it.
    ziel.reset();
}

}  // namespace hmz
