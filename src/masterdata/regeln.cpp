#include "masterdata/stammdaten.h"

#include "masterdata/objekte.h"

#include "core/format.h"
#include "statement/ergebnisexport.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QRegularExpression>
#include <limits>

namespace hmz::stamm {

namespace {

const QDate NullDatum(1899, 12, 30);

Spaltenregel s(const char* name, Typ typ, bool pflicht = false) { return {QString::fromLatin1(name), typ, pflicht}; }

}  // namespace

std::optional<Tabelle> tabelleAusName(const QString& name) {
    static const QStringList namen{QStringLiteral("client"), QStringLiteral("properties"), QStringLiteral("accounts"),
                                   QStringLiteral("bookings"), QStringLiteral("results")};
    const qsizetype i = namen.indexOf(name);
    if (i < 0) return std::nullopt;
    return static_cast<Tabelle>(i);
}

const std::vector<Spaltenregel>& spalten(Tabelle t) {
    using enum Typ;
    static const std::vector<Spaltenregel> mandant{s("MandName", Text), s("MandName2", Text), s("MandName3", Text),
                                                   s("MandAnschrift", Text), s("MandNation", Text), s("MandPlz", Text),
                                                   s("MandOrt", Text), s("MandEurKurs", Geld), s("MandMonStatusDatum", Datum)};
    static const std::vector<Spaltenregel> objekte{
        s("ObjNummer", Ganz, true), s("ObjAllgAufteilSchlNr", Ganz), s("ObjNutzflSchlNr", Ganz), s("ObjAnteileSchlNr", Ganz),
        s("ObjTypus", Ganz),        s("ObjAnschrift", Text),         s("ObjPlz", Text),          s("ObjOrt", Text),
        s("ObjHvStatusDatum", Datum), s("ObjGueltigBisDatum", Datum)};
    static const std::vector<Spaltenregel> konten{s("KontoJJ", Ganz, true), s("KontoNr", Text, true), s("KontoBezeichnung", Text),
                                                  s("KontoHmzresPos", Ganz), s("KontoHmzresVerdichtKz", Ganz)};
    static const std::vector<Spaltenregel> buchungen{
        s("BuNr", Ganz),          s("BuObjNr", Ganz, true), s("BuKontoNr", Text, true), s("BuDatum", Datum, true),
        s("BuBelegNr", Ganz),     s("BuText1", Text),       s("BuText2", Text),         s("BuBetrag", Geld, true),
        s("BuSH", Text, true),    s("BuSHVorzeichen", Ganz), s("BuKorrKZ", Text),       s("BuArt", Text)};
    static const std::vector<Spaltenregel> ergebnisse{s("HmzObjNr", Ganz, true), s("HmzJahr", Ganz, true),
                                                      s("HmzHMZOhneEHB", Geld), s("HmzVereinnEHB", Geld)};
    switch (t) {
    case Tabelle::Mandant: return mandant;
    case Tabelle::Objekte: return objekte;
    case Tabelle::Konten: return konten;
    case Tabelle::Buchungen: return buchungen;
    case Tabelle::Ergebnisse: break;
    }
    return ergebnisse;
}

QStringList schluessel(Tabelle t) {
    switch (t) {
    case Tabelle::Mandant: return {};
    case Tabelle::Objekte: return {QStringLiteral("ObjNummer")};
    case Tabelle::Konten: return {QStringLiteral("KontoJJ"), QStringLiteral("KontoNr")};
    case Tabelle::Buchungen: return {QStringLiteral("BuNr")};
    case Tabelle::Ergebnisse: break;
    }
    return {QStringLiteral("HmzObjNr"), QStringLiteral("HmzJahr")};
}

QString tabellenName(Tabelle t, int jahr) {
    switch (t) {
    case Tabelle::Mandant: return QStringLiteral("AllgMandDaten");
    case Tabelle::Objekte: return QStringLiteral("ObjDaten");
    case Tabelle::Konten: return QStringLiteral("ObjKanzleiKontenstamm");
    case Tabelle::Buchungen: return db::buchungsTabelle(jahr);
    case Tabelle::Ergebnisse: break;
    }
    return QStringLiteral("ObjHmzResJahresSummen");
}

std::optional<Currency> betragLesen(const QString& eingabe, bool dezimalpunkt, QString& grund) {
    const QString text = eingabe.trimmed();
    const QChar komma = dezimalpunkt ? QLatin1Char('.') : QLatin1Char(',');
    const QChar gruppe = dezimalpunkt ? QLatin1Char(',') : QLatin1Char('.');
    const qsizetype k = text.indexOf(komma);
    QString ganz = k < 0 ? text : text.left(k);
    const QString bruch = k < 0 ? QString() : text.mid(k + 1);
    const bool minus = ganz.startsWith(QLatin1Char('-'));
    if (minus) ganz.remove(0, 1);
    // Thousands marks only between groups of three digits.
    const QStringList gruppen = ganz.split(gruppe);
    bool gut = !ganz.isEmpty() || !bruch.isEmpty();
    for (qsizetype i = 0; i < gruppen.size(); ++i) {
        for (QChar c : gruppen[i]) gut = gut && c.isDigit() && c.unicode() < 128;
        if (i > 0) gut = gut && gruppen[i].size() == 3 && !gruppen[0].isEmpty();
    }
    for (QChar c : bruch) gut = gut && c.isDigit() && c.unicode() < 128;
    if (!gut) {
        grund = QStringLiteral("'%1' ist kein Betrag").arg(eingabe);
        return std::nullopt;
    }
    if (bruch.size() > 4) {
        grund = QStringLiteral("'%1' hat mehr als 4 Nachkommastellen (es wird nicht gerundet)").arg(eingabe);
        return std::nullopt;
    }
    const QString normal = (minus ? QStringLiteral("-") : QString()) + (gruppen.join(QString()).isEmpty() ? QStringLiteral("0") : gruppen.join(QString())) +
                           (bruch.isEmpty() ? QString() : QLatin1Char('.') + bruch);
    const auto c = Currency::parse(normal.toStdString());
    if (!c) grund = QStringLiteral("'%1' ist zu groß für einen Betrag").arg(eingabe);
    return c;
}

std::optional<Variant> wertLesen(Typ typ, const QString& text, bool leerIstText, bool dezimalpunkt, QString& grund) {
    if (text.isEmpty()) return typ == Typ::Text && leerIstText ? Variant::string(QString()) : Variant::null();
    switch (typ) {
    case Typ::Text: return Variant::string(text);
    case Typ::Ganz: {
        bool ok = false;
        const int n = text.trimmed().toInt(&ok);
        if (ok) return Variant::lng(n);
        grund = QStringLiteral("'%1' ist keine ganze Zahl").arg(text);
        return std::nullopt;
    }
    case Typ::Geld: {
        const auto c = betragLesen(text, dezimalpunkt, grund);
        return c ? std::optional<Variant>(Variant::currency(*c)) : std::nullopt;
    }
    case Typ::Datum: break;
    }
    const QString t = text.trimmed();
    // The two forms files nearly always carry, without the general date parser (a large share of an import's time).
    const auto ziffern = [&](int von, int n) {
        int z = 0;
        for (int i = von; i < von + n; ++i) {
            const char16_t c = t.at(i).unicode();
            if (c < u'0' || c > u'9') return -1;
            z = z * 10 + (c - u'0');
        }
        return z;
    };
    QDate d;
    if (t.size() == 10 && t.at(2) == QLatin1Char('.') && t.at(5) == QLatin1Char('.'))
        d = QDate(ziffern(6, 4), ziffern(3, 2), ziffern(0, 2));
    else if (t.size() == 10 && t.at(4) == QLatin1Char('-') && t.at(7) == QLatin1Char('-'))
        d = QDate(ziffern(0, 4), ziffern(5, 2), ziffern(8, 2));
    if (d.isValid()) return Variant::date(d);
    d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid()) d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (d.isValid()) return Variant::date(d);
    grund = QStringLiteral("'%1' ist kein Datum (TT.MM.JJJJ)").arg(text);
    return std::nullopt;
}

std::optional<QString> wertText(Typ typ, const Variant& wert) {
    if (wert.istNull() || wert.istEmpty()) return std::nullopt;
    switch (typ) {
    case Typ::Geld: return exakterBetrag(wert.toCurrency(), QLatin1Char(','));
    case Typ::Datum: {
        const QDate d = wert.toDate();
        return (d.isValid() ? d : NullDatum).toString(QStringLiteral("dd.MM.yyyy"));
    }
    case Typ::Ganz:
    case Typ::Text: break;
    }
    return wert.toString();
}

int vorzeichen(const QString& sh) {
    if (sh == QLatin1String("S")) return -1;
    return sh == QLatin1String("H") ? 1 : 0;
}

QString wertRegel(Tabelle t, const QString& spalte, const Variant& wert) {
    if (wert.istNull()) return {};
    const auto zwischen = [&](long von, long bis, const QString& grund) {
        const long n = wert.toLong();
        return n >= von && n <= bis ? QString() : grund;
    };
    const QString objektNr = QStringLiteral("Die Objekt-Nr ist eine Zahl von %1 bis %2.").arg(ErsteObjektNr).arg(LetzteObjektNr);
    switch (t) {
    case Tabelle::Objekte:
        if (spalte == QLatin1String("ObjNummer")) return zwischen(ErsteObjektNr, LetzteObjektNr, objektNr);
        if (spalte == QLatin1String("ObjTypus"))
            return zwischen(0, 32767, QStringLiteral("Der Typus ist eine ganze Zahl von 0 bis 32767 (0: wird abgerechnet)."));
        break;
    case Tabelle::Konten:
        if (spalte == QLatin1String("KontoNr") && wert.toString().trimmed().isEmpty()) return QStringLiteral("Die Konto-Nr fehlt.");
        if (spalte == QLatin1String("KontoHmzresPos")) return zwischen(0, 99, QStringLiteral("Die HMZ-Position ist eine ganze Zahl von 0 bis 99."));
        break;
    case Tabelle::Ergebnisse:
        if (spalte == QLatin1String("HmzObjNr")) return zwischen(ErsteObjektNr, LetzteObjektNr, objektNr);
        if (spalte == QLatin1String("HmzJahr"))
            return zwischen(ErstesJahr, LetztesJahr, QStringLiteral("Das Jahr muss zwischen %1 und %2 liegen.").arg(ErstesJahr).arg(LetztesJahr));
        break;
    default:
        break;
    }
    return {};
}

std::optional<long> ganzeZahlLesen(Tabelle t, const QString& spalte, const QString& text, QString& grund) {
    bool ok = false;
    const long n = text.trimmed().toLong(&ok);
    const bool passt = ok && n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max();
    grund = wertRegel(t, spalte, Variant::lng(passt ? static_cast<std::int32_t>(n) : std::numeric_limits<std::int32_t>::min()));
    if (!grund.isEmpty()) return std::nullopt;
    return n;
}

void BuchungsRegeln::pruefen(const Variant& sh, Variant& vz, const Variant& datum, const Variant& obj, const Variant& konto,
                             const std::function<void(const QString&, const QString&)>& verstoss) const {
    const QString seite = sh.istNull() ? QString() : sh.toString();
    if (!sh.istNull() && !vorzeichen(seite))
        verstoss(QStringLiteral("BuSH"), QStringLiteral("'%1' ist weder S (Soll) noch H (Haben)").arg(seite));
    else if (vz.istNull())
        vz = Variant::lng(vorzeichen(seite));
    else if (vz.toLong() != vorzeichen(seite))
        verstoss(QStringLiteral("BuSHVorzeichen"), QStringLiteral("%1 passt nicht zu BuSH '%2' (S -1, H +1)").arg(vz.toLong()).arg(seite));
    if (!obj.istNull() && !objektDa(obj.toLong()))
        verstoss(QStringLiteral("BuObjNr"), QStringLiteral("das Objekt %1 gibt es nicht").arg(obj.toLong()) + objektHinweis);
    if (!konto.istNull() && !kontoDa(konto.toString()))
        verstoss(QStringLiteral("BuKontoNr"), QStringLiteral("das Konto '%1' fehlt im Kontenstamm %2").arg(konto.toString()).arg(jahr) + kontoHinweis);
    if (!datum.istNull() && datum.toDate().year() != jahr)
        verstoss(QStringLiteral("BuDatum"), QStringLiteral("'%1' liegt nicht im Jahr %2").arg(format::kurzDatum(datum.toDate())).arg(jahr));
}

void mandantSatzAnlegen(db::Database& db, const QString& name) {
    db.Execute(QStringLiteral("INSERT INTO AllgMandDaten (MandName, MandMonStatusDatum) VALUES (?, ?)"),
               {Variant::string(name), Variant::date(QDate::currentDate())});
}

std::optional<QDate> datumLesen(const QString& eingabe, int jahr, QString& grund) {
    static const QRegularExpression ohneJahr(QStringLiteral("^\\d{1,2}\\.\\d{1,2}\\.$"));
    QString t = eingabe.trimmed();
    if (t.isEmpty()) return QDate();
    if (ohneJahr.match(t).hasMatch()) t += QString::number(jahr);
    const auto v = wertLesen(Typ::Datum, t, false, false, grund);
    if (!v) return std::nullopt;
    return v->toDate();
}

QString datumText(const QDate& d) { return d.isValid() && d != NullDatum ? format::kurzDatum(d) : QString(); }

}  // namespace hmz::stamm
