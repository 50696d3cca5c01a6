// A small client database for the data access tests: the tables of the
// embedded store and a handful of rows whose sums the tests know by heart.
#pragma once

#include "store/datenzugriff.h"
#include "store/schema.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include <sqlite3.h>

namespace testdb {

inline void exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "?");
        sqlite3_free(err);
        throw hmz::Fehler(0, msg);
    }
}

// Amounts in ten-thousandths. Property 7 on account 4000: 1000,00 + 500,50 +
// 100,00 (blank correction mark) + 0,01 (31.12.) = 1600,51; a booking with
// correction mark "K" and one of kind '90' are left out. Account 4100: March
// 150,00, May 30,00, June +10/-10. Account 5000: -250,25. 5100: none. 6000
// (position 50): 120,00. Property 8 has a booking on 4000 as well.
inline const char* const Daten = R"SQL(
INSERT INTO AllgMandDaten VALUES ('Hausverwaltung Muster', NULL, NULL, 'Ring 1', 'A', '1010', 'Wien', 137603, '2003-12-31');
INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjGueltigBisDatum) VALUES (7, 0, 'Hauptstraße 1', '1899-12-30');
INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjGueltigBisDatum) VALUES (8, 0, 'Gasse 2', '2003-06-30');
INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjGueltigBisDatum) VALUES (9, 1, 'Platz 3', '1899-12-30');
INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift, ObjGueltigBisDatum) VALUES (10, 0, 'Weg 4', '2004-01-31');
INSERT INTO ObjDaten (ObjNummer, ObjTypus, ObjAnschrift) VALUES (11, 0, 'Allee 5');
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '4000', 'Mieten', 1, 0);
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '4100', 'Betriebskosten', 5, 2);
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '5000', 'Reparaturen', 21, 1);
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '5100', 'Versicherung', 25, 3);
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '6000', 'Erhaltungsbeitrag', 50, 0);
INSERT INTO ObjKanzleiKontenstamm VALUES (2003, '7000', 'Sonstiges', 60, 0);
INSERT INTO ObjKanzleiKontenstamm VALUES (2002, '4000', 'Mieten alt', 1, 0);
INSERT INTO ObjKanzleiBuchungen2003 VALUES (1, 7, '4000', '2003-01-10', 1, 'Miete Jänner', NULL, 10000000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (2, 7, '4000', '2003-02-15', 2, 'Miete Feber', NULL, 5005000, 'H', 1, '', '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (3, 7, '4000', '2003-03-01', 3, 'Korrektur', NULL, 3000000, 'H', 1, 'K', '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (4, 7, '4000', '2003-03-02', 4, 'Art 90', NULL, 2000000, 'H', 1, NULL, '90');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (5, 7, '4000', '2003-04-01', 5, 'Leeres Kennzeichen', NULL, 1000000, 'H', 1, '  ', '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (6, 7, '4100', '2003-03-05', 6, 'BK', NULL, 1000000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (7, 7, '4100', '2003-03-20', 7, 'BK', NULL, 500000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (8, 7, '4100', '2003-05-02', 8, 'BK', NULL, 300000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (9, 7, '4100', '2003-06-02', 9, 'BK', NULL, 100000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (10, 7, '4100', '2003-06-03', 10, 'BK storno', NULL, 100000, 'S', -1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (11, 7, '5000', '2003-07-01', 11, 'Dach', 'intern', 2502500, 'S', -1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (12, 7, '6000', '2003-08-01', 12, 'EHB', NULL, 1200000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (13, 8, '4000', '2003-01-10', 13, 'Miete', NULL, 9990000, 'H', 1, NULL, '10');
INSERT INTO ObjKanzleiBuchungen2003 VALUES (14, 7, '4000', '2003-12-31', 14, 'Zinsen', NULL, 100, 'H', 1, NULL, '10');
PRAGMA user_version = 5;
)SQL";

// Creates the client database at pfad (plain when passwort is empty).
inline void anlegen(const QString& pfad, const QString& passwort, bool mitDaten = true) {
    auto db = hmz::db::Engine::instance().CreateDatabase(pfad, passwort);
    db->BeginTrans();
    hmz::db::schemaAnlegen(*db, {2003});
    if (mitDaten)
        for (const QString& sql : QString::fromUtf8(Daten).split(u';', Qt::SkipEmptyParts))
            if (!sql.trimmed().isEmpty()) db->Execute(sql);
    db->CommitTrans();
    db->Close();
}

inline QByteArray pruefsumme(const QString& pfad) {
    QFile f(pfad);
    if (pfad.isEmpty() || !f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

}  // namespace testdb
