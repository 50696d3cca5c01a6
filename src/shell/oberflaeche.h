// What the engine asks of a user interface. The run dialog, the command line
// and the tests each provide one; the engine never includes a widget header.
#pragma once

#include <QString>

namespace hmz {

enum class Knoepfe { OK, JaNein };
enum class Symbol { Keines, Stopp };
enum class Antwort { OK, Ja, Nein };

struct Meldung {
    QString text;
    QString titel;  // empty: the application's default title
    Knoepfe knoepfe = Knoepfe::OK;
    Symbol symbol = Symbol::Keines;
    Antwort standard = Antwort::OK;  // the default button
};

class Oberflaeche {
public:
    virtual ~Oberflaeche() = default;
    // A message box; returns the button the user pressed.
    virtual Antwort melden(const Meldung& m) = 0;
    // Lets pending window events through (the cancel button acts here).
    virtual void ereignisseVerarbeiten() {}
    // Busy pointer on or off.
    virtual void sanduhr(bool /*an*/) {}
};

// The process-wide user interface; by default one that answers every
// question with its default button and writes messages to stderr.
Oberflaeche& ui();
void setzeOberflaeche(Oberflaeche* o);  // nullptr restores the default

}  // namespace hmz
