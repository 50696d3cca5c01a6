// Screenshots of the dialog for the documentation. Run by hand under a real
// X server (the folder in HMZRES_BILDER, default docs/):
//   HMZRES_BILDER=docs xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb
//   ./build/hmzres_tests --gtest_also_run_disabled_tests --gtest_filter='*DISABLED_Bilder*'
#include "dialogtest.h"

#include "dialog/frmkill.h"

#include <QCheckBox>
#include <QProcess>
#include <QPushButton>

using namespace hmz;
using namespace hmz::test;

namespace {

void bildschirmFoto(const QString& datei) {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
    EXPECT_EQ(QProcess::execute("import", {"-window", "root", "-crop", "701x467+16+16", "+repage", datei}), 0);
}

}  // namespace

TEST_F(DialogTest, DISABLED_Bilder) {
    const QString ziel = qEnvironmentVariable("HMZRES_BILDER", "docs");
    auto& d = oeffnen();
    d.move(20, 20);
    d.feld(Feld::VonObjNr)->setText("1");
    d.feld(Feld::BisObjNr)->setText("500");
    d.feld(Feld::AbrVonDatum)->setText("01.03");
    d.feld(Feld::AbrBisDatum)->setText("12.03");
    d.chkEuroAusweisen()->setChecked(true);
    bildschirmFoto(ziel + "/dialog-idle.png");

    d.aussehen(Aussehen::Laeuft);
    d.setzeLatsch("Laufende Objekt-Nr: 00007");
    d.setzeObjAnz("6");
    bildschirmFoto(ziel + "/dialog-running.png");

    d.aussehen(Aussehen::Angehalten);
    beiModalemDialog([&](QWidget* w) {
        w->move(d.x() + 200, d.y() + 180);
        bildschirmFoto(ziel + "/dialog-frmkill.png");
        qobject_cast<frmKill*>(w)->cmdFortsetzen()->click();
    });
    d.abbruchBestaetigen();
}
