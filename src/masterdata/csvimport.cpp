#include "masterdata/csv.h"
#include "masterdata/stammdaten.h"

#include "core/format.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/schema.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstring>

namespace hmz::stamm {

namespace {

constexpr int MaxFehler = 20;
const QChar Trenner(0x1f);

struct Abbruch {
    int signal;
};

// Tags of the values in the spool between checking and writing.
enum : quint8 { SNull, SGanz, SText, SGeld, SDatum };

// The checked rows on disk, written and read in large blocks: a file of
// hundreds of thousands of rows is never held in memory.
class Spool {
public:
    bool oeffnen() { return datei_.open(); }
    QString fehlerText() const { return datei_.errorString(); }

    void zahl(quint8 tag, qint64 n) {
        roh(&tag, 1);
        roh(&n, sizeof n);
    }
    void text(const QString& t) {
        const quint8 tag = SText;
        const char16_t* z = reinterpret_cast<const char16_t*>(t.utf16());
        if (std::all_of(z, z + t.size(), [](char16_t c) { return c < 0x80; })) {
            // ASCII is its own UTF-8: no converted copy
            const qint32 n = static_cast<qint32>(t.size());
            roh(&tag, 1);
            roh(&n, sizeof n);
            const std::size_t da = puffer_.size();
            puffer_.resize(da + static_cast<std::size_t>(n));
            std::copy(z, z + n, puffer_.begin() + static_cast<std::ptrdiff_t>(da));
            if (puffer_.size() >= Block) leeren();
            return;
        }
        const QByteArray b = t.toUtf8();
        const qint32 n = static_cast<qint32>(b.size());
        roh(&tag, 1);
        roh(&n, sizeof n);
        roh(b.constData(), n);
    }
    void wert(const Variant& v, Typ typ) {
        if (v.istNull()) {
            const quint8 tag = SNull;
            roh(&tag, 1);
            return;
        }
        switch (typ) {
        case Typ::Ganz: zahl(SGanz, v.toLong()); break;
        case Typ::Text: text(v.toString()); break;
        case Typ::Geld: zahl(SGeld, v.toCurrency().raw()); break;
        case Typ::Datum: zahl(SDatum, v.toDate().toJulianDay()); break;
        }
    }
    void roh(const void* p, qsizetype n) {
        const char* c = static_cast<const char*>(p);
        puffer_.insert(puffer_.end(), c, c + n);
        if (puffer_.size() >= Block) leeren();
    }
    void leeren() {
        if (!puffer_.empty() && datei_.write(puffer_.data(), static_cast<qint64>(puffer_.size())) != static_cast<qint64>(puffer_.size()))
            throw Fehler(db::nr::Allgemein, QStringLiteral("Die temporäre Datei ist voll (TMPDIR prüfen)."));
        puffer_.clear();
    }

    void vonVorn() {
        leeren();
        if (!datei_.flush() || !datei_.seek(0)) throw Fehler(db::nr::Allgemein, QStringLiteral("Die temporäre Datei ist voll (TMPDIR prüfen)."));
        gelesen_.clear();
        lesePos_ = 0;
    }
    template <typename T>
    T lesen() {
        T t{};
        lesen(&t, sizeof t);
        return t;
    }
    void lesen(void* p, qsizetype n) {
        char* c = static_cast<char*>(p);
        while (n > 0) {
            if (lesePos_ == gelesen_.size()) {
                gelesen_.resize(Block);
                const qint64 k = datei_.read(gelesen_.data(), Block);
                gelesen_.resize(static_cast<std::size_t>(std::max<qint64>(k, 0)));
                lesePos_ = 0;
                if (k <= 0) throw Fehler(db::nr::Allgemein, QStringLiteral("Die temporäre Datei kann nicht gelesen werden (TMPDIR prüfen)."));
            }
            const std::size_t m = std::min(static_cast<std::size_t>(n), gelesen_.size() - lesePos_);
            std::memcpy(c, gelesen_.data() + lesePos_, m);
            lesePos_ += m;
            c += m;
            n -= static_cast<qsizetype>(m);
        }
    }
    // The next value as the store takes it (dates as "YYYY-MM-DD").
    void feldwert(db::Feldwert& f) {
        const auto tag = lesen<quint8>();
        switch (tag) {
        case SNull: f.art = db::Feldwert::Art::Null; break;
        case SGanz: f.art = db::Feldwert::Art::Ganz; f.ganz = lesen<qint64>(); break;
        case SGeld: f.art = db::Feldwert::Art::Geld; f.ganz = lesen<qint64>(); break;
        case SText: {
            f.art = db::Feldwert::Art::Text;
            f.bytes.resize(lesen<qint32>());
            lesen(f.bytes.data(), f.bytes.size());
            break;
        }
        case SDatum: {
            int j = 0, m = 0, t = 0;
            QDate::fromJulianDay(lesen<qint64>()).getDate(&j, &m, &t);
            f.art = db::Feldwert::Art::Text;
            f.bytes.resize(10);
            char* b = f.bytes.data();
            const auto ziffern = [](char* z, int v, int n) {
                for (int i = n - 1; i >= 0; --i, v /= 10) z[i] = static_cast<char>('0' + v % 10);
            };
            ziffern(b, j, 4);
            ziffern(b + 5, m, 2);
            ziffern(b + 8, t, 2);
            b[4] = b[7] = '-';
            break;
        }
        }
    }

private:
    static constexpr qsizetype Block = 1 << 20;
    QTemporaryFile datei_;
    std::vector<char> puffer_, gelesen_;  // to be written, read
    std::size_t lesePos_ = 0;
};

// A stored value back as the engine's value of its column's type.
Variant alsWert(const db::Feldwert& f, Typ typ) {
    switch (f.art) {
    case db::Feldwert::Art::Null: return Variant::null();
    case db::Feldwert::Art::Geld: return Variant::currency(Currency::fromRaw(f.ganz));
    case db::Feldwert::Art::Ganz: return Variant::lng(static_cast<std::int32_t>(f.ganz));
    default: break;
    }
    if (typ == Typ::Datum) return Variant::date(QDate::fromString(QString::fromLatin1(f.bytes), Qt::ISODate));
    return Variant::string(QString::fromUtf8(f.bytes));
}

// The plain integers and amounts export writes, read without wertLesen's
// general parsing; anything else (and every error) goes through wertLesen.
std::optional<Variant> schnellLesen(Typ typ, const QString& text, bool dezimalpunkt) {
    const auto* p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    const auto ziffer = [&](qsizetype i) { return p[i] >= u'0' && p[i] <= u'9' ? p[i] - u'0' : -1; };
    qsizetype i = n > 0 && p[0] == u'-' ? 1 : 0;
    const bool minus = i == 1;
    if (typ == Typ::Ganz) {
        if (n - i < 1 || n - i > 9) return std::nullopt;
        std::int32_t v = 0;
        for (; i < n; ++i) {
            if (ziffer(i) < 0) return std::nullopt;
            v = v * 10 + ziffer(i);
        }
        return Variant::lng(minus ? -v : v);
    }
    if (typ != Typ::Geld) return std::nullopt;
    const char16_t komma = dezimalpunkt ? u'.' : u',', gruppe = dezimalpunkt ? u',' : u'.';
    qint64 ganz = 0, bruch = 0;
    int ziffern = 0, inGruppe = 0, stellen = 0;
    bool gruppen = false;
    for (; i < n && p[i] != komma; ++i) {
        if (p[i] == gruppe) {
            if (ziffern == 0 || (gruppen && inGruppe != 3)) return std::nullopt;
            gruppen = true;
            inGruppe = 0;
        } else if (ziffer(i) < 0 || ++ziffern > 14) {
            return std::nullopt;
        } else {
            ganz = ganz * 10 + ziffer(i);
            ++inGruppe;
        }
    }
    if (ziffern == 0 || (gruppen && inGruppe != 3) || (i < n && i + 1 == n)) return std::nullopt;
    for (i = i < n ? i + 1 : n; i < n; ++i) {
        if (ziffer(i) < 0 || ++stellen > 4) return std::nullopt;
        bruch = bruch * 10 + ziffer(i);
    }
    for (; stellen < 4; ++stellen) bruch *= 10;
    const qint64 roh = ganz * 10000 + bruch;
    return Variant::currency(Currency::fromRaw(minus ? -roh : roh));
}

// The booking numbers of a file and their lines. An exported file lists
// them in ascending order: that run is kept in order and needs no hashing of
// hundreds of thousands of numbers; numbers out of that order are hashed.
class BuchungsNummern {
public:
    void reservieren(qsizetype n) { folge_.reserve(static_cast<std::size_t>(n)); }
    // The line where nr came before, else 0 (and nr is kept with its line).
    long merken(qint64 nr, long zeile) {
        if (folge_.empty() || nr > folge_.back().first) {
            folge_.emplace_back(nr, zeile);
            return 0;
        }
        const auto f = std::lower_bound(folge_.begin(), folge_.end(), std::pair<qint64, long>(nr, 0));
        if (f != folge_.end() && f->first == nr) return f->second;
        if (const auto r = rest_.constFind(nr); r != rest_.cend()) return *r;
        rest_.insert(nr, zeile);
        return 0;
    }

private:
    std::vector<std::pair<qint64, long>> folge_;
    QHash<qint64, long> rest_;
};

// Records read and their values parsed, handed from the reading thread to
// the checking one in file order.
struct Stapel {
    std::vector<long> zeilen;                               // where each record began
    std::vector<qsizetype> felder;                          // its number of fields
    std::vector<Variant> werte;                             // one per column and record
    std::vector<std::pair<std::size_t, QString>> gruende;   // a value refused: its place in werte, why
    std::optional<CsvFehler> fehler;                        // the file cannot be read on from here
    std::exception_ptr ausnahme;
    bool ende = false;

    // Emptied for the next records, keeping its memory.
    void leeren() {
        zeilen.clear();
        felder.clear();
        werte.clear();
        gruende.clear();
        fehler.reset();
        ausnahme = nullptr;
        ende = false;
    }
};

class Einlesen {
public:
    explicit Einlesen(const CsvImport& a) : a_(a), sp_(spalten(a.tabelle)), tabelle_(tabellenName(a.tabelle, a.jahr.value_or(0))) {
        bu_ = {index("BuNr"), index("BuObjNr"), index("BuKontoNr"), index("BuDatum"), index("BuBetrag"), index("BuSH"), index("BuSHVorzeichen"), index("BuArt")};
    }

    int los();

private:
    const CsvImport& a_;
    const std::vector<Spaltenregel>& sp_;
    const QString tabelle_;
    std::unique_ptr<db::Database> db_;
    std::vector<int> feld_;  // per column its field in the file, -1 when missing
    struct {
        int nr, obj, konto, datum, betrag, sh, vz, art;
    } bu_{};  // the bookings' columns, looked up once
    std::vector<Variant> w_;
    qsizetype felder_ = 0;
    QStringList fehler_;
    long fehlerZahl_ = 0;

    // The client as it was before the file was read.
    QSet<long> objekte_;
    QSet<QString> konten_, schluessel_;
    BuchungsRegeln regeln_{0, [this](long nr) { return objekte_.contains(nr); }, [this](const QString& nr) { return konten_.contains(nr); },
                           QStringLiteral(" (zuerst die Objekte einlesen)"), QStringLiteral(" (zuerst die Konten einlesen)")};
    QHash<qint64, long> buNrObjekt_;
    bool tabelleDa_ = true;
    long mandantZeilen_ = 0;

    // What the file holds.
    QHash<QString, long> dateiSchluessel_;
    BuchungsNummern dateiBuNr_;
    QSet<long> dateiObjekte_;
    QSet<int> dateiJahre_;
    std::vector<std::pair<long, qint64>> buNrBesetzt_;
    qint64 groessteBuNr_ = 0;
    Currency soll_, haben_;
    long zeilen_ = 0, art90_ = 0;
    long vorhandenZahl_ = 0;
    Spool spool_;

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
    void werteLesen(std::vector<CsvFeld>& felder, Stapel& s) const;
    void zeilePruefen(Stapel& s, std::size_t r, std::size_t& grund);
    void lesenUndPruefen(QFile& datei);
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
        regeln_.jahr = jahr;
        tabelleDa_ = tabellen.contains(tabelle_, Qt::CaseInsensitive);
        if (tabelleDa_)
            db_->Zeilen(QStringLiteral("SELECT BuNr, BuObjNr FROM %1").arg(tabelle_),
                        [&](const std::vector<Variant>& z) { buNrObjekt_.insert(z[0].toLong(), z[1].toLong()); });
        break;
    }
    lesen.commit();
}

void Einlesen::werteLesen(std::vector<CsvFeld>& felder, Stapel& s) const {
    const bool passt = static_cast<qsizetype>(felder.size()) == felder_;
    for (std::size_t i = 0; i < sp_.size(); ++i) {
        if (!passt || feld_[i] < 0) {
            s.werte.push_back(Variant::null());
            continue;
        }
        CsvFeld& f = felder[static_cast<std::size_t>(feld_[i])];
        if (sp_[i].typ == Typ::Text && !f.text.isEmpty()) {
            s.werte.push_back(Variant::string(std::move(f.text)));  // the reader's field stays unshared
            continue;
        }
        if (auto v = schnellLesen(sp_[i].typ, f.text, a_.dezimalpunkt)) {
            s.werte.push_back(std::move(*v));
            continue;
        }
        QString grund;
        auto v = wertLesen(sp_[i].typ, f.text, f.zitiert, a_.dezimalpunkt, grund);
        if (!v) s.gruende.emplace_back(s.werte.size(), grund);
        s.werte.push_back(v ? std::move(*v) : Variant::null());
    }
}

void Einlesen::zeilePruefen(Stapel& s, std::size_t r, std::size_t& grund) {
    const long zeile = s.zeilen[r];
    const std::size_t basis = r * sp_.size();
    if (s.felder[r] != felder_) {
        fehler(zeile, {}, QStringLiteral("%1 Felder statt %2 wie in der Kopfzeile").arg(s.felder[r]).arg(felder_));
        return;
    }
    const long vorher = fehlerZahl_;
    std::vector<Variant>& w = w_;
    w.resize(sp_.size());
    std::move(s.werte.begin() + static_cast<std::ptrdiff_t>(basis), s.werte.begin() + static_cast<std::ptrdiff_t>(basis + sp_.size()), w.begin());
    for (; grund < s.gruende.size() && s.gruende[grund].first < basis + sp_.size(); ++grund)
        fehler(zeile, sp_[s.gruende[grund].first - basis].name, s.gruende[grund].second);
    const auto wert = [&](const char* name) -> Variant& { return w[static_cast<std::size_t>(index(name))]; };
    if (a_.tabelle != Tabelle::Buchungen)  // a booking's values have no rule beyond their type
        for (std::size_t i = 0; i < sp_.size(); ++i)
            if (const QString g = wertRegel(a_.tabelle, sp_[i].name, w[i]); !g.isEmpty()) fehler(zeile, sp_[i].name, g);
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
        const QString sh = w[static_cast<std::size_t>(bu_.sh)].toString();
        const Variant& obj = w[static_cast<std::size_t>(bu_.obj)];
        regeln_.pruefen(w[static_cast<std::size_t>(bu_.sh)], w[static_cast<std::size_t>(bu_.vz)], w[static_cast<std::size_t>(bu_.datum)], obj,
                        w[static_cast<std::size_t>(bu_.konto)], [&](const QString& spalte, const QString& g) { fehler(zeile, spalte, g); });
        Variant& art = w[static_cast<std::size_t>(bu_.art)];
        if (art.istNull() || art.toString().isEmpty()) art = Variant::string(NormaleBuchungsart);
        if (art.toString() == VortragsBuchungsart) ++art90_;
        if (!obj.istNull()) dateiObjekte_.insert(obj.toLong());
        const Variant& betrag = w[static_cast<std::size_t>(bu_.betrag)];
        if (!betrag.istNull() && sh == QLatin1String("S")) soll_ += betrag.toCurrency();
        if (!betrag.istNull() && sh == QLatin1String("H")) haben_ += betrag.toCurrency();
        const Variant& nr = w[static_cast<std::size_t>(bu_.nr)];
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
        if (const Variant& nr = w[static_cast<std::size_t>(bu_.nr)]; !nr.istNull()) {
            if (const long d = dateiBuNr_.merken(nr.toLong(), zeile))
                fehler(zeile, QStringLiteral("BuNr"), QStringLiteral("%1 steht schon in Zeile %2").arg(nr.toLong()).arg(d));
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
    if (vorhanden) ++vorhandenZahl_;
    const quint8 da = vorhanden;
    spool_.roh(&da, 1);
    for (std::size_t i = 0; i < sp_.size(); ++i) spool_.wert(w[i], sp_[i].typ);
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
    QStringList namen, setzen, wo;
    for (std::size_t i = 0; i < sp_.size(); ++i) {
        namen << sp_[i].name;
        if (feld_[i] >= 0 && !schluessel(a_.tabelle).contains(sp_[i].name)) setzen << sp_[i].name + QStringLiteral(" = ?");
    }
    for (const QString& s : schluessel(a_.tabelle)) wo << s + QStringLiteral(" = ?");
    const QString aendern = QStringLiteral("UPDATE %1 SET %2").arg(tabelle_, setzen.join(QStringLiteral(", "))) +
                            (wo.isEmpty() ? QString() : QStringLiteral(" WHERE ") + wo.join(QStringLiteral(" AND ")));
    const int buNr = index("BuNr");
    long n = 0;
    bool vorhanden = false;
    // One row from the spool; the numbers of bookings without one follow the largest.
    const auto lesen = [&](std::vector<db::Feldwert>& w) {
        if ((n & 255) == 0) abbruchPruefen();
        vorhanden = spool_.lesen<quint8>() != 0;
        w.resize(sp_.size());
        for (auto& f : w) spool_.feldwert(f);
        if (buNr >= 0 && w[static_cast<std::size_t>(buNr)].art == db::Feldwert::Art::Null)
            w[static_cast<std::size_t>(buNr)] = db::Feldwert::zahl(naechsteNr++);
        ++n;
    };
    std::vector<db::Feldwert> w;
    // Rows there already are changed first (few: never bookings), then the new ones appended in bulk.
    if (vorhandenZahl_ > 0 && !setzen.isEmpty()) {
        spool_.vonVorn();
        std::vector<Variant> werte;
        for (n = 0; n < zeilen_;) {
            lesen(w);
            if (!vorhanden) continue;
            werte.clear();
            for (std::size_t i = 0; i < sp_.size(); ++i)
                if (feld_[i] >= 0 && !schluessel(a_.tabelle).contains(sp_[i].name)) werte.push_back(alsWert(w[i], sp_[i].typ));
            for (const QString& s : schluessel(a_.tabelle)) {
                const auto k = static_cast<std::size_t>(index(s.toLatin1().constData()));
                werte.push_back(alsWert(w[k], sp_[k].typ));
            }
            db_->Execute(aendern, werte);
        }
    }
    spool_.vonVorn();
    n = 0;
    db_->Anhaengen(tabelle_, namen, [&](std::vector<db::Feldwert>& zeile) {
        while (n < zeilen_) {
            lesen(zeile);
            if (!vorhanden) return true;
        }
        return false;
    });
    if (a_.tabelle == Tabelle::Buchungen) {
        db_->NummernNachziehen(tabelle_);
        // A new table gets its lookup index, as a bulk-written client does (a
        // storing run adds the balance check's); an older one what it lacks.
        if (tabelleDa_) db::buchungsIndexSicherstellen(*db_, jahr);
        else db_->Execute(db::schemaBuchungsjahr(jahr).at(1));
    }
    abbruchPruefen();
    t.commit();
}

void Einlesen::summenMelden() {
    // A table the import made holds the file's rows alone: no need to read them back.
    Currency s = tabelleDa_ ? Currency() : soll_, h = tabelleDa_ ? Currency() : haben_;
    if (tabelleDa_) {
        db::Transaktion lesen(*db_, db::Transaktion::Art::Lesen);
        db_->Zeilen(QStringLiteral("SELECT BuSH, SUM(BuBetrag) FROM %1 GROUP BY BuSH").arg(tabelle_), [&](const std::vector<Variant>& z) {
            if (z[0].toString() == QLatin1String("S")) s = z[1].toCurrency();
            if (z[0].toString() == QLatin1String("H")) h = z[1].toCurrency();
        });
        lesen.commit();
    }
    if (art90_) std::printf("davon %ld der Art 90: nicht in der Abrechnung, aber in der Soll/Haben-Prüfung\n", art90_);
    std::printf("Buchungen %d: Soll %s, Haben %s, Differenz %s\n", *a_.jahr, qPrintable(format::betrag(s)), qPrintable(format::betrag(h)),
                qPrintable(format::betrag(s - h)));
}

// One thread reads and parses the file while this one checks and spools
// what it has parsed: the two halves of the work on two cores.
void Einlesen::lesenUndPruefen(QFile& datei) {
    CsvLeser leser(datei);
    std::vector<CsvFeld> felder;
    try {
        if (!leser.naechste(felder)) {
            fehler(1, {}, QStringLiteral("die Datei ist leer (die erste Zeile nennt die Spalten)"));
            return;
        }
    } catch (const CsvFehler& f) {
        fehler(f.zeile, {}, f.grund);
        return;
    }
    kopfLesen(felder);
    std::mutex m;
    std::condition_variable cv;
    std::deque<Stapel> fertig, frei;  // for checking; checked, to be filled again
    bool halt = false;
    std::thread leserFaden([&] {
        for (bool weiter = true; weiter;) {
            Stapel s;
            {
                std::lock_guard l(m);
                if (!frei.empty()) {
                    s = std::move(frei.front());
                    frei.pop_front();
                }
            }
            try {
                while (s.zeilen.size() < 512) {
                    if (!leser.naechste(felder)) {
                        s.ende = true;
                        break;
                    }
                    s.zeilen.push_back(leser.zeile());
                    s.felder.push_back(static_cast<qsizetype>(felder.size()));
                    werteLesen(felder, s);
                }
            } catch (const CsvFehler& f) {
                s.fehler = f;
                s.ende = true;
            } catch (...) {
                s.ausnahme = std::current_exception();
                s.ende = true;
            }
            weiter = !s.ende;
            std::unique_lock l(m);
            cv.wait(l, [&] { return halt || fertig.size() < 4; });
            if (halt) return;
            fertig.push_back(std::move(s));
            cv.notify_all();
        }
    });
    const auto anhalten = [&] {
        {
            std::lock_guard l(m);
            halt = true;
        }
        cv.notify_all();
        leserFaden.join();
    };
    try {
        for (bool weiter = true; weiter && fehlerZahl_ <= MaxFehler;) {
            Stapel s;
            {
                std::unique_lock l(m);
                cv.wait(l, [&] { return !fertig.empty(); });
                s = std::move(fertig.front());
                fertig.pop_front();
                cv.notify_all();
            }
            std::size_t grund = 0;
            for (std::size_t r = 0; r < s.zeilen.size() && fehlerZahl_ <= MaxFehler; ++r) {
                if ((zeilen_ & 255) == 0) abbruchPruefen();
                zeilePruefen(s, r, grund);
            }
            if (s.ausnahme) std::rethrow_exception(s.ausnahme);
            if (s.fehler && fehlerZahl_ <= MaxFehler) fehler(s.fehler->zeile, {}, s.fehler->grund);
            weiter = !s.ende;
            s.leeren();
            std::lock_guard l(m);
            frei.push_back(std::move(s));
        }
    } catch (...) {
        anhalten();
        throw;
    }
    anhalten();
}

int Einlesen::los() {
    QFile datei(a_.datei);
    if (!datei.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "hmzres import-csv: %s kann nicht gelesen werden: %s\n", qPrintable(a_.datei), qPrintable(datei.errorString()));
        return 4;
    }
    if (!spool_.oeffnen()) {
        std::fprintf(stderr, "hmzres import-csv: keine temporäre Datei: %s (TMPDIR prüfen)\n", qPrintable(spool_.fehlerText()));
        return 4;
    }
    db_ = mandantOeffnen(a_.datenbank, false);
    mandantLesen();
    {
        // About one booking per 80 bytes: the file's numbers fit without rehashing.
        if (a_.tabelle == Tabelle::Buchungen) dateiBuNr_.reservieren(static_cast<qsizetype>(std::min<qint64>(datei.size() / 80, 4'000'000)));
        lesenUndPruefen(datei);
        spool_.leeren();
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
