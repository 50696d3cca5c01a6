// What the Qt printer and the recording printer share: position, scale, font
// and the job's state machine, and above all the measuring. Both measure with
// QFontMetricsF against the same fixed 1200 dpi PDF paint device, so a layout
// recorded in a test is the layout the PDF gets, to the last hundredth.
//
// Page model: A4 portrait in millimetres. The printable area is taken to start
// Rand mm in from the paper's top-left corner, as on a typical office printer;
// report coordinates are shifted from there by ScaleLeft/ScaleTop
// (page x = Rand + x - ScaleLeft).
//
// Print semantics: the text's top edge lies at CurrentY. Print(text, true)
// keeps the line open and advances CurrentX by TextWidth(text); Print(text,
// false) ends the line: CurrentX = ScaleLeft, CurrentY += TextHeight (the
// current font's line height). Line draws without moving the position.
//
// Jobs: the first output (Print, Line, NewPage) starts a job; EndDoc hands it
// over, KillDoc discards it and swallows further output until
// AuftragFreigeben. EndDoc or KillDoc without a job do nothing else.
#pragma once

#include "report/drucker.h"

#include <QFont>
#include <QFontMetricsF>
#include <optional>

class QPaintDevice;

namespace hmz {

class DruckerBasis : public Drucker {
public:
    static constexpr double Aufloesung = 1200;  // dpi of the measuring and the PDF
    static constexpr double Rand = 5;           // mm from the paper edge to the printable area
    static constexpr double SeiteBreite = 210;  // A4
    static constexpr double SeiteHoehe = 297;

    // The device every printer measures against (a PDF writer that never writes).
    static QPaintDevice& messGeraet();
    static double mmProPunkt() { return 25.4 / Aufloesung; }  // device unit → mm

    float CurrentX() const override { return x_; }
    float CurrentY() const override { return y_; }
    void setCurrentX(float x) override { x_ = x; }
    void setCurrentY(float y) override { y_ = y; }

    double ScaleLeft() const override { return scaleLeft_; }
    double ScaleTop() const override { return scaleTop_; }
    void setScaleLeft(double mm) override;
    void setScaleTop(double mm) override;

    QString FontName() const override { return name_; }
    double FontSize() const override { return groesse_; }
    bool FontBold() const override { return fett_; }
    bool FontItalic() const override { return kursiv_; }
    bool FontUnderline() const override { return unterstrichen_; }
    void setFontName(const QString& name) override;
    void setFontSize(double punkt) override;
    void setFontBold(bool an) override;
    void setFontItalic(bool an) override;
    void setFontUnderline(bool an) override;

    double TextWidth(const QString& text) const override;
    double TextHeight(const QString& text) const override;
    double Ascent() const;  // mm from the text's top edge to its baseline

    void Print(const QString& text, bool zeileOffen) override;
    void Line(double x1, double y1, double x2, double y2) override;
    void NewPage() override;
    void EndDoc() override;
    void KillDoc() override;
    void AuftragFreigeben() override;
    // Draws text with its top edge at (x, y) without measuring it or moving
    // the position: a replay already knows where everything goes.
    void textSetzen(double x, double y, const QString& text);

    enum class Auftrag { Keiner, Offen, Verworfen };
    Auftrag auftrag() const { return auftrag_; }
    int seite() const { return seite_; }  // page within the open job, 1-based

    QFont font() const { return font_; }
    // Position on the paper (mm from its top-left corner) of a report point.
    double seiteX(double x) const { return Rand + x - scaleLeft_; }
    double seiteY(double y) const { return Rand + y - scaleTop_; }

protected:
    DruckerBasis();

    // Hooks of the implementations; the base has already decided that the
    // output reaches an open job. Positions are report coordinates.
    virtual void auftragStarten() = 0;
    virtual void seiteNeu() = 0;
    virtual void textAusgeben(double x, double y, const QString& text) = 0;
    virtual void linieAusgeben(double x1, double y1, double x2, double y2) = 0;
    virtual void auftragBeenden() = 0;
    virtual void auftragVerwerfen() = 0;
    virtual void massstabGeaendert() {}
    // For a destructor that must drop an open job without the virtual hooks.
    void auftragVergessen() { auftrag_ = Auftrag::Keiner; }

private:
    bool ausgabeMoeglich();  // starts a job if needed; false while discarded
    void schriftGeaendert();
    const QFontMetricsF& metrik() const;

    float x_ = 0, y_ = 0;
    double scaleLeft_ = 0, scaleTop_ = 0;
    QString name_;
    double groesse_ = 0;
    bool fett_ = false, kursiv_ = false, unterstrichen_ = false;
    QFont font_;
    mutable std::optional<QFontMetricsF> metrik_;
    Auftrag auftrag_ = Auftrag::Keiner;
    int seite_ = 0;
};

}  // namespace hmz
