// The server's names: libpq URIs. What they mean (host, port, database,
// schema) is read by libpq's own parser, so that two spellings of one
// database are recognised and a name can be shown without its password.
#include "store/speicher.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <memory>

#include <libpq-fe.h>

namespace hmz::db {

namespace {

struct OptionenFrei {
    void operator()(PQconninfoOption* o) const { PQconninfoFree(o); }
};
using Optionen = std::unique_ptr<PQconninfoOption, OptionenFrei>;

// Null when libpq cannot read the name.
Optionen zerlegen(const QString& name) {
    char* fehler = nullptr;
    Optionen o(PQconninfoParse(name.toUtf8().constData(), &fehler));
    PQfreemem(fehler);
    return o;
}

QString wert(const PQconninfoOption* o, const char* schluessel) {
    for (; o && o->keyword; ++o)
        if (qstrcmp(o->keyword, schluessel) == 0 && o->val) return QString::fromUtf8(o->val);
    return {};
}

// The schema a "-c search_path=..." in the options selects first.
QString suchpfad(const QString& optionen) {
    static const QRegularExpression re(QStringLiteral(R"((?:-c\s*|--)search_path\s*=\s*(\S+))"));
    QString s = re.match(optionen).captured(1).replace(QStringLiteral("\\"), QString()).section(u',', 0, 0).trimmed();
    if (s.size() > 1 && s.startsWith(u'"') && s.endsWith(u'"')) return s.mid(1, s.size() - 2);
    return s.toLower();  // unquoted names are folded
}

}  // namespace

bool istServerName(const QString& name) {
    return name.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString passwortTilgen(QString text) {
    // Greedy up to the last "@": a password may hold characters libpq stops at.
    static const QRegularExpression anmeldung(QStringLiteral(R"((://[^:/@\s"]*):\S*@)"));
    static const QRegularExpression parameter(QStringLiteral(R"((password\s*=\s*)('[^']*'|[^&\s"]*))"),
                                              QRegularExpression::CaseInsensitiveOption);
    text.replace(anmeldung, QStringLiteral("\\1@"));
    text.replace(parameter, QStringLiteral("\\1***"));
    return text;
}

QString serverAnzeigename(const QString& name) {
    const Optionen o = zerlegen(name);
    if (!o) return passwortTilgen(name);
    QString benutzer, host, port, datenbank;
    QStringList rest;
    for (const PQconninfoOption* p = o.get(); p->keyword; ++p) {
        if (!p->val || !*p->val) continue;
        const QByteArray k = p->keyword;
        const QString v = QString::fromUtf8(p->val);
        if (k == "password") continue;
        if (k == "user") benutzer = v;
        else if (k == "host" && !v.startsWith(u'/')) host = v.contains(u':') ? u'[' + v + u']' : v;
        else if (k == "port") port = v;
        else if (k == "dbname") datenbank = v;
        else rest << QString::fromUtf8(k + '=' + QUrl::toPercentEncoding(v, "=-,/:"));
    }
    QString out = QStringLiteral("postgresql://");
    if (!benutzer.isEmpty()) out += QString::fromUtf8(QUrl::toPercentEncoding(benutzer)) + u'@';
    out += host;
    if (!port.isEmpty()) out += u':' + port;
    if (!datenbank.isEmpty()) out += u'/' + QString::fromUtf8(QUrl::toPercentEncoding(datenbank));
    if (!rest.isEmpty()) out += u'?' + rest.join(u'&');
    return out;
}

QString serverIdentitaet(const QString& name) {
    const Optionen o = zerlegen(name);
    if (!o) return {};
    Optionen vorgaben(PQconndefaults());  // the environment's PGHOST, PGPORT ... and libpq's own
    const auto gilt = [&](const char* k) {
        const QString v = wert(o.get(), k);
        return v.isEmpty() ? wert(vorgaben.get(), k) : v;
    };
    QString host = wert(o.get(), "hostaddr");
    if (host.isEmpty()) host = gilt("host");
    QString datenbank = gilt("dbname");
    if (datenbank.isEmpty()) datenbank = gilt("user");
    QString port = gilt("port");
    if (port.isEmpty()) port = QStringLiteral("5432");
    // A service file names the place itself; it is read only when connecting.
    return QStringList{wert(o.get(), "service"), host.toLower(), port, datenbank, suchpfad(gilt("options"))}.join(u'\n');
}

}  // namespace hmz::db
