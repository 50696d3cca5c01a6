// The printer a run prints on: it measures and keeps the position like every
// printer here (same base), but instead of drawing it records each output and
// hands the records in batches to one worker thread, which draws them on the
// real printer (a QtDrucker owned by that thread). So the next property's
// queries run while the previous pages are being typeset and compressed.
//
// The queue between the two is bounded: a caller that runs ahead waits, and
// memory stays flat however long the run is.
//
// Jobs behave as on the real printer: EndDoc waits until the worker has drawn
// everything and handed the job over; KillDoc drops what is still queued and
// discards the job, so nothing reaches the target. A failure in the worker
// (a real printer that cannot be built, a folder that cannot be written, a
// full disk, an unknown queue) discards its job and is raised in the caller,
// as the real printer's Fehler, at the next output call and at the job's EndDoc.
#pragma once

#include "core/fehler.h"
#include "report/aufzeichnungsdrucker.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace hmz {

class PufferDrucker : public DruckerBasis {
public:
    // Builds the real printer; runs in the worker thread, which owns it.
    using Fabrik = std::function<std::unique_ptr<Drucker>()>;

    struct Grenzen {
        std::size_t stapel = 512;  // entries per batch at most (a page ends one earlier)
        std::size_t tiefe = 8;     // batches waiting at most
    };

    static std::unique_ptr<PufferDrucker> fuerPdf(const QString& pfad);
    static std::unique_ptr<PufferDrucker> fuerDrucker(const QString& cupsName);

    PufferDrucker(QString name, Fabrik fabrik, Grenzen grenzen);
    PufferDrucker(QString name, Fabrik fabrik) : PufferDrucker(std::move(name), std::move(fabrik), Grenzen{}) {}
    ~PufferDrucker() override;

    QString DeviceName() const override { return name_; }

    // Batches waiting now, and the most that ever waited at once.
    std::size_t wartend() const;
    std::size_t hoechsteTiefe() const;
    // Blocks until the worker has drawn everything handed to it so far.
    void abwarten();

protected:
    void auftragStarten() override;
    void seiteNeu() override;
    void textAusgeben(double x, double y, const QString& text) override;
    void linieAusgeben(double x1, double y1, double x2, double y2) override;
    void auftragBeenden() override;
    void auftragVerwerfen() override;
    void massstabGeaendert() override;

private:
    struct Stapel {
        std::uint64_t nr = 0;
        Aufzeichnung eintraege;
    };

    void eintragen(AufzeichnungsEintrag e);
    void abgeben();                   // hands the open batch to the worker
    void einreihen(Aufzeichnung e);   // waits for room in the queue
    void fehlerPruefen();             // raises a failure the worker reported
    void arbeiten(const Fabrik& fabrik);
    void beenden();                   // stops the worker, dropping an open job

    QString name_;
    Grenzen grenzen_;
    Aufzeichnung offen_;  // the batch being filled by the caller

    mutable std::mutex mutex_;
    std::condition_variable arbeit_;  // worker: a batch arrived, or stop
    std::condition_variable platz_;   // caller: a batch was taken, or the worker is idle
    std::deque<Stapel> schlange_;
    std::uint64_t naechsteNr_ = 1;
    bool beschaeftigt_ = false;   // the worker is drawing a batch
    bool stopp_ = false;
    std::size_t hoechsteTiefe_ = 0;
    std::optional<Fehler> fehler_;  // raised at the caller's next call
    std::atomic<bool> fehlerDa_{false};
    // Batches numbered below this belong to a discarded job: the worker drops them.
    std::atomic<std::uint64_t> verwerfenBis_{0};

    std::thread arbeiter_;
};

}  // namespace hmz
