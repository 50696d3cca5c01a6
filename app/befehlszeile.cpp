#include "befehlszeile.h"

#include "store/datenzugriff.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace {

const QCommandLineOption HilfeOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("diese Hilfe"));

QString optionsName(const QCommandLineOption& o) {
    QStringList namen;
    for (const QString& n : o.names()) namen << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString text = namen.join(QStringLiteral(", "));
    if (!o.valueName().isEmpty()) text += QLatin1Char(' ') + o.valueName();
    return text;
}

// QCommandLineParser speaks English and no translator exists before the application.
QString parserFehler(const QCommandLineParser& p) {
    if (const QStringList u = p.unknownOptionNames(); !u.isEmpty())
        return QStringLiteral("unbekannte Option '%1%2'").arg(u.first().size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), u.first());
    static const QRegularExpression genannt(QStringLiteral("'([^']*)'"));
    const QString option = genannt.match(p.errorText()).captured(1);
    if (p.errorText().startsWith(QLatin1String("Missing value"))) return QStringLiteral("nach '%1' fehlt der Wert").arg(option);
    if (p.errorText().startsWith(QLatin1String("Unexpected value"))) return QStringLiteral("'%1' nimmt keinen Wert").arg(option);
    return p.errorText();
}

}  // namespace

QString aufrufText(const Befehl& b) {
    const QString anfang = QStringLiteral("Aufruf: hmzres %1 ").arg(b.name);
    QString text = b.aufruf.isEmpty() ? anfang.trimmed() : anfang + b.aufruf;
    text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(anfang.size(), QLatin1Char(' ')));
    return text + QLatin1Char('\n');
}

QString hilfeText(const Befehl& b) {
    QList<QCommandLineOption> alle = b.optionen;
    alle << HilfeOption;
    qsizetype breite = 0;
    for (const auto& o : alle) breite = std::max(breite, optionsName(o).size());
    QString text = aufrufText(b) + b.zweck + QStringLiteral("\n\n");
    for (const auto& o : alle)
        text += QStringLiteral("  %1  %2\n")
                    .arg(optionsName(o), -static_cast<int>(breite))
                    .arg(QString(o.description()).replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(breite + 4, QLatin1Char(' '))));
    return text + QStringLiteral("\nJede Option höchstens einmal; ein Wert beginnt nie mit -- (eine Datei dieses Namens: ./--name).\n"
                                 "Status: 0 erledigt, 1 eine Prüfung hat die Eingabe abgelehnt, 2 falscher Aufruf,\n"
                                 "3 bei der Soll/Haben-Prüfung angehalten, 4 Fehler der Datenbank, der Ausgabe oder des Druckers.\n");
}

Befehlszeile::Befehlszeile(const Befehl& befehl) : befehl_(befehl) {
    parser_.addOptions(befehl.optionen);
    parser_.addOption(HilfeOption);
}

std::optional<int> Befehlszeile::lesen(const QStringList& argumente) {
    if (!parser_.parse(QStringList{QStringLiteral("hmzres")} + argumente)) return falsch(parserFehler(parser_));
    if (parser_.isSet(HilfeOption)) {
        std::fputs(qPrintable(hilfeText(befehl_)), stdout);
        return ausgang::Erledigt;
    }
    // The last of two would win in silence, and an option where a value
    // belongs was a value forgotten: both are refused, not guessed.
    QStringList gesehen;
    for (const QString& n : parser_.optionNames()) {
        const auto o = std::find_if(befehl_.optionen.cbegin(), befehl_.optionen.cend(),
                                    [&](const QCommandLineOption& k) { return k.names().contains(n); });
        if (o == befehl_.optionen.cend()) continue;
        const QString name = o->names().first();
        if (gesehen.contains(name)) return falsch(QStringLiteral("--%1 ist mehrfach angegeben; jede Option nur einmal").arg(name));
        gesehen << name;
        if (!o->valueName().isEmpty() && parser_.value(name).startsWith(QLatin1String("--")))
            return falsch(QStringLiteral("--%1 braucht %2, nicht die Option '%3'").arg(name, o->valueName(), parser_.value(name)));
    }
    const QStringList woerter = parser_.positionalArguments();
    if (!befehl_.arten.isEmpty() && woerter.isEmpty())
        return falsch(QStringLiteral("nach dem Befehl fehlt eines von %1").arg(befehl_.arten.join(QLatin1Char('|'))));
    if (!befehl_.arten.isEmpty() && !befehl_.arten.contains(woerter.first()))
        return falsch(QStringLiteral("'%1' ist keine der Möglichkeiten %2").arg(woerter.first(), befehl_.arten.join(QLatin1Char('|'))));
    if (woerter.size() > (befehl_.arten.isEmpty() ? 0 : 1))
        return falsch(QStringLiteral("unerwartetes Argument '%1'").arg(woerter.last()));
    for (const QString& name : befehl_.pflicht)
        if (!parser_.isSet(name)) return falsch(QStringLiteral("--%1 fehlt").arg(name));
    // An empty value ("--pdf ''") is never what was meant: a script lost a variable.
    for (const auto& o : befehl_.optionen)
        if (!o.valueName().isEmpty() && parser_.isSet(o.names().first()) && parser_.value(o.names().first()).isEmpty())
            return falsch(QStringLiteral("--%1 braucht %2, keinen leeren Text").arg(o.names().first(), o.valueName()));
    // A folder where a file belongs: refused before the command makes or replaces anything.
    for (const auto& o : befehl_.optionen) {
        const QString name = o.names().first(), wert = parser_.value(name);
        if ((o.valueName() == QLatin1String("DATEI") || o.valueName() == QLatin1String("DB")) && !wert.isEmpty() &&
            !hmz::db::Engine::IstServer(wert) && QFileInfo(wert).isDir())
            return falsch(QStringLiteral("--%1: '%2' ist ein Ordner, keine Datei").arg(name, wert));
    }
    return std::nullopt;
}

int Befehlszeile::falsch(const QString& grund) const {
    std::fprintf(stderr, "hmzres %s: %s\n%s", qPrintable(befehl_.name), qPrintable(grund), qPrintable(aufrufText(befehl_)));
    return ausgang::Nutzung;
}

int Befehlszeile::fehlschlag(const QString& text) const {
    std::fprintf(stderr, "hmzres %s: %s\n", qPrintable(befehl_.name), qPrintable(text));
    return ausgang::Fehlschlag;
}
