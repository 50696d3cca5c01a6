#include "dialogtest.h"

#include "dialog/dialogskalieren.h"

#include <QFile>
#include <QPushButton>

using namespace hmz;
using namespace hmz::test;

namespace {

void iniSchreiben(const QString& ordner, const QByteArray& inhalt) {
    QFile f(ordner + "/KMO-Settings.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

}  // namespace

TEST(DialogSkalieren, FactorFromTheSettingsAndTheScreenWidth) {
    struct Fall {
        const char *skalieren, *skFaktor;
        int breite;
        std::optional<double> s;
    };
    const Fall faelle[] = {
        {"0", "10", 1280, std::nullopt},    // switched off
        {"1", "10", 800, std::nullopt},     // never on an 800-pixel screen
        {"1", "10", 1280, 2.0},
        {"1", "3", 1024, 2.0},              // 30/3 = 10
        {"1", "2", 1280, 1.4},              // 20/5 = 4
        {"1", "2", 1152, 1.2},              // other widths keep the step
        {"1", "15", 1152, 1.15},
        {"1", "4", 1920, 1.5},              // 40/8 = 5
        {"1", "abc", 1152, 1.0},            // no step: design size
        {"1", "1", 1024, 1.0},              // 3.3333 is no whole step: design size
        {"1", "-5", 1152, 1.0},             // a negative step would shrink the dialog away
        {"1", "100000000000000", 1280, 1.0},  // k * 10 beyond any amount: design size, no error
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(std::string(f.skalieren) + "/" + f.skFaktor + "@" + std::to_string(f.breite));
        const auto s = skalierFaktor({f.skalieren, f.skFaktor}, f.breite);
        ASSERT_EQ(s.has_value(), f.s.has_value());
        if (s) {
            EXPECT_DOUBLE_EQ(*s, *f.s);
        }
    }
}

TEST_F(DialogTest, ScalingReadsTheProfileFolderAndScalesEverything) {
    // No settings file: the dialog keeps its design.
    auto& d = oeffnen();
    const QSize design = d.size();
    const QRect ok = d.cmdOK()->geometry();
    const double okSchrift = d.cmdOK()->font().pointSizeF();
    DialogSkalierenBei(1280, &d, true, true);
    EXPECT_EQ(d.size(), design);
    EXPECT_EQ(d.cmdSachbuch()->font().family(), "Small Fonts");

    iniSchreiben(profil.path(), "[Section1]\nSkalieren=1\n[Section2]\nSkFaktor=10\n");
    frmHauptMzRes z;
    z.setMinimumSize(0, 0);
    z.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    DialogSkalierenBei(1280, &z, true, true);
    EXPECT_EQ(z.size(), design * 2);
    EXPECT_EQ(z.cmdOK()->geometry(), QRect(ok.topLeft() * 2, ok.size() * 2));
    EXPECT_DOUBLE_EQ(z.cmdOK()->font().pointSizeF(), okSchrift * 2);

    // Step 0 leaves the sizes but the module buttons still leave "Small Fonts" for the dialog's font.
    iniSchreiben(profil.path(), "[Section1]\nSkalieren=1\n[Section2]\nSkFaktor=0\n");
    frmHauptMzRes dritter;
    dritter.setMinimumSize(0, 0);
    const QSize vorher = dritter.size();
    DialogSkalierenBei(1152, &dritter, true, true);
    EXPECT_EQ(dritter.size(), vorher);
    EXPECT_EQ(dritter.cmdKontenStamm()->font().family(), dritter.font().family());
}
