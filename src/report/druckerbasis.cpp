#include "report/druckerbasis.h"

#include <QBuffer>
#include <QPdfWriter>

#include <mutex>

namespace hmz {

QPaintDevice& DruckerBasis::messGeraet() {
    // A PDF writer writes nothing until a painter begins on it; the buffer
    // only satisfies its constructor. Never destroyed: fonts may be measured
    // until the very end of the process.
    static QBuffer* puffer = new QBuffer;
    static QPdfWriter* geraet = [] {
        auto* w = new QPdfWriter(puffer);
        w->setResolution(static_cast<int>(Aufloesung));
        return w;
    }();
    return *geraet;
}

DruckerBasis::DruckerBasis() {
    // A fresh printer object: the platform's default font until someone sets one.
    name_ = QStringLiteral("Arial");
    groesse_ = 10;
    schriftGeaendert();
}

void DruckerBasis::setScaleLeft(double mm) {
    if (mm == scaleLeft_) return;
    scaleLeft_ = mm;
    massstabGeaendert();
}

void DruckerBasis::setScaleTop(double mm) {
    if (mm == scaleTop_) return;
    scaleTop_ = mm;
    massstabGeaendert();
}

void DruckerBasis::setFontName(const QString& name) {
    name_ = name;
    schriftGeaendert();
}

void DruckerBasis::setFontSize(double punkt) {
    groesse_ = punkt;
    schriftGeaendert();
}

void DruckerBasis::setFontBold(bool an) {
    fett_ = an;
    schriftGeaendert();
}

void DruckerBasis::setFontItalic(bool an) {
    kursiv_ = an;
    schriftGeaendert();
}

void DruckerBasis::setFontUnderline(bool an) {
    unterstrichen_ = an;
    schriftGeaendert();
}

void DruckerBasis::schriftGeaendert() {
    QFont f(name_);
    f.setPointSizeF(groesse_);
    f.setBold(fett_);
    f.setItalic(kursiv_);
    f.setUnderline(unterstrichen_);
    // Exact advances: no hinting towards device pixels.
    f.setHintingPreference(QFont::PreferNoHinting);
    font_ = f;
    metrik_.reset();
}

const QFontMetricsF& DruckerBasis::metrik() const {
    if (!metrik_) {
        // One device for the run's thread and the printer's worker: asking it
        // for its resolution is not thread-safe.
        static std::mutex geraetSperre;
        std::lock_guard<std::mutex> lock(geraetSperre);
        metrik_.emplace(font_, &messGeraet());
    }
    return *metrik_;
}

double DruckerBasis::TextWidth(const QString& text) const {
    return metrik().horizontalAdvance(text) * mmProPunkt();
}

double DruckerBasis::TextHeight(const QString&) const { return metrik().height() * mmProPunkt(); }

double DruckerBasis::Ascent() const { return metrik().ascent() * mmProPunkt(); }

bool DruckerBasis::ausgabeMoeglich() {
    switch (auftrag_) {
    case Auftrag::Offen:
        return true;
    case Auftrag::Verworfen:
        return false;
    case Auftrag::Keiner:
        auftragStarten();
        auftrag_ = Auftrag::Offen;
        seite_ = 1;
        return true;
    }
    return false;
}

void DruckerBasis::Print(const QString& text, bool zeileOffen) {
    if (ausgabeMoeglich() && !text.isEmpty()) textAusgeben(x_, y_, text);
    if (zeileOffen) {
        x_ = static_cast<float>(x_ + TextWidth(text));
    } else {
        x_ = static_cast<float>(scaleLeft_);
        y_ = static_cast<float>(y_ + TextHeight(text));
    }
}

void DruckerBasis::textSetzen(double x, double y, const QString& text) {
    if (ausgabeMoeglich() && !text.isEmpty()) textAusgeben(x, y, text);
}

void DruckerBasis::Line(double x1, double y1, double x2, double y2) {
    if (ausgabeMoeglich()) linieAusgeben(x1, y1, x2, y2);
}

void DruckerBasis::NewPage() {
    if (ausgabeMoeglich()) {
        seiteNeu();
        ++seite_;
    }
    x_ = static_cast<float>(scaleLeft_);
    y_ = static_cast<float>(scaleTop_);
}

void DruckerBasis::EndDoc() {
    if (auftrag_ == Auftrag::Offen) {
        // The job counts as gone even if handing it over fails.
        auftrag_ = Auftrag::Keiner;
        seite_ = 0;
        auftragBeenden();
    }
    x_ = static_cast<float>(scaleLeft_);
    y_ = static_cast<float>(scaleTop_);
}

void DruckerBasis::KillDoc() {
    const bool offen = auftrag_ == Auftrag::Offen;
    auftrag_ = Auftrag::Verworfen;
    seite_ = 0;
    if (offen) auftragVerwerfen();
    x_ = static_cast<float>(scaleLeft_);
    y_ = static_cast<float>(scaleTop_);
}

void DruckerBasis::AuftragFreigeben() {
    if (auftrag_ == Auftrag::Verworfen) auftrag_ = Auftrag::Keiner;
}

}  // namespace hmz
