// The real printer: QPainter on a QPdfWriter. Every job is spooled into a
// temporary PDF, started at its first output; EndDoc moves it atomically to
// the target PDF file or hands it to CUPS, KillDoc deletes it. So a discarded
// or failed job leaves neither a half-written file under the target name nor
// anything in the printer's queue.
#pragma once

#include "report/druckerbasis.h"

#include "core/fehler.h"

#include <QPainter>
#include <QString>
#include <exception>
#include <memory>

class QFile;
class QPdfWriter;

namespace hmz {

// A failure while drawing on a printer in a worker thread, as the printer's Fehler.
Fehler druckerFehlerAus(std::exception_ptr p);

class QtDrucker : public DruckerBasis {
public:
    // Error number of every failure of the printer object ("Printer error").
    static constexpr long DruckerFehler = 482;

    // With sichern false the finished PDF is not synced to disk: for a caller
    // that syncs a whole folder of them at once.
    static std::unique_ptr<QtDrucker> fuerPdf(const QString& pfad, bool sichern = true);
    static std::unique_ptr<QtDrucker> fuerDrucker(const QString& cupsName);
    ~QtDrucker() override;

    // Why `pfad` cannot become a PDF (a folder, a missing or write-protected
    // folder, a write-protected file), naming the one at fault; empty when
    // it can. Lets a run refuse its target before any work.
    static QString pdfZielFehler(const QString& pfad);

    // Whether CUPS knows `name` as a destination: a queue, or "queue/instance"
    // of lpoptions. Printing resolves the name the same way.
    static bool cupsZielBekannt(const QString& name);

    // The CUPS queue's name, or the PDF file's path.
    QString DeviceName() const override { return ziel_; }
    bool istPdf() const { return pdf_; }
    // The spool file of the open job (empty without one).
    QString spoolDatei() const { return spool_; }

protected:
    void auftragStarten() override;
    void seiteNeu() override;
    void textAusgeben(double x, double y, const QString& text) override;
    void linieAusgeben(double x1, double y1, double x2, double y2) override;
    void auftragBeenden() override;
    void auftragVerwerfen() override;

private:
    QtDrucker(QString ziel, bool pdf, bool sichern = true);
    // Ends the painter and the writer; the file's write error, if any.
    QString schliessen();
    double punkte(double mm) const { return mm / mmProPunkt(); }

    QString ziel_;
    bool pdf_;
    bool sichern_;
    QString spool_;
    std::unique_ptr<QFile> datei_;  // owned here so that write errors can be seen
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    QFont gesetzt_;
};

}  // namespace hmz
