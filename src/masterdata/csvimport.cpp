#include "masterdata/csv.h"
#include "masterdata/stammdaten.h"

#include "core/format.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QDataStream>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <cstdio>

namespace hmz::stamm {

namespace {

constexpr int MaxFehler = 20;
const QChar Trenner(0x1f);

struct Abbruch {
    int signal;
};

// Tags of the values in the spool between checking and writing.
enum : quint8 { SNull, SGanz, SText, SGeld, SDatum };

void spoolen(QDataStream& s, const Variant& v, Typ typ) {
    if (v.istNull()) {
        s << SNull;
        return;
    }
    switch (typ) {
    case Typ::Ganz: s << SGanz << static_cast<qint32>(v.toLong()); break;
    case Typ::Text: s << SText << v.toString(); break;
    case Typ::Geld: s << SGeld << static_cast<qint64>(v.toCurrency().raw()); break;
    case Typ::Datum: s << SDatum << static_cast<qint64>(v.toDate().toJulianDay()); break;
    }
}

Variant entspoolen(QDataStream& s) {
    quint8 tag = SNull;
    s >> tag;
    qint32 n = 0;
    qint64 g = 0;
    QString t;
    switch (tag) {
    case SGanz: s >> n; return Variant::lng(n);
    case SText: s >> t; return Variant::string(t);
    case SGeld: s >> g; return Variant::currency(Currency::fromRaw(g));
    case SDatum: s >> g; return Variant::date(QDate::fromJulianDay(g));
    default: return Variant::null();
    }
}

class Einlesen {
public:
    explicit Einlesen(const CsvImport& a) : a_(a), sp_(spalten(a.tabelle)), tabelle_(tabellenName(a.tabelle, a.jahr.value_or(0))) {}

    int los();

private:
    const CsvImport& a_;
    const std::vector<Spaltenregel>& sp_;
    const QString tabelle_;
    std::unique_ptr<db::Database> db_;
    std::vector<int> feld_;  // per column its field in the file, -1 when missing
    qsizetype felder_ = 0;
    QStringList fehler_;
    long fehlerZahl_ = 0;

    // The client as it was before the file was read.
    QSet<long> objekte_;
    QSet<QString> konten_, schluessel_;
    QHash<qint64, long> buNrObjekt_;
    bool tabelleDa_ = true;
    long mandantZeilen_ = 0;

    // What the file holds.
    QHash<QString, long> dateiSchluessel_;
    QHash<qint64, long> dateiBuNr_;  // bookings: hundreds of thousands, so no texts
    QSet<long> dateiObjekte_;
    QSet<int> dateiJahre_;
    std::vector<std::pair<long, qint64>> buNrBesetzt_;
    qint64 groessteBuNr_ = 0;
    Currency soll_, haben_;
    long zeilen_ = 0, art90_ = 0;
    QTemporaryFile spool_;

    void fehler(long zeile, const QString& spalte, const QString& grund) {
        if (++fehlerZahl_ <= MaxFehler)
            fehler_ << (spalte.isEmpty() ? QStringLiteral("Zeile %1: %2").arg(zeile).arg(grund)
                                         : QStringLiteral("Zeile %1, %2: %3").arg(zeile).arg(spalte, grund));
    }
    void abbruchPruefen() const {
        if (a_.abbruchSignal && a_.abbruchSignal->load()) throw Abbruch{a_.abbruchSignal->load()};
    }
    int index(const char* name) const {
        for (std::size_t i = 0; i < sp_.size(); ++i)
            if (sp_[i].name == QLatin1String(name)) return static_cast<int>(i);
        return -1;
    }
    QString schluesselText(const std::vector<Variant>& w) const {
        QStringList teile;
        for (const QString& s : schluessel(a_.tabelle)) {
            const Variant& v = w[static_cast<std::size_t>(index(s.toLatin1().constData()))];
            if (v.istNull()) return {};
            teile << v.toString();
        }
        return teile.join(Trenner);
    }

    void kopfLesen(const std::vector<CsvFeld>& kopf);
    void mandantLesen();
    void zeilePruefen(const std::vector<CsvFeld>& felder, long zeile, QDataStream& aus);
    void nachPruefen();
    void schreiben();
    void summenMelden();
};

void Einlesen::kopfLesen(const std::vector<CsvFeld>& kopf) {
    feld_.assign(sp_.size(), -1);
    felder_ = static_cast<qsizetype>(kopf.size());
    for (std::size_t f = 0; f < kopf.size(); ++f) {
        const QString& name = kopf[f].text;
        if (a_.tabelle == Tabelle::Ergebnisse && name.compare(QLatin1String("Waehrung"), Qt::CaseInsensitive) == 0) continue;
        int i = 0;
        while (i < static_cast<int>(sp_.size()) && sp_[static_cast<std::size_t>(i)].name.compare(name, Qt::CaseInsensitive) != 0) ++i;
        if (i == static_cast<int>(sp_.size()))
            fehler(1, name, QStringLiteral("diese Spalte gibt es in %1 nicht (Spaltennamen wie bei export-csv)").arg(tabelle_));
        else if (feld_[static_cast<std::size_t>(i)] >= 0)
            fehler(1, name, QStringLiteral("die Spalte steht zweimal in der Kopfzeile"));
        else
            feld_[static_cast<std::size_t>(i)] = static_cast<int>(f);
    }
    for (std::size_t i = 0; i < sp_.size(); ++i) {
        const bool jahrStattSpalte = sp_[i].name == QLatin1String("KontoJJ") && a_.jahr;
        if (sp_[i].pflicht && feld_[i] < 0 && !jahrStattSpalte)
            fehler(1, sp_[i].name, QStringLiteral("die Spalte fehlt in der Kopfzeile"));
    }
}

// The client's keys and references, read in one state before the file.
void Einlesen::mandantLesen() {
    db::Transaktion lesen(*db_, db::Transaktion::Art::Lesen);
    const QStringList tabellen = db_->Tabellen();
    const auto merken = [&](QSet<QString>& ziel, const QString& sql) {
        db_->Zeilen(sql, [&](const std::vector<Variant>& z) {
            QStringList teile;
            for (const Variant& v : z) teile << v.toString();
            ziel.insert(teile.join(Trenner));
        });
    };
    const int jahr = a_.jahr.value_or(0);
    switch (a_.tabelle) {
    case Tabelle::Mandant:
        db_->Zeilen(QStringLiteral("SELECT MandName FROM AllgMandDaten"), [&](const std::vector<Variant>&) { ++mandantZeilen_; });
        break;
    case Tabelle::Objekte: merken(schluessel_, QStringLiteral("SELECT ObjNummer FROM ObjDaten")); break;
    case Tabelle::Konten: merken(schluessel_, QStringLiteral("SELECT KontoJJ, KontoNr FROM ObjKanzleiKontenstamm")); break;
    case Tabelle::Ergebnisse: merken(schluessel_, QStringLiteral("SELECT HmzObjNr, HmzJahr FROM ObjHmzResJahresSummen")); break;
    case Tabelle::Buchungen:
        db_->Zeilen(QStringLiteral("SELECT ObjNummer FROM ObjDaten"), [&](const std::vector<Variant>& z) { objekte_.insert(z[0].toLong()); });
        merken(konten_, QStringLiteral("SELECT KontoNr FROM ObjKanzleiKontenstamm WHERE KontoJJ = %1").arg(jahr));
        tabelleDa_ = tabellen.contains(tabelle_, Qt::CaseInsensitive);
        if (tabelleDa_)
            db_->Zeilen(QStringLiteral("SELECT BuNr, BuObjNr FROM %1").arg(tabelle_),
                        [&](const std::vector<Variant>& z) { buNrObjekt_.insert(z[0].toLong(), z[1].toLong()); });
        break;
    }
    lesen.commit();
}

void Einlesen::zeilePruefen(const std::vector<CsvFeld>& felder, long zeile, QDataStream& aus) {
    if (static_cast<qsizetype>(felder.size()) != felder_) {
        fehler(zeile, {}, QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile").arg(felder.size()).arg(felder_));
        return;
    }
    const long vorher = fehlerZahl_;
    std::vector<Variant> w(sp_.size(), Variant::null());
    for (std::size_t i = 0; i < sp_.size(); ++i) {
        if (feld_[i] < 0) continue;
        const CsvFeld& f = felder[static_cast<std::size_t>(feld_[i])];
        QString grund;
        if (auto v = wertLesen(sp_[i].typ, f.text, f.zitiert, a_.dezimalpunkt, grund))
            w[i] = *v;
        else
            fehler(zeile, sp_[i].name, grund);
    }
    const auto wert = [&](const char* name) -> Variant& { return w[static_cast<std::size_t>(index(name))]; };
    switch (a_.tabelle) {
    case Tabelle::Objekte:
        if (wert("ObjTypus").istNull()) wert("ObjTypus") = Variant::lng(0);
        if (wert("ObjGueltigBisDatum").istNull()) wert("ObjGueltigBisDatum") = Variant::date(QDate(1899, 12, 30));
        break;
    case Tabelle::Konten: {
        Variant& jj = wert("KontoJJ");
        if (jj.istNull() && a_.jahr) jj = Variant::lng(*a_.jahr);
        else if (a_.jahr && !jj.istNull() && jj.toLong() != *a_.jahr)
            fehler(zeile, QStringLiteral("KontoJJ"), QStringLiteral("%1 ist nicht das Jahr %2 von --year").arg(jj.toLong()).arg(*a_.jahr));
        if (!jj.istNull()) dateiJahre_.insert(jj.toLong());
        break;
    }
    case Tabelle::Buchungen: {
        const QString sh = wert("BuSH").toString();
        Variant& vz = wert("BuSHVorzeichen");
        if (!wert("BuSH").istNull() && !vorzeichen(sh))
            fehler(zeile, QStringLiteral("BuSH"), QStringLiteral("'%1' ist weder S (Soll) noch H (Haben)").arg(sh));
        else if (vz.istNull())
            vz = Variant::lng(vorzeichen(sh));
        else if (vz.toLong() != vorzeichen(sh))
            fehler(zeile, QStringLiteral("BuSHVorzeichen"), QStringLiteral("%1 passt nicht zu BuSH '%2' (S -1, H +1)").arg(vz.toLong()).arg(sh));
        Variant& art = wert("BuArt");
        if (art.istNull() || art.toString().isEmpty()) art = Variant::string(NormaleBuchungsart);
        if (art.toString() == VortragsBuchungsart) ++art90_;
        const Variant& obj = wert("BuObjNr");
        if (!obj.istNull() && !objekte_.contains(obj.toLong()))
            fehler(zeile, QStringLiteral("BuObjNr"), QStringLiteral("das Objekt %1 gibt es nicht (zuerst die Objekte einlesen)").arg(obj.toLong()));
        if (!obj.istNull()) dateiObjekte_.insert(obj.toLong());
        const Variant& konto = wert("BuKontoNr");
        if (!konto.istNull() && !konten_.contains(konto.toString()))
            fehler(zeile, QStringLiteral("BuKontoNr"),
                   QStringLiteral("das Konto '%1' fehlt im Kontenstamm %2 (zuerst die Konten einlesen)").arg(konto.toString()).arg(*a_.jahr));
        const Variant& datum = wert("BuDatum");
        if (!datum.istNull() && datum.toDate().year() != *a_.jahr)
            fehler(zeile, QStringLiteral("BuDatum"), QStringLiteral("'%1' liegt nicht im Jahr %2").arg(format::kurzDatum(datum.toDate())).arg(*a_.jahr));
        const Variant& betrag = wert("BuBetrag");
        if (!betrag.istNull() && sh == QLatin1String("S")) soll_ += betrag.toCurrency();
        if (!betrag.istNull() && sh == QLatin1String("H")) haben_ += betrag.toCurrency();
        const Variant& nr = wert("BuNr");
        if (!nr.istNull()) {
            groessteBuNr_ = std::max<qint64>(groessteBuNr_, nr.toLong());
            if (buNrObjekt_.contains(nr.toLong())) buNrBesetzt_.emplace_back(zeile, nr.toLong());
        }
        break;
    }
    case Tabelle::Mandant:
    case Tabelle::Ergebnisse: break;
    }
    for (std::size_t i = 0; i < sp_.size(); ++i)
        if (sp_[i].pflicht && w[i].istNull() && feld_[i] >= 0) fehler(zeile, sp_[i].name, QStringLiteral("darf nicht leer sein"));

    bool vorhanden = false;
    if (a_.tabelle == Tabelle::Mandant) {
        if (zeilen_ > 0) fehler(zeile, {}, QStringLiteral("der Mandantensatz ist eine einzige Zeile"));
        vorhanden = mandantZeilen_ > 0;
        if (vorhanden && !a_.ersetzen) fehler(zeile, {}, QStringLiteral("der Mandant hat schon einen Mandantensatz (--replace ersetzt ihn)"));
    } else if (a_.tabelle == Tabelle::Buchungen) {
        if (const Variant& nr = wert("BuNr"); !nr.istNull()) {
            if (const auto d = dateiBuNr_.constFind(nr.toLong()); d != dateiBuNr_.cend())
                fehler(zeile, QStringLiteral("BuNr"), QStringLiteral("%1 steht schon in Zeile %2").arg(nr.toLong()).arg(*d));
            else
                dateiBuNr_.insert(nr.toLong(), zeile);
        }
    } else if (const QString k = schluesselText(w); !k.isEmpty()) {
        const QString anzeige = QString(k).replace(Trenner, QLatin1Char('/'));
        if (const auto d = dateiSchluessel_.constFind(k); d != dateiSchluessel_.cend())
            fehler(zeile, schluessel(a_.tabelle).join(QLatin1Char('+')), QStringLiteral("%1 steht schon in Zeile %2").arg(anzeige).arg(*d));
        else
            dateiSchluessel_.insert(k, zeile);
        if (schluessel_.contains(k)) {
            vorhanden = a_.tabelle != Tabelle::Konten;  // the accounts of the year are replaced whole
            if (!a_.ersetzen)
                fehler(zeile, schluessel(a_.tabelle).join(QLatin1Char('+')),
                       QStringLiteral("%1 gibt es schon (--replace ersetzt bestehende Zeilen)").arg(anzeige));
        }
    }
    ++zeilen_;
    if (fehlerZahl_ != vorher) return;
    aus << static_cast<qint32>(zeile) << vorhanden;
    for (std::size_t i = 0; i < sp_.size(); ++i) spoolen(aus, w[i], sp_[i].typ);
}

void Einlesen::nachPruefen() {
    if (a_.tabelle == Tabelle::Buchungen) {
        for (const auto& [zeile, nr] : buNrBesetzt_)
            if (!a_.ersetzen || !dateiObjekte_.contains(buNrObjekt_.value(nr)))
                fehler(zeile, QStringLiteral("BuNr"), QStringLiteral("%1 gibt es schon (beim Objekt %2%3)")
                                                          .arg(nr)
                                                          .arg(buNrObjekt_.value(nr))
                                                          .arg(a_.ersetzen ? QString() : QStringLiteral("; --replace ersetzt die Buchungen der Objekte der Datei")));
        if (soll_ != haben_ && !a_.ungleichErlaubt)
            fehler_ << QStringLiteral("Soll %1 und Haben %2 der Datei unterscheiden sich um %3 (--allow-imbalance liest sie trotzdem ein)")
                           .arg(format::betrag(soll_), format::betrag(haben_), format::betrag(soll_ - haben_));
    }
    if (a_.tabelle == Tabelle::Konten && a_.ersetzen && fehler_.isEmpty()) {
        db::Transaktion lesen(*db_, db::Transaktion::Art::Lesen);
        const QStringList tabellen = db_->Tabellen();
        for (int jahr : dateiJahre_) {
            if (!tabellen.contains(db::buchungsTabelle(jahr), Qt::CaseInsensitive)) continue;
            QStringList fehlen;
            db_->Zeilen(QStringLiteral("SELECT DISTINCT BuKontoNr FROM %1 ORDER BY BuKontoNr").arg(db::buchungsTabelle(jahr)),
                        [&](const std::vector<Variant>& z) {
                            if (!dateiSchluessel_.contains(QString::number(jahr) + Trenner + z[0].toString())) fehlen << z[0].toString();
                        });
            if (!fehlen.isEmpty())
                fehler_ << QStringLiteral("Die Buchungen %1 verwenden Konten, die in der Datei fehlen: %2 (in die Datei aufnehmen)")
                               .arg(jahr)
                               .arg(fehlen.join(QStringLiteral(", ")));
        }
        lesen.commit();
    }
}

void Einlesen::schreiben() {
    spool_.seek(0);
    QDataStream ein(&spool_);
    db::Transaktion t(*db_);
    const int jahr = a_.jahr.value_or(0);
    if (a_.tabelle == Tabelle::Buchungen) {
        if (!tabelleDa_) db_->Execute(db::schemaBuchungsjahr(jahr).at(0));  // its index after the rows: faster than kept up row by row
        if (a_.ersetzen && !dateiObjekte_.isEmpty()) {
            QStringList nummern;
            for (long o : dateiObjekte_) nummern << QString::number(o);
            db_->Execute(QStringLiteral("DELETE FROM %1 WHERE BuObjNr IN (%2)").arg(tabelle_, nummern.join(QLatin1Char(','))));
        }
    }
    if (a_.tabelle == Tabelle::Konten && a_.ersetzen)
        for (int j : dateiJahre_) db_->Execute(QStringLiteral("DELETE FROM ObjKanzleiKontenstamm WHERE KontoJJ = %1").arg(j));
    qint64 naechsteNr = groessteBuNr_ + 1;
    if (a_.tabelle == Tabelle::Buchungen) {
        auto rs = db_->OpenRecordset(QStringLiteral("SELECT MAX(BuNr) AS Hoechste FROM %1").arg(tabelle_));
        if (!rs->Eof() && !rs->Fields(QStringLiteral("Hoechste")).istNull())
            naechsteNr = std::max<qint64>(naechsteNr, rs->Fields(QStringLiteral("Hoechste")).toLong() + 1);
    }
    QStringList namen, fragen, setzen, wo;
    for (std::size_t i = 0; i < sp_.size(); ++i) {
        namen << sp_[i].name;
        fragen << QStringLiteral("?");
        if (feld_[i] >= 0 && !schluessel(a_.tabelle).contains(sp_[i].name)) setzen << sp_[i].name + QStringLiteral(" = ?");
    }
    for (const QString& s : schluessel(a_.tabelle)) wo << s + QStringLiteral(" = ?");
    const QString einfuegen = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(tabelle_, namen.join(QStringLiteral(", ")), fragen.join(QStringLiteral(", ")));
    const QString aendern = QStringLiteral("UPDATE %1 SET %2").arg(tabelle_, setzen.join(QStringLiteral(", "))) +
                            (wo.isEmpty() ? QString() : QStringLiteral(" WHERE ") + wo.join(QStringLiteral(" AND ")));
    const int buNr = index("BuNr");
    std::vector<Variant> w(sp_.size()), werte;
    for (long n = 0; n < zeilen_; ++n) {
        if ((n & 255) == 0) abbruchPruefen();
        qint32 zeile = 0;
        bool vorhanden = false;
        ein >> zeile >> vorhanden;
        for (std::size_t i = 0; i < sp_.size(); ++i) w[i] = entspoolen(ein);
        if (buNr >= 0 && w[static_cast<std::size_t>(buNr)].istNull()) w[static_cast<std::size_t>(buNr)] = Variant::lng(static_cast<std::int32_t>(naechsteNr++));
        if (!vorhanden || setzen.isEmpty()) {
            if (!vorhanden) db_->Execute(einfuegen, w);
            continue;
        }
        werte.clear();
        for (std::size_t i = 0; i < sp_.size(); ++i)
            if (feld_[i] >= 0 && !schluessel(a_.tabelle).contains(sp_[i].name)) werte.push_back(w[i]);
        for (const QString& s : schluessel(a_.tabelle)) werte.push_back(w[static_cast<std::size_t>(index(s.toLatin1().constData()))]);
        db_->Execute(aendern, werte);
    }
    if (a_.tabelle == Tabelle::Buchungen) {
        db_->NummernNachziehen(tabelle_);
        db::buchungsIndexSicherstellen(*db_, jahr);  // creates what a new table lacks
    }
    abbruchPruefen();
    t.commit();
}

void Einlesen::summenMelden() {
    Currency s, h;
    db::Transaktion lesen(*db_, db::Transaktion::Art::Lesen);
    db_->Zeilen(QStringLiteral("SELECT BuSH, SUM(BuBetrag) FROM %1 GROUP BY BuSH").arg(tabelle_), [&](const std::vector<Variant>& z) {
        if (z[0].toString() == QLatin1String("S")) s = z[1].toCurrency();
        if (z[0].toString() == QLatin1String("H")) h = z[1].toCurrency();
    });
    lesen.commit();
    if (art90_) std::printf("davon %ld der Art 90: nicht in der Abrechnung, aber in der Soll/Haben-Prüfung\n", art90_);
    std::printf("Buchungen %d: Soll %s, Haben %s, Differenz %s\n", *a_.jahr, qPrintable(format::betrag(s)), qPrintable(format::betrag(h)),
                qPrintable(format::betrag(s - h)));
}

int Einlesen::los() {
    QFile datei(a_.datei);
    if (!datei.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "hmzres import-csv: %s kann nicht gelesen werden: %s\n", qPrintable(a_.datei), qPrintable(datei.errorString()));
        return 4;
    }
    if (!spool_.open()) {
        std::fprintf(stderr, "hmzres import-csv: keine temporäre Datei: %s (TMPDIR prüfen)\n", qPrintable(spool_.errorString()));
        return 4;
    }
    db_ = db::Engine::instance().OpenDatabase(a_.datenbank, false, false, QStringLiteral(";pwd=") + DatenbankPasswort);
    mandantLesen();
    {
        QDataStream aus(&spool_);
        CsvLeser leser(datei);
        std::vector<CsvFeld> felder;
        try {
            if (!leser.naechste(felder)) {
                fehler(1, {}, QStringLiteral("die Datei ist leer (die erste Zeile nennt die Spalten)"));
            } else {
                kopfLesen(felder);
                while (fehlerZahl_ <= MaxFehler) {
                    if (!leser.naechste(felder)) break;
                    if ((zeilen_ & 255) == 0) abbruchPruefen();
                    zeilePruefen(felder, leser.zeile(), aus);
                }
            }
        } catch (const CsvFehler& f) {
            fehler(f.zeile, {}, f.grund);
        }
        if (aus.status() != QDataStream::Ok) throw Fehler(db::nr::Allgemein, QStringLiteral("Die temporäre Datei ist voll (TMPDIR prüfen)."));
    }
    if (fehler_.isEmpty()) nachPruefen();
    if (!fehler_.isEmpty()) {
        std::fprintf(stderr, "hmzres import-csv: %s wird nicht eingelesen, der Mandant bleibt unverändert:\n", qPrintable(a_.datei));
        for (const QString& f : fehler_) std::fprintf(stderr, "%s\n", qPrintable(f));
        if (fehlerZahl_ > MaxFehler) std::fprintf(stderr, "(weitere Fehler nicht gezeigt)\n");
        return 1;
    }
    schreiben();
    std::printf("%ld Zeilen in %s eingelesen\n", zeilen_, qPrintable(tabelle_));
    if (a_.tabelle == Tabelle::Buchungen) summenMelden();
    db_->Close();
    return 0;
}

}  // namespace

int csvImportieren(const CsvImport& a) {
    try {
        return Einlesen(a).los();
    } catch (const Abbruch& ab) {
        std::fprintf(stderr, "hmzres import-csv: abgebrochen (Signal %d), der Mandant bleibt unverändert\n", ab.signal);
        return 128 + ab.signal;
    } catch (const Fehler& f) {
        std::fprintf(stderr, "hmzres import-csv: %s (Fehler %ld); der Mandant bleibt unverändert\n", qPrintable(f.Beschreibung()), f.Nummer());
        return 4;
    }
}

}  // namespace hmz::stamm
