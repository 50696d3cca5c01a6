#include "store/bulkwriter.h"

#include "core/fehler.h"
#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/schema.h"

#include <map>

namespace hmz::db {

namespace {

Feldwert textOderNull(const QString& s) { return s.isEmpty() ? Feldwert::null() : Feldwert::text(s); }
Feldwert zahlOderNull(std::optional<int> v) { return v ? Feldwert::zahl(*v) : Feldwert::null(); }
Feldwert datumOderNull(QDate d) { return d.isValid() ? Feldwert::datum(d) : Feldwert::null(); }

}  // namespace

QString datumText(QDate d) {
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("1899-12-30");
}

struct BulkWriter::Impl {
    std::unique_ptr<Ladung> ladung;
    int mandant = 0, einstellung = 0, objekt = 0, konto = 0, jahresSumme = 0;
    std::map<int, int> buchung;  // year -> target
};

BulkWriter::BulkWriter(const QString& name, const QList<int>& jahre, const QString& passwort)
    : d_(std::make_unique<Impl>()) {
    auto& l = d_->ladung;
    l = Engine::instance().NeuerMandant(name, passwort, true);
    for (const auto& sql : schemaGrundtabellen()) l->Execute(sql);
    for (int j : jahre) {
        const QStringList s = schemaBuchungsjahr(j);
        l->Execute(s.at(0));
        d_->buchung.emplace(j, l->Ziel(buchungsTabelle(j), {"BuObjNr", "BuKontoNr", "BuDatum", "BuBelegNr", "BuText1",
                                                          "BuText2", "BuBetrag", "BuSH", "BuSHVorzeichen", "BuKorrKZ", "BuArt"}));
    }
    d_->mandant = l->Ziel(QStringLiteral("AllgMandDaten"), {"MandName", "MandName2", "MandName3", "MandAnschrift", "MandNation",
                                                          "MandPlz", "MandOrt", "MandEurKurs", "MandMonStatusDatum"});
    d_->einstellung = l->Ziel(QStringLiteral("AllgEinstellungen"), {"AllgEinstNr", "AllgEinstWert", "AllgEinstText"});
    d_->objekt = l->Ziel(QStringLiteral("ObjDaten"), {"ObjNummer", "ObjAllgAufteilSchlNr", "ObjNutzflSchlNr", "ObjAnteileSchlNr",
                                                     "ObjTypus", "ObjAnschrift", "ObjPlz", "ObjOrt", "ObjHvStatusDatum",
                                                     "ObjGueltigBisDatum"});
    d_->konto = l->Ziel(QStringLiteral("ObjKanzleiKontenstamm"),
                        {"KontoJJ", "KontoNr", "KontoBezeichnung", "KontoHmzresPos", "KontoHmzresVerdichtKz"});
    d_->jahresSumme = l->Ziel(QStringLiteral("ObjHmzResJahresSummen"), {"HmzObjNr", "HmzJahr", "HmzHMZOhneEHB", "HmzVereinnEHB"});
}

BulkWriter::~BulkWriter() = default;

void BulkWriter::mandant(const MandantZeile& m) {
    d_->ladung->Zeile(d_->mandant, {Feldwert::text(m.name), Feldwert::text(m.name2), Feldwert::text(m.name3),
                                    Feldwert::text(m.anschrift), Feldwert::text(m.nation), Feldwert::text(m.plz),
                                    Feldwert::text(m.ort), Feldwert::geld(m.eurKurs), datumOderNull(m.monStatusDatum)});
}

void BulkWriter::einstellung(int nr, int wert, const QString& text) {
    d_->ladung->Zeile(d_->einstellung, {Feldwert::zahl(nr), Feldwert::zahl(wert), Feldwert::text(text)});
}

void BulkWriter::objekt(const ObjektZeile& o) {
    d_->ladung->Zeile(d_->objekt, {Feldwert::zahl(o.nummer), Feldwert::zahl(o.allgAufteilSchlNr), Feldwert::zahl(o.nutzflSchlNr),
                                   Feldwert::zahl(o.anteileSchlNr), Feldwert::zahl(o.typus), Feldwert::text(o.anschrift),
                                   Feldwert::text(o.plz), Feldwert::text(o.ort), datumOderNull(o.hvStatusDatum),
                                   Feldwert::datum(o.gueltigBis)});
}

void BulkWriter::konto(int jahr, const KontoZeile& k) {
    d_->ladung->Zeile(d_->konto, {Feldwert::zahl(jahr), Feldwert::text(k.nr), Feldwert::text(k.bezeichnung),
                                  zahlOderNull(k.pos), zahlOderNull(k.verdichtKz)});
}

void BulkWriter::jahresSumme(int objNr, int jahr, Currency ohneEhb, Currency vereinnEhb) {
    d_->ladung->Zeile(d_->jahresSumme,
                      {Feldwert::zahl(objNr), Feldwert::zahl(jahr), Feldwert::geld(ohneEhb), Feldwert::geld(vereinnEhb)});
}

void BulkWriter::buchung(const BuchungZeile& b) {
    const auto it = d_->buchung.find(b.datum.year());
    if (it == d_->buchung.end())
        throw Fehler(nr::TabelleFehlt, QStringLiteral("keine Buchungstabelle für %1").arg(b.datum.year()));
    d_->ladung->Zeile(it->second, {Feldwert::zahl(b.objNr), Feldwert::text(b.kontoNr), Feldwert::datum(b.datum),
                                   Feldwert::zahl(b.belegNr), Feldwert::text(b.text1), Feldwert::text(b.text2),
                                   Feldwert::geld(b.betrag), Feldwert::text(QString(QLatin1Char(b.sh))),
                                   Feldwert::zahl(b.sh == 'H' ? 1 : -1), textOderNull(b.korrKz), textOderNull(b.art)});
}

void BulkWriter::fertig() {
    // The indexes are built once over all rows rather than kept up row by row.
    for (const auto& [jahr, ziel] : d_->buchung) d_->ladung->Execute(schemaBuchungsjahr(jahr).at(1));
    d_->ladung->Fertig();
}

}  // namespace hmz::db
