// The printer object: a page surface with millimetre coordinates, a current
// position, a font, text measuring, and a print job that is either ended
// (handed over) or discarded.
//
// Print semantics: Print(text, zeileOffen=true) leaves CurrentX at the end of
// the text and CurrentY unchanged; Print(text, false) ends the line: CurrentX
// goes back to the left edge (ScaleLeft) and CurrentY moves down by the
// current font's line height.
#pragma once

#include <QString>
#include <memory>

namespace hmz {

class Drucker {
public:
    virtual ~Drucker() = default;

    virtual QString DeviceName() const = 0;

    virtual float CurrentX() const = 0;
    virtual float CurrentY() const = 0;
    virtual void setCurrentX(float x) = 0;
    virtual void setCurrentY(float y) = 0;

    // The scale is always millimetres; the origin moves with ScaleLeft/ScaleTop
    // (ScaleLeft -10: x = 0 lies 10 mm right of the printable area's left edge).
    virtual double ScaleLeft() const = 0;
    virtual double ScaleTop() const = 0;
    virtual void setScaleLeft(double mm) = 0;
    virtual void setScaleTop(double mm) = 0;

    virtual QString FontName() const = 0;
    virtual double FontSize() const = 0;
    virtual bool FontBold() const = 0;
    virtual bool FontItalic() const = 0;
    virtual bool FontUnderline() const = 0;
    virtual void setFontName(const QString& name) = 0;
    virtual void setFontSize(double punkt) = 0;
    virtual void setFontBold(bool an) = 0;
    virtual void setFontItalic(bool an) = 0;
    virtual void setFontUnderline(bool an) = 0;

    virtual double TextWidth(const QString& text) const = 0;   // mm, current font
    virtual double TextHeight(const QString& text) const = 0;  // mm, line height of the current font

    virtual void Print(const QString& text, bool zeileOffen) = 0;
    virtual void Line(double x1, double y1, double x2, double y2) = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;   // hands the job over (PDF file or printer)
    // Discards the job: nothing reaches the target. Output that follows is
    // swallowed as part of the discarded job until AuftragFreigeben, so the
    // rest of a cancelled run cannot leak out as a new job at the next EndDoc.
    virtual void KillDoc() = 0;
    // A new print run starts: output after a KillDoc reaches the target again.
    virtual void AuftragFreigeben() {}
    // The output that follows belongs to the document `name` (a property's
    // statement, "HMZ-2003-00007"). Printers that write one file per document
    // start the next file here; all others keep printing into the one job.
    virtual void DokumentBeginnen(const QString& name) { (void)name; }
};

// The process's current printer, on which a run prints. Replaced by the
// printer choice of the dialog, by the command line, or by tests.
Drucker& Printer();
void setzeDrucker(std::unique_ptr<Drucker> d);

}  // namespace hmz
