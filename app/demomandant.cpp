#include "demomandant.h"

#include "store/bulkwriter.h"
#include "synthetic.h"
#include "entry/zustand.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hmz {

namespace {

using db::BuchungZeile;
using db::KontoZeile;
using db::ObjektZeile;
using db::SynthJahr;
using db::Zufall;

enum class Muster { Monatlich, Quartal, Einzeln, Jaehrlich, Nie };

struct DemoKonto {
    KontoZeile konto;
    char seite;              // the usual side: 'H' income, 'S' expenditure
    Muster muster;
    QStringList texte;
    int euroVon, euroBis;    // range of one booking
    int anzahl = 0;          // bookings of an Einzeln account
    bool immer = false;      // every property has it
};

constexpr std::nullopt_t ohne = std::nullopt;

std::vector<DemoKonto> demoKonten() {
    auto L = [](std::initializer_list<const char*> t) {
        QStringList l;
        for (const char* s : t) l << QString::fromUtf8(s);
        return l;
    };
    auto K = [](const char* nr, const char* bez, std::optional<int> pos, std::optional<int> kz) {
        return KontoZeile{QString::fromUtf8(nr), QString::fromUtf8(bez), pos, kz};
    };
    return {
        // Income, positions 1-20.
        {K("4000", "Hauptmietzins Wohnungen", 1, 2), 'H', Muster::Monatlich, L({"Hauptmietzins Wohnungen"}), 2500, 6000, 0, true},
        {K("4010", "Hauptmietzins Geschäftslokale", 2, 0), 'H', Muster::Monatlich, L({"Miete Geschäftslokal Top 1"}), 800, 2200},
        {K("4020", "Hauptmietzins Garagenplätze", 3, 1), 'H', Muster::Quartal, L({"Garagenplätze Vorschreibung"}), 300, 900},
        {K("4100", "Untermietzuschläge", 5, 3), 'H', Muster::Quartal, L({"Untermietzuschlag Top 7"}), 40, 120},
        {K("4150", "Mietzinsrückstände Vorjahr", 8, ohne), 'H', Muster::Einzeln,
         L({"Nachzahlung Mietrückstand Top 3", "Rückstand 2002 Top 11 beglichen"}), 150, 1200, 2},
        {K("4200", "Werbeflächeneinnahmen", 11, 0), 'H', Muster::Quartal, L({"Werbefläche Feuermauer Plakat-Müller"}), 400, 1100},
        {K("4300", "Zinserträge Rücklage", 15, 1), 'H', Muster::Quartal, L({"Habenzinsen Mietzinsreservekonto"}), 5, 60},
        {K("4400", "Sonstige Einnahmen", 20, 0), 'H', Muster::Einzeln,
         L({"Schadenersatz Versicherung Wasserschaden", "Kostenersatz Schlüssel Top 2", "Kopierkostenersatz Mieter"}), 30, 900, 3},
        // Expenditure, positions 21-49.
        {K("7000", "Instandhaltung Dach und Fassade", 21, 0), 'S', Muster::Einzeln,
         L({"Dachdeckerei Schöberl – Dachrinne repariert", "Spenglerarbeiten Kamineinfassung",
            "Fassadenausbesserung Hofseite", "Gerüstmiete Fassade"}), 350, 8500, 3},
        {K("7010", "Installateurarbeiten", 22, 0), 'S', Muster::Einzeln,
         L({"Installateur Grünwald – Steigleitung getauscht", "Rohrbruch Keller behoben", "Gasleitung überprüft"}), 120, 4200, 3},
        {K("7050", "Elektroarbeiten Allgemeinteile", 23, 2), 'S', Muster::Einzeln,
         L({"Stiegenhausbeleuchtung erneuert", "Elektrobefund Allgemeinteile", "Sicherungskasten Keller getauscht"}), 80, 2400, 3},
        {K("7100", "Aufzugsanlage Instandsetzung", 25, 0), 'S', Muster::Einzeln,
         L({"Aufzugsreparatur Fa. Hölzl – Türkontakt", "Aufzug Seiltausch", "Notrufeinrichtung Aufzug erneuert"}), 200, 5500, 2},
        {K("7110", "Verwaltungshonorar", 26, 2), 'S', Muster::Monatlich, L({"Verwaltungshonorar"}), 180, 420, 0, true},
        {K("7200", "Hausbetreuung und Reinigung", 30, 2), 'S', Muster::Monatlich, L({"Hausbetreuung und Reinigung"}), 150, 480, 0, true},
        {K("7300", "Gebäudeversicherung", 32, 1), 'S', Muster::Quartal, L({"Feuer- und Sturmschadenversicherung Prämie"}), 400, 1400},
        {K("7400", "Rechtsanwaltskosten", 35, 3), 'S', Muster::Einzeln,
         L({"Dr. Führer – Räumungsklage Top 9", "Honorarnote Schlichtungsstelle"}), 300, 2800, 2},
        {K("7410", "Sachverständigengebühren", 36, ohne), 'S', Muster::Einzeln,
         L({"Ing. Böhm – Gutachten Feuchtigkeitsschäden", "Befundung Gasleitungen"}), 250, 1900, 2},
        {K("7500", "Bankspesen", 40, 2), 'S', Muster::Quartal, L({"Kontoführung und Spesen"}), 12, 45},
        {K("7600", "Sonstige Ausgaben", 45, 0), 'S', Muster::Einzeln,
         L({"Schlüsseldienst Haustor", "Porto Mieterrundschreiben", "Sperrmüllabfuhr Dachboden", "Schneeräumung Gehsteig"}), 25, 600, 3},
        {K("7700", "Kanalräumung", 28, 0), 'S', Muster::Nie, {}, 0, 0},
        {K("7800", "Grundbuchsgebühren", 49, 1), 'S', Muster::Jaehrlich, L({"Grundbuchsauszüge und Eingaben"}), 20, 300},
        // Maintenance contribution, position 50.
        {K("4900", "Erhaltungsbeitrag Wohnungen", 50, 2), 'H', Muster::Monatlich, L({"Erhaltungs- und Verbesserungsbeitrag"}), 200, 900},
        {K("4910", "Erhaltungsbeitrag Geschäftslokale", 50, 0), 'H', Muster::Quartal, L({"EVB Geschäftslokal Top 1"}), 150, 450},
        // Accounts that never appear on a statement.
        {K("2800", "Verrechnungskonto Bank", 0, ohne), 'S', Muster::Nie, {}, 0, 0},
        {K("3500", "Umsatzsteuer-Zahllast", ohne, ohne), 'S', Muster::Nie, {}, 0, 0},
        {K("3600", "Betriebskosten-Akonto", 60, 3), 'H', Muster::Monatlich, L({"Betriebskosten-Akonto"}), 400, 1200},
    };
}

std::vector<ObjektZeile> demoObjekte() {
    struct O { int nr; const char* anschrift; const char* plz; int typus; QDate bis; };
    const O liste[] = {
        {1, "Gumpendorfer Straße 112", "1060", 0, {}},
        {2, "Taborstraße 24", "1020", 0, {}},
        {3, "Favoritenstraße 87", "1100", 0, {}},
        {4, "Währinger Straße 145", "1180", 0, {}},
        {5, "Praterstraße 9", "1020", 1, {}},                    // condominium: no reserve statement
        {6, "Josefstädter Straße 31", "1080", 0, {}},
        {7, "Ottakringer Straße 58", "1160", 0, QDate(2002, 6, 30)},  // management ended in 2002
        {8, "Landstraßer Hauptstraße 73", "1030", 0, {}},
    };
    std::vector<ObjektZeile> v;
    for (const auto& o : liste) {
        ObjektZeile z;
        z.nummer = o.nr;
        z.typus = o.typus;
        z.anschrift = QString::fromUtf8(o.anschrift);
        z.plz = QString::fromUtf8(o.plz);
        z.ort = QStringLiteral("Wien");
        z.hvStatusDatum = QDate(SynthJahr, 12, 31);
        z.gueltigBis = o.bis;
        v.push_back(z);
    }
    return v;
}

class DemoBuchungen {
public:
    explicit DemoBuchungen(db::BulkWriter& w) : w_(w) {}

    void konto(int objNr, const DemoKonto& dk, Zufall& z, double groesse) {
        const QLocale at(QLocale::German, QLocale::Austria);
        auto betrag = [&] {
            const auto von = static_cast<std::int64_t>(dk.euroVon * groesse * 100);
            const auto bis = static_cast<std::int64_t>(dk.euroBis * groesse * 100);
            return z.cent(von, std::max(von, bis));
        };
        switch (dk.muster) {
        case Muster::Monatlich: {
            const Currency monat = betrag();  // the same prescription every month
            for (int m = 1; m <= 12; ++m)
                schreiben(objNr, dk, QDate(SynthJahr, m, 5), dk.texte[0] + QLatin1Char(' ') + at.monthName(m), monat);
            break;
        }
        case Muster::Quartal:
            for (int q = 0; q < 4; ++q)
                schreiben(objNr, dk, QDate(SynthJahr, 3 * q + 1, 10 + z.bis(10)),
                          dk.texte[0] + QStringLiteral(" %1. Quartal").arg(q + 1), betrag());
            break;
        case Muster::Einzeln:
            for (int i = 0; i < dk.anzahl; ++i)
                schreiben(objNr, dk, QDate(SynthJahr, 1 + z.bis(12), 1 + z.bis(28)),
                          dk.texte[z.bis(static_cast<int>(dk.texte.size()))], betrag());
            break;
        case Muster::Jaehrlich:
            schreiben(objNr, dk, QDate(SynthJahr, 11, 20), dk.texte[0] + QStringLiteral(" %1").arg(SynthJahr), betrag());
            break;
        case Muster::Nie:
            break;
        }
    }

    // A rent booked twice and its reversal: both carry the correction mark,
    // so neither reaches the statement.
    void korrektur(int objNr, const DemoKonto& dk, Currency betrag) {
        schreiben(objNr, dk, QDate(SynthJahr, 3, 6), QStringLiteral("Hauptmietzins März doppelt erfasst"), betrag, 'H',
                  QStringLiteral("K"));
        schreiben(objNr, dk, QDate(SynthJahr, 3, 28), QStringLiteral("Storno Doppelerfassung März"), betrag, 'S',
                  QStringLiteral("K"));
    }

    // The carried-forward contribution of the previous year: kind 90, not part of the year's statement.
    void vortrag(int objNr, const DemoKonto& dk, Currency betrag) {
        schreiben(objNr, dk, QDate(SynthJahr, 1, 1), QStringLiteral("Saldovortrag EVB %1").arg(SynthJahr - 1), betrag,
                  'H', {}, QStringLiteral("90"));
    }

    // A refund against the usual side (a credit note on an income account,
    // an insurance payment on an expenditure account).
    void gegenbuchung(int objNr, const DemoKonto& dk, const QString& text, Currency betrag, const QString& korrKz = {}) {
        schreiben(objNr, dk, QDate(SynthJahr, 9, 15), text, betrag, dk.seite == 'H' ? 'S' : 'H', korrKz);
    }

    void schreiben(int objNr, const DemoKonto& dk, QDate datum, const QString& text, Currency betrag,
                   char seite = 0, const QString& korrKz = {}, const QString& art = QStringLiteral("01")) {
        BuchungZeile b;
        b.objNr = objNr;
        b.kontoNr = dk.konto.nr;
        b.datum = datum;
        b.belegNr = ++beleg_;
        b.text1 = text;
        b.text2 = QStringLiteral("Objekt %1").arg(objNr);
        b.betrag = betrag;
        b.sh = seite ? seite : dk.seite;
        b.korrKz = korrKz;
        b.art = art;
        db::buchungsPaar(w_, b);
    }

private:

    db::BulkWriter& w_;
    int beleg_ = 0;
};

const DemoKonto& konto(const std::vector<DemoKonto>& konten, const char* nr) {
    for (const auto& dk : konten)
        if (dk.konto.nr == QLatin1String(nr)) return dk;
    throw std::logic_error(nr);
}

void jahresSummen(db::BulkWriter& w, int objNr, Zufall& z) {
    for (int j = 1994; j < SynthJahr; ++j) {
        // Schillings up to 2001, euro from 2002 on.
        const bool ats = j < db::SynthEuroJahr;
        const std::int64_t f = ats ? 14 : 1;
        w.jahresSumme(objNr, j, z.cent(-8000 * 100 * f, 25000 * 100 * f), z.cent(0, 6000 * 100 * f));
    }
}

}  // namespace

void demoMandantAnlegen(const QString& pfad) {
    db::BulkWriter w(pfad, {SynthJahr}, DatenbankPasswort);
    w.mandant(db::wienerHausverwaltung());
    w.einstellung(149, 1, QStringLiteral("HauptMzRes Euro ausweisen (1=ausweisen)"));

    const auto konten = demoKonten();
    for (const auto& dk : konten) w.konto(SynthJahr, dk.konto);

    DemoBuchungen buchungen(w);
    Zufall z(20030101);
    for (const auto& o : demoObjekte()) {
        w.objekt(o);
        jahresSummen(w, o.nummer, z);
        const double groesse = 0.6 + 0.15 * z.bis(9);
        for (const auto& dk : konten) {
            // Property 4 collects no maintenance contribution; the others
            // use most of the accounts.
            if (o.nummer == 4 && dk.konto.pos == 50) continue;
            if (dk.immer || o.nummer == 1 || z.chance(75)) buchungen.konto(o.nummer, dk, z, groesse);
        }
        const auto& miete = konto(konten, "4000");
        buchungen.korrektur(o.nummer, miete, Currency::fromUnits(3250));
        if (o.nummer != 4) buchungen.vortrag(o.nummer, konto(konten, "4900"), Currency::fromUnits(1840 + 120 * o.nummer));
        buchungen.gegenbuchung(o.nummer, miete, QStringLiteral("Gutschrift Mietzinsminderung Top 4"), z.cent(5000, 30000));
        buchungen.gegenbuchung(o.nummer, konto(konten, "7300"), QStringLiteral("Versicherungsvergütung Sturmschaden"),
                               z.cent(20000, 90000));
        // A facade renovation that eats up more than the year's rents.
        if (o.nummer == 3)
            buchungen.schreiben(o.nummer, konto(konten, "7000"), QDate(SynthJahr, 10, 14),
                                QStringLiteral("Fassadensanierung Straßenseite – Schlussrechnung"),
                                *Currency::parse("48750.00"));
        // A blank correction mark is no mark: this booking counts.
        if (o.nummer == 2)
            buchungen.gegenbuchung(o.nummer, konto(konten, "7600"), QStringLiteral("Rückvergütung Porto"),
                                   Currency::fromUnits(12), QStringLiteral(" "));
    }
    w.fertig();
}

}  // namespace hmz
