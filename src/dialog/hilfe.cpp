#include "dialog/hilfe.h"

#include "core/fehler.h"
#include "shell/oberflaeche.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace hmz {

namespace {
const char* const KontextEigenschaft = "HelpContextID";
constexpr long DialogKontext = 65;
}  // namespace

HilfeZustand& hilfe() {
    static HilfeZustand h;
    return h;
}

void HilfeKontexteUebernehmen() {
    auto& h = hilfe();
    h.HilfeKontexte.assign(201, 0);
    h.untereGrenze = 0;
    h.HilfeKopieLaeuft = true;
    try {
        const VariantArray& quelle = aufruf().AufrufParameter.at(60).toArray();
        std::vector<int> kopie;
        kopie.reserve(quelle.elemente.size());
        for (const Variant& v : quelle.elemente) {
            if (v.typ() != VarTyp::Integer) wirfTypFehler();
            kopie.push_back(v.toInteger());
        }
        h.HilfeKontexte = std::move(kopie);
        h.untereGrenze = quelle.untereGrenze;
    } catch (const Fehler&) {
        // A missing or mistyped table is no reason to bother the user.
    }
    h.HilfeKopieLaeuft = false;
}

void HilfeAufrufChk() {
    static const QString quelle = QStringLiteral("kmo..., in mdlFehlerKM, HilfeAufrufChk");
    static const QString crlf = QStringLiteral("\r\n");
    auto& h = hilfe();
    h.HilfeOK = true;
    mitMeldung(quelle, [&] { h.HilfeDatei = aufruf().AufrufParameter.at(7).toString(); });
    mitMeldung(quelle, [&] {
        if (h.HilfeDatei.isEmpty()) {
            ui().melden({QStringLiteral("Die Definition für den App.Helpfile = leer") + crlf +
                         QStringLiteral("Es kann keine Onlinehilfe angezeigt werden !")});
            h.HilfeOK = false;
        } else if (!QFileInfo(h.HilfeDatei).isFile()) {
            ui().melden({QStringLiteral("Die Hilfedatei (App.HelpFile) ") + h.HilfeDatei +
                         QStringLiteral(" ist nicht auffindbar.") + crlf +
                         QStringLiteral("Es kann keine Onlinehilfe angezeigt werden !")});
            h.HilfeOK = false;
        }
    });
}

void HilfeKontextSetzen(QObject* aktivesControl) {
    const auto& h = hilfe();
    if (!h.LadenAbgeschlossen || !aktivesControl) return;
    const long i = DialogKontext - h.untereGrenze;
    // A host table too short for the entry leaves the context as it is.
    if (i < 0 || i >= static_cast<long>(h.HilfeKontexte.size())) return;
    aktivesControl->setProperty(KontextEigenschaft, h.HilfeKontexte[static_cast<std::size_t>(i)]);
}

int hilfeKontext(const QObject* control) {
    return control ? control->property(KontextEigenschaft).toInt() : 0;
}

QUrl hilfeZiel(const QString& datei, const QStringList& anker) {
    const QFileInfo start(datei);
    const QStringList html{QStringLiteral("html"), QStringLiteral("htm")};
    if (!html.contains(start.suffix().toLower())) return QUrl::fromLocalFile(start.absoluteFilePath());
    QStringList seiten{start.absoluteFilePath()};
    for (const QFileInfo& f : start.dir().entryInfoList({QStringLiteral("*.html"), QStringLiteral("*.htm")}, QDir::Files, QDir::Name))
        if (f.absoluteFilePath() != seiten.first()) seiten << f.absoluteFilePath();
    QStringList texte;
    for (const QString& seite : seiten) {
        QFile f(seite);
        texte << (f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString());
    }
    for (const QString& a : anker) {
        if (a.isEmpty()) continue;
        const QRegularExpression muster(QStringLiteral("\\b(id|name)=\"%1\"").arg(QRegularExpression::escape(a)));
        for (qsizetype i = 0; i < seiten.size(); ++i) {
            if (!texte.at(i).contains(muster)) continue;
            QUrl ziel = QUrl::fromLocalFile(seiten.at(i));
            ziel.setFragment(a);
            return ziel;
        }
    }
    return QUrl::fromLocalFile(start.absoluteFilePath());
}

}  // namespace hmz
