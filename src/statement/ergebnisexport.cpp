#include "statement/ergebnisexport.h"

#include "entry/formular.h"
#include "statement/stapellauf.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdio>

namespace hmz {

namespace {

const QStringList CsvKopf = {
    QStringLiteral("ObjNr"), QStringLiteral("Zeile"), QStringLiteral("Jahr"),
    QStringLiteral("Einnahmen"), QStringLiteral("Ausgaben"), QStringLiteral("HMZ ohne EHB"),
    QStringLiteral("vereinn.EHB"), QStringLiteral("HMZ mit EHB"), QStringLiteral("ATS HMZ ohne EHB"),
    QStringLiteral("ATS vereinn.EHB"),
};

QString csvBetrag(Currency c) { return exakterBetrag(c, QLatin1Char(',')); }

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
        const QString nr = QString::number(e.objNr);
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
                {QStringLiteral("HmzJahr"), j.jahr},
                {QStringLiteral("HmzHMZOhneEHB"), exakterBetrag(j.ohne)},
                {QStringLiteral("HmzVereinnEHB"), exakterBetrag(j.ehb)},
                {QStringLiteral("HmzMitEHB"), exakterBetrag(j.ohne + j.ehb)},
            };
            if (j.ats)
                zeile.insert(QStringLiteral("ATS"), QJsonObject{{QStringLiteral("HmzHMZOhneEHB"), exakterBetrag(j.atsOhne)},
                                                                {QStringLiteral("HmzVereinnEHB"), exakterBetrag(j.atsEhb)}});
            jahre.append(zeile);
        }
        objekte.append(QJsonObject{
            {QStringLiteral("ObjNr"), static_cast<qint64>(e.objNr)},
            {QStringLiteral("Jahr"), e.jahr},
            {QStringLiteral("SummeEinnahmen"), exakterBetrag(e.einnahmen)},
            {QStringLiteral("SummeAusgaben"), exakterBetrag(e.ausgaben)},
            {QStringLiteral("HmzReserve"), exakterBetrag(e.reserve)},
            {QStringLiteral("SummeEHB"), exakterBetrag(e.ehb)},
            {QStringLiteral("HmzReserveMitEHB"), exakterBetrag(e.reserve + e.ehb)},
            {QStringLiteral("Jahre"), jahre},
            {QStringLiteral("SummeHmzOhneEHB"), exakterBetrag(e.summeOhne)},
            {QStringLiteral("SummeVereinnEHB"), exakterBetrag(e.summeEhb)},
            {QStringLiteral("SummeHmzMitEHB"), exakterBetrag(e.summeOhne + e.summeEhb)},
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

int ergebnisExportieren(const ExportAuftrag& auftrag) {
    std::vector<ObjektErgebnis> ergebnisse;
    const int status = ergebnisseBerechnen(auftrag, ergebnisse);
    if (status != 0) return status;
    const QByteArray daten = auftrag.json ? alsJson(ergebnisse) : alsCsv(ergebnisse);
    if (auftrag.ausgabe.isEmpty()) {
        std::fwrite(daten.constData(), 1, static_cast<size_t>(daten.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : 4;
    }
    QSaveFile datei(auftrag.ausgabe);
    if (!datei.open(QIODevice::WriteOnly) || datei.write(daten) != daten.size() || !datei.commit()) {
        std::fprintf(stderr, "hmzres: cannot write %s: %s\n", qPrintable(auftrag.ausgabe), qPrintable(datei.errorString()));
        return 4;
    }
    return 0;
}

}  // namespace hmz
