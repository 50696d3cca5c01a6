#include "statement/ergebnisexport.h"

#include "entry/formular.h"
#include "statement/stapellauf.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace hmz {

namespace {

const QStringList CsvKopf = {
    QStringLiteral("ObjNr"), QStringLiteral("Anschrift"), QStringLiteral("PLZ"), QStringLiteral("Ort"), QStringLiteral("Zeile"), QStringLiteral("Jahr"),
    QStringLiteral("Einnahmen"), QStringLiteral("Ausgaben"), QStringLiteral("HMZ ohne EHB"),
    QStringLiteral("vereinn.EHB"), QStringLiteral("HMZ mit EHB"), QStringLiteral("ATS HMZ ohne EHB"),
    QStringLiteral("ATS vereinn.EHB"),
};

QString csvBetrag(Currency c) { return exakterBetrag(c, QLatin1Char(',')); }

// A text field is quoted when it holds the separator, a quote or a line break.
QString csvText(QString s) {
    if (!s.contains(QLatin1Char(';')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')) &&
        !s.contains(QLatin1Char('\r')))
        return s;
    return QLatin1Char('"') + s.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

}  // namespace

QString exakterBetrag(Currency betrag, QChar komma) {
    QString s = betrag.toPlainString();  // four decimals and a point
    while (s.endsWith(QLatin1Char('0')) && s.size() - s.indexOf(QLatin1Char('.')) > 3) s.chop(1);
    s.replace(QLatin1Char('.'), komma);
    return s;
}

QByteArray alsCsv(const std::vector<ObjektErgebnis>& ergebnisse) {
    QStringList zeilen{CsvKopf.join(QLatin1Char(';'))};
    for (const auto& e : ergebnisse) {
        const QString nr = QStringList{QString::number(e.objNr), csvText(e.anschrift), csvText(e.plz), csvText(e.ort)}
                               .join(QLatin1Char(';'));
        zeilen << QStringList{nr, QStringLiteral("Abrechnung"), QString::number(e.jahr), csvBetrag(e.einnahmen),
                              csvBetrag(e.ausgaben), csvBetrag(e.reserve), csvBetrag(e.ehb),
                              csvBetrag(e.reserve + e.ehb), QString(), QString()}
                      .join(QLatin1Char(';'));
        for (const auto& j : e.jahre)
            zeilen << QStringList{nr, QStringLiteral("Jahr"), QString::number(j.jahr), QString(), QString(),
                                  csvBetrag(j.ohne), csvBetrag(j.ehb), csvBetrag(j.ohne + j.ehb),
                                  j.ats ? csvBetrag(j.atsOhne) : QString(), j.ats ? csvBetrag(j.atsEhb) : QString()}
                          .join(QLatin1Char(';'));
        zeilen << QStringList{nr, QStringLiteral("Summe"), QString(), QString(), QString(), csvBetrag(e.summeOhne),
                              csvBetrag(e.summeEhb), csvBetrag(e.summeOhne + e.summeEhb), QString(), QString()}
                      .join(QLatin1Char(';'));
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + (zeilen.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QByteArray alsJson(const std::vector<ObjektErgebnis>& ergebnisse) {
    QJsonArray objekte;
    for (const auto& e : ergebnisse) {
        QJsonArray jahre;
        for (const auto& j : e.jahre) {
            QJsonObject zeile{
                {QStringLiteral("Jahr"), j.jahr},
                {QStringLiteral("HmzOhneEhb"), exakterBetrag(j.ohne)},
                {QStringLiteral("VereinnEhb"), exakterBetrag(j.ehb)},
                {QStringLiteral("HmzMitEhb"), exakterBetrag(j.ohne + j.ehb)},
            };
            if (j.ats)
                zeile.insert(QStringLiteral("Ats"), QJsonObject{{QStringLiteral("HmzOhneEhb"), exakterBetrag(j.atsOhne)},
                                                                {QStringLiteral("VereinnEhb"), exakterBetrag(j.atsEhb)}});
            jahre.append(zeile);
        }
        objekte.append(QJsonObject{
            {QStringLiteral("ObjNr"), static_cast<qint64>(e.objNr)},
            {QStringLiteral("Anschrift"), e.anschrift},
            {QStringLiteral("Plz"), e.plz},
            {QStringLiteral("Ort"), e.ort},
            {QStringLiteral("Jahr"), e.jahr},
            {QStringLiteral("SummeEinnahmen"), exakterBetrag(e.einnahmen)},
            {QStringLiteral("SummeAusgaben"), exakterBetrag(e.ausgaben)},
            {QStringLiteral("HmzReserve"), exakterBetrag(e.reserve)},
            {QStringLiteral("SummeEhb"), exakterBetrag(e.ehb)},
            {QStringLiteral("HmzReserveMitEhb"), exakterBetrag(e.reserve + e.ehb)},
            {QStringLiteral("Jahre"), jahre},
            {QStringLiteral("SummeHmzOhneEhb"), exakterBetrag(e.summeOhne)},
            {QStringLiteral("SummeVereinnEhb"), exakterBetrag(e.summeEhb)},
            {QStringLiteral("SummeHmzMitEhb"), exakterBetrag(e.summeOhne + e.summeEhb)},
        });
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("Objekte"), objekte}}).toJson(QJsonDocument::Indented);
}

int ergebnisseBerechnen(const ExportAuftrag& auftrag, std::vector<ObjektErgebnis>& ergebnisse) {
    DruckAuftrag a;
    a.datenbank = auftrag.datenbank;
    a.vonObjNr = auftrag.vonObjNr;
    a.bisObjNr = auftrag.bisObjNr;
    a.abrVon = QStringLiteral("01.") + auftrag.jahr;
    a.abrBis = QStringLiteral("12.") + auftrag.jahr;
    a.nurRechnen = true;
    a.fortschritt = false;  // stdout may carry the data
    a.beiDifferenzWeiter = auftrag.beiDifferenzWeiter;
    a.abbruchSignal = auftrag.abbruchSignal;
    a.objektErgebnis = [&](const QString& objNrText, const ObjektZustand& o) {
        ObjektErgebnis e;
        e.objNr = objNrText.toLong();
        auto& obj = formular().OO_Data.recordset();  // still on this property
        const auto text = [&](const QString& name) {
            const Variant v = obj.Fields(name);
            return v.istNull() || v.istEmpty() ? QString() : v.toString();
        };
        e.anschrift = text(QStringLiteral("ObjAnschrift"));
        e.plz = text(QStringLiteral("ObjPlz"));
        e.ort = text(QStringLiteral("ObjOrt"));
        e.jahr = static_cast<int>(formular().AbrJahr);
        e.einnahmen = o.SummeEinnahmen;
        e.ausgaben = o.SummeAusgaben;
        e.reserve = o.HmzReserve;
        e.ehb = o.SummeEHB;
        e.jahre = o.Jahre;
        e.summeOhne = o.SummeHmzOhneEHB;
        e.summeEhb = o.SummeVereinnEHB;
        ergebnisse.push_back(std::move(e));
    };
    return druckAuftragAusfuehren(a);
}

namespace {

// The export's bytes on stdout, or in a file that is replaced whole (a
// synced hidden temporary file renamed over it) or left as it was. A device
// or pipe given as the file is written as it stands, never replaced.
// Returns the cause of a failure; empty when everything arrived.
QString schreiben(const QString& ziel, const QByteArray& daten) {
    const auto fehler = [](int nr) { return QString::fromLocal8Bit(std::strerror(nr ? nr : EIO)); };
    if (ziel.isEmpty()) {
        errno = 0;
        if (std::fwrite(daten.constData(), 1, static_cast<size_t>(daten.size()), stdout) == static_cast<size_t>(daten.size())
            && std::fflush(stdout) == 0)
            return {};
        const int nr = errno;
        std::clearerr(stdout);
        return QStringLiteral("Die Standardausgabe ist unvollständig: %1").arg(fehler(nr));
    }
    const QFileInfo info(ziel);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        QFile direkt(ziel);
        if (direkt.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && direkt.write(daten) == daten.size()) return {};
        return QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel, direkt.errorString());
    }
    QSaveFile datei(ziel);
    // Others get no access; the group keeps what the umask (or the replaced file) gives it.
    const auto andere = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (!datei.open(QIODevice::WriteOnly) || !datei.setPermissions(datei.permissions() & ~andere)
        || datei.write(daten) != daten.size() || !datei.commit())
        return QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel, datei.errorString());
    // The new name itself on disk, too.
    const int ordner = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int nr = ordner < 0 || ::fsync(ordner) == 0 ? 0 : errno;
    if (ordner >= 0) ::close(ordner);
    return nr ? QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(ziel, fehler(nr)) : QString();
}

}  // namespace

int ergebnisExportieren(const ExportAuftrag& auftrag) {
    std::vector<ObjektErgebnis> ergebnisse;
    const int status = ergebnisseBerechnen(auftrag, ergebnisse);
    if (status != 0) return status;
    const QString grund = schreiben(auftrag.ausgabe, auftrag.json ? alsJson(ergebnisse) : alsCsv(ergebnisse));
    if (grund.isEmpty()) return 0;
    std::fprintf(stderr, "hmzres: %s\n", qPrintable(grund));
    return 4;
}

}  // namespace hmz
