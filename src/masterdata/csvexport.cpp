#include "masterdata/csv.h"
#include "masterdata/stammdaten.h"

#include "entry/zustand.h"
#include "store/datenzugriff.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>
#include <memory>

namespace hmz::stamm {

namespace {

QString auswahl(const CsvExport& a, QStringList& bedingungen) {
    const auto& sp = spalten(a.tabelle);
    QStringList namen;
    for (const auto& s : sp) namen << s.name;
    const QString objSpalte = a.tabelle == Tabelle::Objekte     ? QStringLiteral("ObjNummer")
                              : a.tabelle == Tabelle::Buchungen  ? QStringLiteral("BuObjNr")
                              : a.tabelle == Tabelle::Ergebnisse ? QStringLiteral("HmzObjNr")
                                                                 : QString();
    if (!objSpalte.isEmpty() && a.von) bedingungen << QStringLiteral("%1 >= %2").arg(objSpalte).arg(*a.von);
    if (!objSpalte.isEmpty() && a.bis) bedingungen << QStringLiteral("%1 <= %2").arg(objSpalte).arg(*a.bis);
    if (a.jahr && a.tabelle == Tabelle::Konten) bedingungen << QStringLiteral("KontoJJ = %1").arg(*a.jahr);
    if (a.jahr && a.tabelle == Tabelle::Ergebnisse) bedingungen << QStringLiteral("HmzJahr = %1").arg(*a.jahr);
    QString sql = QStringLiteral("SELECT ") + namen.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                  tabellenName(a.tabelle, a.jahr.value_or(0));
    if (!bedingungen.isEmpty()) sql += QStringLiteral(" WHERE ") + bedingungen.join(QStringLiteral(" AND "));
    const QStringList sch = schluessel(a.tabelle);
    if (!sch.isEmpty()) sql += QStringLiteral(" ORDER BY ") + sch.join(QStringLiteral(", "));
    return sql;
}

}  // namespace

int csvExportieren(const CsvExport& a) {
    const auto fehlschlag = [](const QString& text) {
        std::fprintf(stderr, "hmzres export-csv: %s\n", qPrintable(text));
        return 4;
    };
    const auto& sp = spalten(a.tabelle);
    const bool waehrung = a.tabelle == Tabelle::Ergebnisse;
    std::unique_ptr<QFileDevice> ziel;
    const QFileInfo info(a.ausgabe);
    if (a.ausgabe.isEmpty()) {
        auto f = std::make_unique<QFile>();
        if (!f->open(stdout, QIODevice::WriteOnly)) return fehlschlag(QStringLiteral("Die Standardausgabe ist nicht beschreibbar."));
        ziel = std::move(f);
    } else if (info.exists() && !info.isFile()) {
        ziel = std::make_unique<QFile>(a.ausgabe);  // a device or pipe is written as it stands
        if (!ziel->open(QIODevice::WriteOnly))
            return fehlschlag(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(a.ausgabe, ziel->errorString()));
    } else {
        ziel = std::make_unique<QSaveFile>(a.ausgabe);
        const auto andere = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        if (!ziel->open(QIODevice::WriteOnly) || !ziel->setPermissions(ziel->permissions() & ~andere))
            return fehlschlag(QStringLiteral("%1 kann nicht geschrieben werden: %2 (Ordner und Rechte prüfen)")
                                  .arg(a.ausgabe, ziel->errorString()));
    }
    CsvSchreiber schreiber(*ziel);
    std::vector<std::optional<QString>> zeile;
    for (const auto& s : sp) zeile.push_back(s.name);
    if (waehrung) zeile.push_back(QStringLiteral("Waehrung"));
    schreiber.zeile(zeile);
    try {
        auto db = mandantOeffnen(a.datenbank, true);
        const QString tabelle = tabellenName(a.tabelle, a.jahr.value_or(0));
        if (!db->Tabellen().contains(tabelle, Qt::CaseInsensitive))
            return fehlschlag(QStringLiteral("Der Mandant hat keine Tabelle %1 (das Jahr mit --year prüfen).").arg(tabelle));
        QStringList bedingungen;
        const QString sql = auswahl(a, bedingungen);
        db::Transaktion lesen(*db, db::Transaktion::Art::Lesen);  // one state of the client, however long the file
        db->Zeilen(sql, [&](const std::vector<Variant>& werte) {
            zeile.clear();
            for (std::size_t i = 0; i < sp.size(); ++i) zeile.push_back(wertText(sp[i].typ, werte[i]));
            if (waehrung) zeile.push_back(werte[1].toLong() < 2002 ? QStringLiteral("ATS") : QStringLiteral("EUR"));
            schreiber.zeile(zeile);
        });
        lesen.commit();
        db->Close();
    } catch (const Fehler& f) {
        if (auto* s = dynamic_cast<QSaveFile*>(ziel.get())) s->cancelWriting();
        return fehlschlag(QStringLiteral("%1 (Fehler %2)").arg(f.Beschreibung()).arg(f.Nummer()));
    }
    auto* s = dynamic_cast<QSaveFile*>(ziel.get());
    if (!schreiber.ok() || (s ? !s->commit() : !ziel->flush()))
        return fehlschlag(QStringLiteral("%1 ist unvollständig: %2")
                              .arg(a.ausgabe.isEmpty() ? QStringLiteral("Die Standardausgabe") : a.ausgabe, ziel->errorString()));
    return 0;
}

}  // namespace hmz::stamm
