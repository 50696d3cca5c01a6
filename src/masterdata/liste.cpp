#include "masterdata/liste.h"

#include "masterdata/buchungen.h"
#include "masterdata/csv.h"

#include "entry/zustand.h"
#include "statement/ergebnisexport.h"
#include "statement/shpruefen.h"
#include "store/datenzugriff.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace hmz::stamm {

namespace {

std::vector<ListenSpalte> auswahlSpalten(Tabelle t, const QStringList& namen) {
    std::vector<ListenSpalte> r;
    for (const QString& n : namen)
        for (const auto& s : spalten(t))
            if (s.name == n) r.push_back({n, s.typ});
    return r;
}

QString zelle(const ListenSpalte& s, const Variant& v) { return wertText(s.typ, v).value_or(QString()); }

}  // namespace

std::vector<JahresBuchungen> buchungsJahre(db::Database& db) {
    std::vector<JahresBuchungen> r;
    for (int jahr : buchungsjahre(db)) r.push_back({jahr, 0, {}, {}});
    for (auto& j : r) {
        auto rs = db.OpenRecordset(QStringLiteral("SELECT COUNT(*) AS Anzahl FROM ") + tabellenName(Tabelle::Buchungen, j.jahr));
        j.anzahl = rs->Fields(QStringLiteral("Anzahl")).toLong();
        rs->Close();
        // The balance check's own sums: every row of the year, whatever its kind.
        const SollHaben sh = SHSummenLesen(db, QString::number(j.jahr));
        j.soll = sh.soll;
        j.haben = sh.haben;
    }
    return r;
}

Liste listeLesen(db::Database& db, const ListenAuftrag& a) {
    Liste l;
    if (a.art == ListenArt::Jahre) {
        l.spalten = {{QStringLiteral("Jahr"), Typ::Ganz},        {QStringLiteral("Buchungen"), Typ::Ganz},
                     {QStringLiteral("SummeSoll"), Typ::Geld},   {QStringLiteral("SummeHaben"), Typ::Geld},
                     {QStringLiteral("Differenz"), Typ::Geld}};
        for (const auto& j : buchungsJahre(db))
            if (!a.jahr || *a.jahr == j.jahr)
                l.zeilen.push_back({Variant::lng(j.jahr), Variant::lng(static_cast<std::int32_t>(j.anzahl)), Variant::currency(j.soll),
                                    Variant::currency(j.haben), Variant::currency(j.soll - j.haben)});
        return l;
    }
    Tabelle t = Tabelle::Objekte;
    QString objSpalte, jahrSpalte;
    switch (a.art) {
    case ListenArt::Objekte:
        l.spalten = auswahlSpalten(t, {QStringLiteral("ObjNummer"), QStringLiteral("ObjTypus"), QStringLiteral("ObjAnschrift"),
                                       QStringLiteral("ObjPlz"), QStringLiteral("ObjOrt"), QStringLiteral("ObjGueltigBisDatum")});
        objSpalte = QStringLiteral("ObjNummer");
        break;
    case ListenArt::Konten:
        t = Tabelle::Konten;
        l.spalten = auswahlSpalten(t, {QStringLiteral("KontoJJ"), QStringLiteral("KontoNr"), QStringLiteral("KontoBezeichnung"),
                                       QStringLiteral("KontoHmzresPos"), QStringLiteral("KontoHmzresVerdichtKz")});
        jahrSpalte = QStringLiteral("KontoJJ");
        break;
    default:
        t = Tabelle::Ergebnisse;
        l.spalten = auswahlSpalten(t, {QStringLiteral("HmzObjNr"), QStringLiteral("HmzJahr"), QStringLiteral("HmzHMZOhneEHB"),
                                       QStringLiteral("HmzVereinnEHB")});
        objSpalte = QStringLiteral("HmzObjNr");
        jahrSpalte = QStringLiteral("HmzJahr");
    }
    QStringList namen, bedingungen;
    std::vector<Variant> werte;
    for (const auto& s : l.spalten) namen << s.name;
    if (!objSpalte.isEmpty() && a.von) {
        bedingungen << objSpalte + QStringLiteral(" >= ?");
        werte.push_back(Variant::lng(static_cast<std::int32_t>(*a.von)));
    }
    if (!objSpalte.isEmpty() && a.bis) {
        bedingungen << objSpalte + QStringLiteral(" <= ?");
        werte.push_back(Variant::lng(static_cast<std::int32_t>(*a.bis)));
    }
    if (a.jahr) {
        bedingungen << jahrSpalte + QStringLiteral(" = ?");
        werte.push_back(Variant::lng(*a.jahr));
    }
    if (jahrSpalte.isEmpty() && a.jahr) bedingungen.removeLast(), werte.pop_back();
    QString sql = QStringLiteral("SELECT ") + namen.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + tabellenName(t, 0);
    if (!bedingungen.isEmpty()) sql += QStringLiteral(" WHERE ") + bedingungen.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + schluessel(t).join(QStringLiteral(", "));
    auto rs = db.OpenRecordset(sql, werte);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::vector<Variant> z;
        for (const auto& s : l.spalten) z.push_back(rs->Fields(s.name));
        l.zeilen.push_back(std::move(z));
    }
    rs->Close();
    if (t == Tabelle::Ergebnisse) {
        // Years before the euro hold schillings, exactly as stored.
        l.spalten.push_back({QStringLiteral("Waehrung"), Typ::Text});
        for (auto& z : l.zeilen) z.push_back(Variant::string(z[1].toLong() < 2002 ? QStringLiteral("ATS") : QStringLiteral("EUR")));
    }
    return l;
}

QByteArray listeText(const Liste& l, ListenFormat format) {
    if (format == ListenFormat::Csv) {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        CsvSchreiber w(b);
        std::vector<std::optional<QString>> z;
        for (const auto& s : l.spalten) z.push_back(s.name);
        w.zeile(z);
        for (const auto& zeile : l.zeilen) {
            z.clear();
            for (std::size_t i = 0; i < l.spalten.size(); ++i) z.push_back(wertText(l.spalten[i].typ, zeile[i]));
            w.zeile(z);
        }
        return b.data();
    }
    if (format == ListenFormat::Json) {
        QJsonArray zeilen;
        for (const auto& zeile : l.zeilen) {
            QJsonObject o;
            for (std::size_t i = 0; i < l.spalten.size(); ++i) {
                const auto& s = l.spalten[i];
                const Variant& v = zeile[i];
                if (v.istNull() || v.istEmpty()) o.insert(s.name, QJsonValue::Null);
                else if (s.typ == Typ::Ganz) o.insert(s.name, static_cast<qint64>(v.toLong()));
                else if (s.typ == Typ::Geld) o.insert(s.name, exakterBetrag(v.toCurrency()));  // exact: a text, never a double
                else o.insert(s.name, zelle(s, v));
            }
            zeilen.append(o);
        }
        return QJsonDocument(zeilen).toJson(QJsonDocument::Indented);
    }
    std::vector<qsizetype> breite;
    for (const auto& s : l.spalten) breite.push_back(s.name.size());
    for (const auto& zeile : l.zeilen)
        for (std::size_t i = 0; i < l.spalten.size(); ++i) breite[i] = std::max(breite[i], zelle(l.spalten[i], zeile[i]).size());
    const auto zeileText = [&](const std::function<QString(std::size_t)>& text) {
        QString r;
        for (std::size_t i = 0; i < l.spalten.size(); ++i) {
            const bool rechts = l.spalten[i].typ == Typ::Ganz || l.spalten[i].typ == Typ::Geld;
            const QString t = text(i);
            r += (i ? QStringLiteral("  ") : QString()) + (rechts ? t.rightJustified(breite[i]) : t.leftJustified(breite[i]));
        }
        while (r.endsWith(QLatin1Char(' '))) r.chop(1);
        return r + QLatin1Char('\n');
    };
    QString r = zeileText([&](std::size_t i) { return l.spalten[i].name; });
    r += zeileText([&](std::size_t i) { return QString(breite[i], QLatin1Char('-')); });
    for (const auto& zeile : l.zeilen) r += zeileText([&](std::size_t i) { return zelle(l.spalten[i], zeile[i]); });
    return r.toUtf8();
}

int listeAusgeben(const ListenAuftrag& a) {
    QByteArray text;
    try {
        auto db = mandantOeffnen(a.datenbank, true);
        if (a.art == ListenArt::Konten || a.art == ListenArt::Ergebnisse || a.art == ListenArt::Objekte) {
            const QString t = tabellenName(a.art == ListenArt::Konten ? Tabelle::Konten : a.art == ListenArt::Objekte ? Tabelle::Objekte : Tabelle::Ergebnisse, 0);
            if (!db->Tabellen().contains(t, Qt::CaseInsensitive)) {
                std::fprintf(stderr, "hmzres list: Der Mandant hat keine Tabelle %s (mit init angelegt?).\n", qPrintable(t));
                return 4;
            }
        }
        db::Transaktion lesen(*db, db::Transaktion::Art::Lesen);  // one state of the client
        text = listeText(listeLesen(*db, a), a.format);
        lesen.commit();
        db->Close();
    } catch (const Fehler& f) {
        std::fprintf(stderr, "hmzres list: %s (Fehler %ld)\n", qPrintable(f.Beschreibung()), static_cast<long>(f.Nummer()));
        return 4;
    }
    if (std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout) != static_cast<std::size_t>(text.size()) ||
        std::fflush(stdout) != 0) {
        std::fputs("hmzres list: Die Standardausgabe ist nicht beschreibbar.\n", stderr);
        return 4;
    }
    return 0;
}

}  // namespace hmz::stamm
