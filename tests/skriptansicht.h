// A scripted stand-in for the run dialog: fields are set by the test,
// messages are recorded and answered from a queue, focus and looks recorded.
#pragma once

#include "core/format.h"
#include "statement/laufansicht.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace hmz::test {

// Message boxes as a test sees them: recorded in order; a Yes/No question
// takes the next scripted answer, or the default button when none is left.
struct MeldungsSkript {
    std::vector<Meldung> meldungen;
    std::deque<Antwort> antworten;

    Antwort beantworten(const Meldung& m) {
        meldungen.push_back(m);
        if (m.knoepfe == Knoepfe::OK) return Antwort::OK;
        if (antworten.empty()) return m.standard;
        const Antwort a = antworten.front();
        antworten.pop_front();
        return a;
    }
};

class SkriptAnsicht : public LaufAnsicht, public MeldungsSkript {
public:
    std::vector<Feld> fokusVerlauf;
    std::vector<Aussehen> aussehenVerlauf;
    QStringList latsch;
    QString objAnz;
    int haken = 1;
    Variant felder[4];
    std::function<void()> beiEreignis;      // runs at every event point (e.g. to press cancel)
    std::function<bool()> beiAbbruchFrage = [] { return true; };

    void eingabe(const QString& von, const QString& bis, const QString& abrVon, const QString& abrBis) {
        felder[0] = von.isEmpty() ? Variant() : Variant::lng(von.toInt());
        felder[1] = bis.isEmpty() ? Variant() : Variant::lng(bis.toInt());
        felder[2] = format::monatsEingabe(abrVon);
        felder[3] = format::monatsEingabe(abrBis);
    }
    QString letzteMeldung() const { return meldungen.empty() ? QString() : meldungen.back().text; }

    Antwort melden(const Meldung& m) override { return beantworten(m); }
    void ereignisseVerarbeiten() override {
        if (beiEreignis) beiEreignis();
    }
    Variant feldWert(Feld f) const override { return felder[static_cast<int>(f)]; }
    void setzeFeldWert(Feld f, const Variant& w) override { felder[static_cast<int>(f)] = w; }
    void fokus(Feld f) override { fokusVerlauf.push_back(f); }
    int euroHaken() const override { return haken; }
    void setzeEuroHaken(int w) override { haken = w; }
    void setzeLatsch(const QString& t) override { latsch << t; }
    void setzeObjAnz(const QString& t) override { objAnz = t; }
    void aussehen(Aussehen a) override { aussehenVerlauf.push_back(a); }
    bool abbruchBestaetigen() override { return beiAbbruchFrage(); }
};

}  // namespace hmz::test
