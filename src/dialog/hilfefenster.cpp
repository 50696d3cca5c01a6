#include "dialog/hilfefenster.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>

namespace hmz {

bool hilfeFensterZeigen(const QUrl& ziel) {
    const QString endung = QFileInfo(ziel.toLocalFile()).suffix().toLower();
    if (!ziel.isLocalFile() || (endung != QLatin1String("html") && endung != QLatin1String("htm"))) return false;
    static QPointer<QTextBrowser> fenster;
    if (!fenster) {
        fenster = new QTextBrowser;
        fenster->setObjectName(QStringLiteral("hilfeFenster"));
        fenster->setAttribute(Qt::WA_DeleteOnClose);
        fenster->setOpenExternalLinks(true);
        fenster->setWindowTitle(QStringLiteral("Hilfe – Hauptmietzinsreserve-Abrechnung"));
        fenster->resize(760, 620);
    }
    fenster->setSource(ziel);
    fenster->show();
    fenster->raise();
    fenster->activateWindow();
    return true;
}

}  // namespace hmz
