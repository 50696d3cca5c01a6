// A printer that keeps what would reach the paper as a display list: texts
// with position and font, rules, page starts, and how each job ended. It
// measures exactly like the Qt printer (same base), so layout tests read the
// list instead of pixels, and golden tests compare its plain-text dump.
#pragma once

#include "report/druckerbasis.h"

#include <QString>
#include <vector>

namespace hmz {

struct AufzeichnungsEintrag {
    enum class Art {
        Massstab,   // x = ScaleLeft, y = ScaleTop from here on
        Seite,      // a page starts; seite = its number in the job (1 = job start)
        Text,       // text at (x, y), its top edge, in the font given
        Linie,      // rule from (x, y) to (x2, y2)
        Ende,       // EndDoc handed the job over
        Verworfen,  // KillDoc discarded the job
    };
    Art art = Art::Text;
    double x = 0, y = 0, x2 = 0, y2 = 0;
    int seite = 0;
    QString text;
    QString schrift;
    double groesse = 0;
    bool fett = false, kursiv = false, unterstrichen = false;
};

using Aufzeichnung = std::vector<AufzeichnungsEintrag>;

// The entries for each output, as every recording printer writes them: the
// text in the printer's current font, the scale as it stands now.
namespace eintrag {
AufzeichnungsEintrag seite(int nr);
AufzeichnungsEintrag text(const Drucker& d, double x, double y, const QString& text);
AufzeichnungsEintrag linie(double x1, double y1, double x2, double y2);
AufzeichnungsEintrag massstab(const Drucker& d);
AufzeichnungsEintrag nur(AufzeichnungsEintrag::Art art);  // Ende, Verworfen
}  // namespace eintrag

class AufzeichnungsDrucker : public DruckerBasis {
public:
    explicit AufzeichnungsDrucker(QString name = QStringLiteral("Aufzeichnung"));

    QString DeviceName() const override { return name_; }

    const Aufzeichnung& eintraege() const { return liste_; }
    void leeren() { liste_.clear(); }
    // One line per entry, numbers in mm with two decimals:
    //   scale -10.00 -5.00
    //   page 1
    //   text 0.00 12.25 Arial 9.00 b-u "Konto"
    //   line 0.00 30.50 183.00 30.50
    //   end | discarded
    QString dump() const { return alsText(liste_); }
    static QString alsText(const Aufzeichnung& liste);

protected:
    void auftragStarten() override;
    void seiteNeu() override;
    void textAusgeben(double x, double y, const QString& text) override;
    void linieAusgeben(double x1, double y1, double x2, double y2) override;
    void auftragBeenden() override;
    void auftragVerwerfen() override;
    void massstabGeaendert() override;

private:
    QString name_;
    Aufzeichnung liste_;
};

// Draws a recorded display list onto another printer (a PDF, say) with no
// other work: fonts, positions, rules, page breaks and job endings as recorded.
void abspielen(const Aufzeichnung& liste, Drucker& ziel);
void abspielen(const AufzeichnungsEintrag* von, const AufzeichnungsEintrag* bis, Drucker& ziel);

}  // namespace hmz
