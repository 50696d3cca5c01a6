// Per-user enlargement of dialogs. "KMO-Settings.ini" in the profile folder
// (USERPROFILE, else the home folder) switches it on (Section1/Skalieren)
// and gives a step (Section2/SkFaktor); position, size and fonts of the
// dialog and of every control are multiplied by one factor.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace hmz {

struct SkalierEinstellung {
    QString skalieren;  // "Section1/Skalieren"
    QString skFaktor;   // "Section2/SkFaktor"
};

QString skalierIniPfad();
// At most 31 characters of each value are seen; missing keys read as empty.
SkalierEinstellung IniLesen();

// The factor for a screen `bildschirmBreite` pixels wide; nullopt when
// nothing is to be scaled (800-pixel screen, scaling switched off).
// A step that gives no whole number leaves the size as designed (1.0).
std::optional<double> skalierFaktor(const SkalierEinstellung& e, int bildschirmBreite);

// Width of the screen the widget is on, in pixels.
int bildschirmBreite(const QWidget* w);

// Scales `dialog` by the settings for the screen it is on. `breite`,
// `hoehe` and `extraFaktor` are what the callers hand over; they do not
// change the result.
void DialogSkalieren(QWidget* dialog, bool mitGroesse, bool mitSchrift, int breite = 0, int hoehe = 0,
                     double extraFaktor = 0);
// The same for a given screen width.
void DialogSkalierenBei(int bildschirmBreite, QWidget* dialog, bool mitGroesse, bool mitSchrift);
// Applies factor s: geometry of dialog and controls, fonts; "Small Fonts"
// controls take the dialog's font family.
void mitFaktorSkalieren(QWidget* dialog, double s, bool mitGroesse, bool mitSchrift);

}  // namespace hmz
