// The printer of "one PDF per property": it measures and keeps the position
// like every printer here, records each document (DokumentBeginnen starts
// the next one) and hands finished documents to worker threads, one per core,
// which draw them in parallel into PDFs of their own. A document's pages are
// exactly the pages it had in one job (numbered from 1 in its file).
//
// The files are written into a hidden folder inside the target folder and
// moved to "<name>.pdf" only when the whole job ends with EndDoc. KillDoc, a
// failure or the destructor removes the hidden folder: a run that does not
// end leaves the target folder as it was, never half an earlier set replaced.
// A move that fails puts back the old files that already stepped aside.
//
// A failure in a worker (a full disk, say) spoils the job and is raised in
// the caller as the real printer's Fehler, at the next output call and at
// EndDoc.
#pragma once

#include "core/fehler.h"
#include "report/aufzeichnungsdrucker.h"

#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace hmz {

class OrdnerDrucker : public DruckerBasis {
public:
    // Builds the printer of one file (a QtDrucker for the PDF by default);
    // called in a worker thread, which owns it.
    using Fabrik = std::function<std::unique_ptr<Drucker>(const QString& pfad)>;

    explicit OrdnerDrucker(QString ordner, int arbeiter = 0, Fabrik fabrik = {});
    ~OrdnerDrucker() override;

    QString DeviceName() const override { return ordner_; }
    void DokumentBeginnen(const QString& name) override;

    // The files the last ended job put into the folder, in document order.
    const QStringList& geschrieben() const { return geschrieben_; }

protected:
    void auftragStarten() override;
    void seiteNeu() override;
    void textAusgeben(double x, double y, const QString& text) override;
    void linieAusgeben(double x1, double y1, double x2, double y2) override;
    void auftragBeenden() override;
    void auftragVerwerfen() override;
    void massstabGeaendert() override;

private:
    struct Dokument {
        QString name;
        Aufzeichnung eintraege;
        int seiten = 0;
    };

    void seiteSicherstellen();               // the open document's first page
    void eintragen(AufzeichnungsEintrag e);  // into the open document, on a page
    void abgeben();                          // the open document to the workers
    void leerlauf();                         // waits until no document is queued or drawn
    void fehlerPruefen();
    void aufraeumen();                       // drops the hidden folder and what is in it
    void arbeiten();

    QString ordner_;
    Fabrik fabrik_;
    Dokument offen_;
    QString naechsterName_;
    std::unique_ptr<QTemporaryDir> zwischen_;  // the hidden folder of the open job
    std::vector<QString> namen_;               // documents handed over, in order
    QStringList geschrieben_;

    std::mutex mutex_;
    std::condition_variable arbeit_, platz_;
    std::deque<std::pair<QString, Dokument>> schlange_;  // (file in the hidden folder, document)
    std::size_t tiefe_;
    int beschaeftigt_ = 0;
    bool stopp_ = false;
    std::optional<Fehler> fehler_;     // raised at the caller's next call
    std::optional<Fehler> verdorben_;  // spoils the job: raised again at EndDoc
    std::atomic<bool> fehlerDa_{false};
    std::vector<std::thread> arbeiter_;
};

}  // namespace hmz
