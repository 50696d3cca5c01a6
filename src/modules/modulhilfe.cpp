#include "modules/modulhilfe.h"

#include "dialog/frmhauptmzres.h"
#include "dialog/hilfe.h"

#include <QFileInfo>
#include <QShortcut>

namespace hmz::module {

void hilfeTaste(QWidget* fenster, const QString& anker) {
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), fenster);
    QObject::connect(f1, &QShortcut::activated, fenster, [anker] {
        // Without a help file the run dialog has reported that already.
        const QFileInfo datei(hilfe().HilfeDatei);
        if (datei.isFile()) frmHauptMzRes::hilfeOeffner()(hilfeZiel(datei.absoluteFilePath(), {anker}));
    });
}

}  // namespace hmz::module
