#include "generator.h"

#include "store/bulkwriter.h"
#include "synthetic.h"
#include "entry/zustand.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace hmz::bench {

namespace {

using db::SynthJahr;
using db::Zufall;

enum class Gruppe { Einnahmen, Ausgaben, Ehb };

Gruppe gruppe(int pos) { return pos <= 20 ? Gruppe::Einnahmen : pos <= 49 ? Gruppe::Ausgaben : Gruppe::Ehb; }

QStringList liste(std::initializer_list<const char*> t) {
    QStringList l;
    for (const char* s : t) l << QString::fromUtf8(s);
    return l;
}

const QStringList& texte(Gruppe g) {
    static const QStringList einnahmen = liste({
        "Mieteingang Top 1", "Mieteingang Top 4", "Hauptmietzins Geschäftslokal", "Garagenplatz Vorschreibung",
        "Nachzahlung Mietrückstand", "Untermietzuschlag", "Werbefläche Feuermauer", "Zinsgutschrift Rücklage",
        "Kostenersatz Schlüssel", "Mieteingang Top 12 Jänner"});
    static const QStringList ausgaben = liste({
        "Dachdeckerei Schöberl – Dachrinne", "Installateur Grünwald – Steigleitung", "Aufzugswartung Fa. Hölzl",
        "Verwaltungshonorar", "Hausbetreuung und Reinigung", "Gebäudeversicherung Prämie",
        "Rechtsanwalt Dr. Führer – Räumungsklage", "Gutachten Ing. Böhm", "Kontoführung und Spesen",
        "Schneeräumung Gehsteig", "Stiegenhausbeleuchtung erneuert", "Sperrmüllabfuhr Dachboden"});
    static const QStringList ehb = liste({"Erhaltungs- und Verbesserungsbeitrag", "EVB Geschäftslokal"});
    return g == Gruppe::Einnahmen ? einnahmen : g == Gruppe::Ausgaben ? ausgaben : ehb;
}

const QStringList& bezeichnungen(Gruppe g) {
    static const QStringList einnahmen = liste({
        "Hauptmietzins Wohnungen", "Hauptmietzins Geschäftslokale", "Hauptmietzins Garagen", "Untermietzuschläge",
        "Mietzinsrückstände", "Werbeflächeneinnahmen", "Zinserträge", "Sonstige Einnahmen"});
    static const QStringList ausgaben = liste({
        "Instandhaltung Dach", "Installateurarbeiten", "Aufzug Instandsetzung", "Verwaltungshonorar",
        "Hausbetreuung", "Gebäudeversicherung", "Rechtsanwaltskosten", "Sachverständige", "Bankspesen",
        "Sonstige Ausgaben", "Elektroarbeiten", "Fassade und Fenster"});
    static const QStringList ehb = liste({"Erhaltungsbeitrag Wohnungen", "Erhaltungsbeitrag Geschäftslokale"});
    return g == Gruppe::Einnahmen ? einnahmen : g == Gruppe::Ausgaben ? ausgaben : ehb;
}

const QStringList& strassen() {
    static const QStringList l = liste({
        "Gumpendorfer Straße", "Taborstraße", "Favoritenstraße", "Währinger Straße", "Praterstraße",
        "Josefstädter Straße", "Ottakringer Straße", "Landstraßer Hauptstraße", "Mariahilfer Straße",
        "Simmeringer Hauptstraße", "Hernalser Hauptstraße", "Brünner Straße", "Döblinger Hauptstraße"});
    return l;
}

struct Konto {
    QString nr;
    int pos;
    Gruppe gruppe;
};

// 150 accounts cover positions 1-50 three times each; the listing modes
// 0, 1, 2, 3 and Null rotate independently of the position.
std::vector<Konto> kontenAnlegen(db::BulkWriter& w, int anzahl) {
    std::vector<Konto> konten;
    for (int i = 0; i < anzahl; ++i) {
        const int pos = 1 + i % 50;
        const Gruppe g = gruppe(pos);
        const int modus = (i + i / 50) % 5;
        db::KontoZeile k;
        k.nr = QString::number((g == Gruppe::Ausgaben ? 7000 : 4000) + i);
        const auto& b = bezeichnungen(g);
        k.bezeichnung = b[i % b.size()] + QStringLiteral(" %1").arg(i / 50 + 1);
        k.pos = pos;
        if (modus < 4) k.verdichtKz = modus;
        w.konto(SynthJahr, k);
        konten.push_back({k.nr, pos, g});
    }
    w.konto(SynthJahr, {db::VerrechnungsKonto, QStringLiteral("Verrechnungskonto Bank"), 0, std::nullopt});
    return konten;
}

// About one property in fifty is a condominium and one in fifty was given up
// before the year: the run's selection leaves both out.
bool istEigentum(int nr) { return nr % 50 == 25; }
bool istAufgegeben(int nr) { return nr % 50 == 40; }

void objektAnlegen(db::BulkWriter& w, int nr, Zufall& z) {
    db::ObjektZeile o;
    o.nummer = nr;
    o.typus = istEigentum(nr) ? 1 : 0;
    o.anschrift = strassen()[z.bis(static_cast<int>(strassen().size()))] + QStringLiteral(" %1").arg(1 + z.bis(180));
    const int bezirk = 1 + z.bis(23);
    o.plz = QStringLiteral("1%10").arg(bezirk, 2, 10, QLatin1Char('0'));
    o.ort = QStringLiteral("Wien");
    o.hvStatusDatum = QDate(SynthJahr, 12, 31);
    if (istAufgegeben(nr)) o.gueltigBis = QDate(SynthJahr - 1, 1 + z.bis(12), 1).addMonths(1).addDays(-1);
    else if (nr % 50 == 10) o.gueltigBis = QDate(SynthJahr + 2, 12, 31);  // ends later: still printed
    w.objekt(o);
}

void jahresSummenAnlegen(db::BulkWriter& w, int nr, int jahre, Zufall& z) {
    for (int j = SynthJahr - jahre + 1; j <= SynthJahr; ++j) {
        const std::int64_t f = j < db::SynthEuroJahr ? 14 : 1;  // schillings before the change-over
        w.jahresSumme(nr, j, z.cent(-20000 * 100 * f, 60000 * 100 * f), z.cent(0, 9000 * 100 * f));
    }
}

// One property's bookings: a few dozen of the accounts, income mostly on the
// credit side, expenditure on the debit side, now and then a refund, a
// correction mark or a booking of kind 90.
void buchungenAnlegen(db::BulkWriter& w, int nr, int paare, const std::vector<Konto>& konten, Zufall& z,
                      int& beleg) {
    std::vector<const Konto*> auswahl;
    for (int i = 0; i < 30; ++i) auswahl.push_back(&konten[z.bis(static_cast<int>(konten.size()))]);
    db::BuchungZeile b;
    b.objNr = nr;
    for (int i = 0; i < paare; ++i) {
        const Konto& k = *auswahl[z.bis(static_cast<int>(auswahl.size()))];
        b.kontoNr = k.nr;
        b.datum = QDate(SynthJahr, 1, 1).addDays(z.bis(365));
        b.belegNr = ++beleg;
        const auto& t = texte(k.gruppe);
        b.text1 = t[z.bis(static_cast<int>(t.size()))];
        switch (k.gruppe) {
        case Gruppe::Einnahmen: b.betrag = z.cent(5000, 500000); b.sh = 'H'; break;
        case Gruppe::Ausgaben: b.betrag = z.cent(2000, 800000); b.sh = 'S'; break;
        case Gruppe::Ehb: b.betrag = z.cent(10000, 150000); b.sh = 'H'; break;
        }
        if (z.chance(5)) b.sh = b.sh == 'H' ? 'S' : 'H';
        const int r = z.bis(100);
        b.korrKz = r < 2 ? QStringLiteral("K") : QString();
        b.art = r == 2 ? QStringLiteral("90") : QStringLiteral("01");
        db::buchungsPaar(w, b);
    }
}

}  // namespace

GeneratorParameter GeneratorParameter::skaliert(int scale, std::uint64_t seed) {
    GeneratorParameter p;
    p.objekte *= scale;
    p.buchungen *= scale;
    p.seed = seed;
    return p;
}

GeneratorErgebnis generieren(const QString& pfad, const GeneratorParameter& p) {
    db::BulkWriter w(pfad, {SynthJahr}, DatenbankPasswort);
    Zufall z(p.seed);
    w.mandant(db::wienerHausverwaltung());
    w.einstellung(149, 1, QStringLiteral("HauptMzRes Euro ausweisen (1=ausweisen)"));
    const auto konten = kontenAnlegen(w, std::max(1, p.konten));

    GeneratorErgebnis e;
    const int paare = p.buchungen / 2;
    int beleg = 0;
    for (int nr = 1; nr <= p.objekte; ++nr) {
        objektAnlegen(w, nr, z);
        jahresSummenAnlegen(w, nr, p.jahre, z);
        const int anteil = paare / p.objekte + (nr <= paare % p.objekte ? 1 : 0);
        buchungenAnlegen(w, nr, anteil, konten, z, beleg);
        e.buchungen += 2 * anteil;
        if (!istEigentum(nr) && !istAufgegeben(nr)) ++e.gedruckt;
    }
    e.objekte = p.objekte;
    w.fertig();
    return e;
}

}  // namespace hmz::bench
