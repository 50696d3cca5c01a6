// Help support of the run dialog: the help-context table the host hands
// over, the check of the help file, and the context of the active control.
// Widget-free: the dialog passes its active control as a QObject.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace hmz {

struct HilfeZustand {
    // Indexed from `untereGrenze`, like the host's array.
    std::vector<int> HilfeKontexte = std::vector<int>(201, 0);
    long untereGrenze = 0;
    bool HilfeKopieLaeuft = false;
    bool LadenAbgeschlossen = false;
    bool HilfeOK = false;
    QString HilfeDatei;  // the process's help file, set by HilfeAufrufChk
};

HilfeZustand& hilfe();

// Start-up step: a zero table 0..200, replaced by call-parameter element 60
// when that is an array of Integer. Anything else leaves the zero table.
void HilfeKontexteUebernehmen();

// Sets the help file from element 7 and checks that it exists; result in
// HilfeOK. Missing or empty files are reported with a message.
void HilfeAufrufChk();

// Gives the active control the dialog's help context (entry 65) once the
// dialog has finished loading; without a control it does nothing.
void HilfeKontextSetzen(QObject* aktivesControl);

// The help context a control carries (0 when none was set).
int hilfeKontext(const QObject* control);

// Where F1 leads in an HTML help: the first of the anchors (id or name) that
// the help file or another page beside it holds; else the help file itself.
QUrl hilfeZiel(const QString& datei, const QStringList& anker);

}  // namespace hmz
