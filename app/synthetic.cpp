#include "synthetic.h"

namespace hmz::db {

void buchungsPaar(BulkWriter& w, const BuchungZeile& b) {
    w.buchung(b);
    BuchungZeile gegen = b;
    gegen.kontoNr = VerrechnungsKonto;
    gegen.sh = b.sh == 'S' ? 'H' : 'S';
    w.buchung(gegen);
}

MandantZeile wienerHausverwaltung() {
    MandantZeile m;
    m.name = QStringLiteral("Hausverwaltung Brunnbauer & Söhne GmbH");
    m.name2 = QStringLiteral("Immobilientreuhänder");
    m.name3 = QStringLiteral("Mitglied der Wirtschaftskammer Wien");
    m.anschrift = QStringLiteral("Wiedner Hauptstraße 68/2/14");
    m.nation = QStringLiteral("A");
    m.plz = QStringLiteral("1040");
    m.ort = QStringLiteral("Wien");
    m.eurKurs = *Currency::parse("13.7603");
    m.monStatusDatum = QDate(SynthJahr, 12, 31);
    return m;
}

}  // namespace hmz::db
