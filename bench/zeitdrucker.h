// A printer that forwards every call to the real one and adds up the time
// spent inside it: that is the rendering share of a run (measuring, drawing,
// PDF writing); the rest of the run's wall time is database work and the
// engine itself.
#pragma once

#include "report/drucker.h"

#include <chrono>
#include <memory>

namespace hmz::bench {

// Kept by the caller: the printer itself goes away with the run.
struct DruckMessung {
    using Dauer = std::chrono::steady_clock::duration;
    Dauer zeit{};       // all calls
    Dauer messen{};     // TextWidth, TextHeight
    Dauer zeichnen{};   // Print, Line, NewPage
    Dauer abschluss{};  // EndDoc, KillDoc
    long aufrufe = 0, messungen = 0, texte = 0;
};

class ZeitDrucker : public Drucker {
public:
    using Uhr = std::chrono::steady_clock;

    ZeitDrucker(std::unique_ptr<Drucker> echt, DruckMessung& m) : besitz_(std::move(echt)), echt_(besitz_.get()), m_(m) {}
    // Forwards to a printer that the caller keeps.
    ZeitDrucker(Drucker& echt, DruckMessung& m) : echt_(&echt), m_(m) {}

private:
    template <class F>
    auto mit(F&& f, DruckMessung::Dauer DruckMessung::*teil = nullptr) const {
        ++m_.aufrufe;
        struct Stopp {
            DruckMessung& m;
            DruckMessung::Dauer DruckMessung::*teil;
            Uhr::time_point start = Uhr::now();
            ~Stopp() {
                const auto d = Uhr::now() - start;
                m.zeit += d;
                if (teil) m.*teil += d;
            }
        } stopp{m_, teil};
        return f();
    }

public:
    QString DeviceName() const override { return mit([&] { return echt_->DeviceName(); }); }
    float CurrentX() const override { return mit([&] { return echt_->CurrentX(); }); }
    float CurrentY() const override { return mit([&] { return echt_->CurrentY(); }); }
    void setCurrentX(float x) override { mit([&] { echt_->setCurrentX(x); }); }
    void setCurrentY(float y) override { mit([&] { echt_->setCurrentY(y); }); }
    double ScaleLeft() const override { return mit([&] { return echt_->ScaleLeft(); }); }
    double ScaleTop() const override { return mit([&] { return echt_->ScaleTop(); }); }
    void setScaleLeft(double mm) override { mit([&] { echt_->setScaleLeft(mm); }); }
    void setScaleTop(double mm) override { mit([&] { echt_->setScaleTop(mm); }); }
    QString FontName() const override { return mit([&] { return echt_->FontName(); }); }
    double FontSize() const override { return mit([&] { return echt_->FontSize(); }); }
    bool FontBold() const override { return mit([&] { return echt_->FontBold(); }); }
    bool FontItalic() const override { return mit([&] { return echt_->FontItalic(); }); }
    bool FontUnderline() const override { return mit([&] { return echt_->FontUnderline(); }); }
    void setFontName(const QString& n) override { mit([&] { echt_->setFontName(n); }); }
    void setFontSize(double p) override { mit([&] { echt_->setFontSize(p); }); }
    void setFontBold(bool an) override { mit([&] { echt_->setFontBold(an); }); }
    void setFontItalic(bool an) override { mit([&] { echt_->setFontItalic(an); }); }
    void setFontUnderline(bool an) override { mit([&] { echt_->setFontUnderline(an); }); }
    double TextWidth(const QString& t) const override {
        ++m_.messungen;
        return mit([&] { return echt_->TextWidth(t); }, &DruckMessung::messen);
    }
    double TextHeight(const QString& t) const override {
        ++m_.messungen;
        return mit([&] { return echt_->TextHeight(t); }, &DruckMessung::messen);
    }
    void Print(const QString& t, bool offen) override {
        ++m_.texte;
        mit([&] { echt_->Print(t, offen); }, &DruckMessung::zeichnen);
    }
    void Line(double x1, double y1, double x2, double y2) override {
        mit([&] { echt_->Line(x1, y1, x2, y2); }, &DruckMessung::zeichnen);
    }
    void NewPage() override { mit([&] { echt_->NewPage(); }, &DruckMessung::zeichnen); }
    void EndDoc() override { mit([&] { echt_->EndDoc(); }, &DruckMessung::abschluss); }
    void KillDoc() override { mit([&] { echt_->KillDoc(); }, &DruckMessung::abschluss); }
    void AuftragFreigeben() override { mit([&] { echt_->AuftragFreigeben(); }); }
    void DokumentBeginnen(const QString& n) override { mit([&] { echt_->DokumentBeginnen(n); }); }

private:
    std::unique_ptr<Drucker> besitz_;
    Drucker* echt_;
    DruckMessung& m_;
};

}  // namespace hmz::bench
