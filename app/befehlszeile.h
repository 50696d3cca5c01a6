// What every hmzres command shares. A command is described once (usage,
// purpose, options with their help lines, required options) and this code
// derives from that its --help, the usage errors and the top-level help.
// Adding an option to a command means adding it to its description only.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The exit statuses of every command (README lists them).
namespace ausgang {
constexpr int Erledigt = 0;
constexpr int Abgelehnt = 1;      // a check of the run refused the input
constexpr int Nutzung = 2;        // wrong usage
constexpr int SHAbbruch = 3;      // stopped at the balance check
constexpr int Fehlschlag = 4;     // the database, the output or the printer failed
constexpr int Teilweise = 5;      // import-mdb: imported, but some values could not be converted
}  // namespace ausgang

class Befehlszeile;

struct Befehl {
    QString name;                        // "print"
    QString aufruf;                      // what follows "hmzres print"; lines after the first are continued
    QString zweck;                       // a sentence or two for --help
    QList<QCommandLineOption> optionen;  // --help and -h are added to every command
    QStringList pflicht;                 // options that must be given, in the order they are asked for
    bool fenster = false;                // needs a display and widgets (dialog)
    std::function<int(const Befehlszeile&)> ausfuehren;
    QStringList arten;                   // the word that must follow the command ("list properties"); empty: none
};

// The parsed command line of one command.
class Befehlszeile {
public:
    explicit Befehlszeile(const Befehl& befehl);

    // Parses; with a status when the command is done already: 0 after
    // --help, 2 after a usage error (both printed).
    std::optional<int> lesen(const QStringList& argumente);

    bool isSet(const QString& option) const { return parser_.isSet(option); }
    QString value(const QString& option) const { return parser_.value(option); }
    QString art() const { return parser_.positionalArguments().value(0); }

    // A usage error: the reason and the usage on stderr; returns 2.
    int falsch(const QString& grund) const;
    // A failure: "hmzres <command>: <text>" on stderr; returns 4.
    int fehlschlag(const QString& text) const;

private:
    const Befehl& befehl_;
    QCommandLineParser parser_;
};

// "usage: hmzres print ..." with continuation lines indented.
QString aufrufText(const Befehl& b);
// The usage, the purpose and one line per option.
QString hilfeText(const Befehl& b);
