#include "store/schema.h"

#include "store/datenzugriff.h"

#include <QRegularExpression>

namespace hmz::db {

QStringList schemaGrundtabellen() {
    return {
        QStringLiteral("CREATE TABLE AllgMandDaten (MandName TEXT, MandName2 TEXT, MandName3 TEXT, "
                       "MandAnschrift TEXT, MandNation TEXT, MandPlz TEXT, MandOrt TEXT, "
                       "MandEurKurs CURRENCY, MandMonStatusDatum DATE)"),
        QStringLiteral("CREATE TABLE AllgEinstellungen (AllgEinstNr INTEGER PRIMARY KEY, "
                       "AllgEinstWert INTEGER, AllgEinstText TEXT)"),
        QStringLiteral("CREATE TABLE ObjDaten (ObjNummer INTEGER PRIMARY KEY, ObjAllgAufteilSchlNr INTEGER, "
                       "ObjNutzflSchlNr INTEGER, ObjAnteileSchlNr INTEGER, ObjTypus INTEGER NOT NULL DEFAULT 0, "
                       "ObjAnschrift TEXT, ObjPlz TEXT, ObjOrt TEXT, ObjHvStatusDatum DATE, "
                       "ObjGueltigBisDatum DATE NOT NULL DEFAULT '1899-12-30')"),
        QStringLiteral("CREATE TABLE ObjKanzleiKontenstamm (KontoJJ INTEGER NOT NULL, KontoNr TEXT NOT NULL, "
                       "KontoBezeichnung TEXT, KontoHmzresPos INTEGER, KontoHmzresVerdichtKz INTEGER, "
                       "PRIMARY KEY (KontoJJ, KontoNr))"),
        QStringLiteral("CREATE TABLE ObjHmzResJahresSummen (HmzObjNr INTEGER NOT NULL, HmzJahr INTEGER NOT NULL, "
                       "HmzHMZOhneEHB CURRENCY, HmzVereinnEHB CURRENCY, PRIMARY KEY (HmzObjNr, HmzJahr))"),
    };
}

QString buchungsTabelle(int jahr) { return QStringLiteral("ObjKanzleiBuchungen%1").arg(jahr); }

bool istMandantenTabelle(const QString& name) {
    static const QRegularExpression re(QStringLiteral("^(AllgMandDaten|AllgEinstellungen|ObjDaten|ObjKanzleiKontenstamm|"
                                                      "ObjHmzResJahresSummen|ObjKanzleiBuchungen\\d{4})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(name).hasMatch();
}

QString buchungsIndex(int jahr) { return buchungsTabelle(jahr) + QStringLiteral("_ObjKonto"); }

QStringList schemaBuchungsjahr(int jahr) {
    const QString t = buchungsTabelle(jahr);
    return {
        QStringLiteral("CREATE TABLE %1 (BuNr INTEGER PRIMARY KEY, BuObjNr INTEGER NOT NULL, "
                       "BuKontoNr TEXT NOT NULL, BuDatum DATE NOT NULL, BuBelegNr INTEGER, BuText1 TEXT, "
                       "BuText2 TEXT, BuBetrag CURRENCY NOT NULL, BuSH TEXT NOT NULL, "
                       "BuSHVorzeichen INTEGER NOT NULL, BuKorrKZ TEXT, BuArt TEXT)").arg(t),
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (BuObjNr, BuKontoNr, BuDatum)").arg(buchungsIndex(jahr), t),
    };
}

QString buchungsSHIndexSql(int jahr) {
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1_SH ON %1 (BuSH, BuBetrag)").arg(buchungsTabelle(jahr));
}

void buchungsIndexSicherstellen(Database& db, int jahr) {
    if (!db.Tabellen().contains(buchungsTabelle(jahr), Qt::CaseInsensitive)) return;
    db.Execute(schemaBuchungsjahr(jahr).at(1));
    db.Execute(buchungsSHIndexSql(jahr));
}

void schemaAnlegen(Database& db, const QList<int>& jahre) {
    for (const auto& sql : schemaGrundtabellen()) db.Execute(sql);
    for (int j : jahre)
        for (const auto& sql : schemaBuchungsjahr(j)) db.Execute(sql);
}

}  // namespace hmz::db
