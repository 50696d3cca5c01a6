#include "statement/mehrjahr.h"

#include "core/fehler.h"
#include "core/format.h"
#include "entry/formular.h"
#include "report/druck.h"
#include "report/drucker.h"
#include "report/euroausweis.h"
#include "statement/druckhilfe.h"
#include "statement/objektdrucken.h"
#include "store/datenzugriff.h"

namespace hmz {

using statement::betragOderNull;
using statement::GL;
using statement::zahl;

namespace {

constexpr double KleineSchrift = 8;
constexpr double UmgerechnetMaxBreite = 30;  // mm; wider converted totals go to the small font

// Column edges of the table: HMZ ohne EHB, vereinn.EHB, HMZ mit EHB.
constexpr double RandOhne = 85, RandEhb = 115, RandMit = 145;
constexpr double SpalteJahr = 45;

void betragsZeile(const QString& prefix, Currency ohne, Currency ehb) {
    DruckTextRechts(prefix + format::betrag(ohne), RandOhne, GL);
    DruckTextRechts(prefix + format::betrag(ehb), RandEhb, GL);
    DruckTextRechts(prefix + format::betrag(ohne + ehb), RandMit);
}

}  // namespace

Currency schillingInEuro(Currency ats) {
    // Euro cents = ten-thousandths * 100 / 137603, rounded half to even on
    // the exact quotient: rounding first to four decimals and then to cents
    // could move a figure by a cent.
    constexpr std::int64_t nenner = 137603;  // the fixed rate in ten-thousandths
    static_assert(nenner == static_cast<std::int64_t>(EuroKursFest * 10000 + 0.5));
    std::int64_t zaehler;
    if (__builtin_mul_overflow(ats.raw(), 100, &zaehler)) wirfUeberlauf();
    std::int64_t cent = zaehler / nenner;
    const std::int64_t rest = zaehler % nenner < 0 ? -(zaehler % nenner) : zaehler % nenner;
    if (2 * rest > nenner || (2 * rest == nenner && cent % 2 != 0)) cent += zaehler < 0 ? -1 : 1;
    return Currency::fromRaw(cent * 100);
}

void Zehnjahrestabelle::hinzufuegen(long abrJahr, int jahr, Currency ohne, Currency ehb) {
    JahresZeile z{jahr, ohne, ehb};
    if (jahr < EuroUmstellungsJahr && abrJahr >= EuroUmstellungsJahr)
        z = {jahr, schillingInEuro(ohne), schillingInEuro(ehb), true, ohne, ehb};
    summeOhne += z.ohne;
    summeEhb += z.ehb;
    zeilen.push_back(z);
}

QString zehnjahresAbfrage(long objNr, long abrJahr) {
    return QStringLiteral("SELECT * FROM ObjHmzResJahresSummen WHERE HmzObjNr = ") + zahl(objNr)
           + QStringLiteral(" AND HmzJahr between ") + zahl(abrJahr - 9) + QStringLiteral(" AND ") + zahl(abrJahr)
           + QStringLiteral(" ORDER BY HmzJahr ");
}

Zehnjahrestabelle zehnjahrestabelle(db::Recordset* gespeichert, long abrJahr, const std::optional<EigenesErgebnis>& eigenes) {
    Zehnjahrestabelle t;
    if (gespeichert && gespeichert->RecordCount() > 0) {
        for (gespeichert->MoveFirst(); !gespeichert->Eof(); gespeichert->MoveNext()) {
            const int jahr = static_cast<int>(gespeichert->Fields(QStringLiteral("HmzJahr")).toLong());
            if (eigenes && jahr == abrJahr) continue;
            t.hinzufuegen(abrJahr, jahr, betragOderNull(gespeichert->Fields(QStringLiteral("HmzHMZOhneEHB"))),
                          betragOderNull(gespeichert->Fields(QStringLiteral("HmzVereinnEHB"))));
        }
    }
    if (eigenes) t.hinzufuegen(abrJahr, static_cast<int>(abrJahr), eigenes->ohne, eigenes->ehb);
    return t;
}

Zehnjahrestabelle zehnjahrestabelleLesen(db::Database& db, long objNr, long abrJahr) {
    const auto rs = db.OpenRecordset(zehnjahresAbfrage(objNr, abrJahr));
    return zehnjahrestabelle(rs.get(), abrJahr);
}

void JahresZeileDrucken(const JahresZeile& z) {
    DruckText(QString::number(z.jahr), SpalteJahr, GL);
    betragsZeile(QString(), z.ohne, z.ehb);
    if (!z.ats) return;

    auto& p = Printer();
    p.setFontItalic(true);
    const double alteSchriftGroesse = p.FontSize();
    p.setFontSize(KleineSchrift);
    betragsZeile(QStringLiteral("ATS "), z.atsOhne, z.atsEhb);
    p.setCurrentY(p.CurrentY() + 1);
    p.setFontItalic(false);
    p.setFontSize(alteSchriftGroesse);
}

void JahresSummenDrucken() {
    auto& f = formular();
    const auto& o = objekt();
    betragsZeile(QString(), o.SummeHmzOhneEHB, o.SummeVereinnEHB);
    if (!f.EurAtsAusweisen) return;

    auto& p = Printer();
    const double alteSchriftGroesse = p.FontSize();
    euroAusweis().AusweisJahr = f.AbrJahr;
    const struct {
        Currency summe;
        double rand;
        bool offen;
    } spalten[] = {
        {o.SummeHmzOhneEHB, RandOhne, true},
        {o.SummeVereinnEHB, RandEhb, true},
        {o.SummeHmzOhneEHB + o.SummeVereinnEHB, RandMit, false},
    };
    for (const auto& s : spalten) {
        EuroAusweis(f.MA_Data.recordset(), s.summe);
        const QString& text = euroAusweis().EuroAusweisText;
        if (p.TextWidth(text) > UmgerechnetMaxBreite) p.setFontSize(KleineSchrift);
        DruckTextRechts(text, s.rand, s.offen ? GL : QString());
        p.setFontSize(alteSchriftGroesse);
    }
}

}  // namespace hmz
