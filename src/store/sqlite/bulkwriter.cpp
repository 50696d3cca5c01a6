#include "store/sqlite/bulkwriter.h"

#include "core/fehler.h"
#include "store/datenzugriff.h"
#include "store/schema.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <map>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace hmz::db {

namespace {

[[noreturn]] void wirf(sqlite3* db, const QString& was) {
    const QString grund = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
    throw Fehler(nr::Allgemein, was + QStringLiteral(": ") + grund);
}

void ausfuehren(sqlite3* db, const QString& sql) {
    char* fehler = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &fehler) != SQLITE_OK) {
        const QString grund = QString::fromUtf8(fehler ? fehler : "unknown error");
        sqlite3_free(fehler);
        throw Fehler(nr::Allgemein, sql.left(60) + QStringLiteral(": ") + grund);
    }
}

void schluesselSetzen(sqlite3* db, const QString& passwort) {
    if (passwort.isEmpty()) return;
    QString quoted = passwort;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    ausfuehren(db, QStringLiteral("PRAGMA key = '%1'").arg(quoted));
}

void syncPfad(const QString& pfad, bool ordner) {
    const int fd = ::open(QFile::encodeName(pfad).constData(), ordner ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) return;  // a folder we cannot open is not worth failing the whole write for
    ::fsync(fd);
    ::close(fd);
}

struct Anweisung {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;

    Anweisung() = default;
    Anweisung(sqlite3* d, const char* sql) : db(d) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) wirf(db, QString::fromUtf8(sql));
    }
    Anweisung(Anweisung&& o) noexcept : db(o.db), stmt(o.stmt) { o.stmt = nullptr; }
    Anweisung& operator=(Anweisung&& o) noexcept {
        std::swap(db, o.db);
        std::swap(stmt, o.stmt);
        return *this;
    }
    ~Anweisung() { sqlite3_finalize(stmt); }

    void text(int i, const QString& s) {
        const QByteArray u = s.toUtf8();
        sqlite3_bind_text(stmt, i, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
    void textOderNull(int i, const QString& s) {
        if (s.isEmpty()) sqlite3_bind_null(stmt, i);
        else text(i, s);
    }
    void zahl(int i, std::int64_t v) { sqlite3_bind_int64(stmt, i, v); }
    void zahlOderNull(int i, std::optional<int> v) {
        if (v) zahl(i, *v);
        else sqlite3_bind_null(stmt, i);
    }
    void geld(int i, Currency c) { zahl(i, c.raw()); }
    void schritt() {
        if (sqlite3_step(stmt) != SQLITE_DONE) wirf(db, QString::fromUtf8(sqlite3_sql(stmt)).left(60));
        sqlite3_reset(stmt);
    }
};

}  // namespace

QString datumText(QDate d) {
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("1899-12-30");
}

void SqliteSchliesser::operator()(sqlite3* db) const { sqlite3_close(db); }

SqliteVerbindung sqliteOeffnen(const QString& pfad, const QString& passwort, bool nurLesen) {
    if (!QFileInfo::exists(pfad))
        throw Fehler(nr::DateiNichtGefunden, QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(pfad));
    sqlite3* roh = nullptr;
    const int flags = nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(QFile::encodeName(pfad).constData(), &roh, flags, nullptr);
    SqliteVerbindung db(roh);
    if (rc != SQLITE_OK) wirf(roh, pfad);
    schluesselSetzen(db.get(), passwort);
    // A wrong key shows only when the schema is first read.
    if (sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Fehler(nr::KeinGueltigesPasswort, QStringLiteral("Kein gültiges Kennwort."));
    ausfuehren(db.get(), QStringLiteral("PRAGMA cache_size = -65536"));
    return db;
}

struct BulkWriter::Impl {
    QString ziel, temp;
    sqlite3* db = nullptr;
    bool fertig = false;
    Anweisung mandant, einstellung, objekt, konto, jahresSumme;
    std::map<int, Anweisung> buchung;  // per year

    ~Impl() {
        mandant = {};
        einstellung = {};
        objekt = {};
        konto = {};
        jahresSumme = {};
        buchung.clear();
        if (db) sqlite3_close(db);
        if (!fertig) QFile::remove(temp);
    }
};

BulkWriter::BulkWriter(const QString& pfad, const QList<int>& jahre, const QString& passwort)
    : d_(std::make_unique<Impl>()) {
    d_->ziel = pfad;
    d_->temp = pfad + QStringLiteral(".tmp");
    QFile::remove(d_->temp);
    if (sqlite3_open_v2(QFile::encodeName(d_->temp).constData(), &d_->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        wirf(d_->db, d_->temp);
    sqlite3* db = d_->db;
    schluesselSetzen(db, passwort);
    // A fresh file that is thrown away on failure needs no journal; it is
    // synced once at the end instead of at every page.
    ausfuehren(db, QStringLiteral("PRAGMA journal_mode = OFF"));
    ausfuehren(db, QStringLiteral("PRAGMA synchronous = OFF"));
    ausfuehren(db, QStringLiteral("PRAGMA cache_size = -65536"));
    ausfuehren(db, QStringLiteral("BEGIN"));
    for (const auto& sql : schemaGrundtabellen()) ausfuehren(db, sql);
    for (int j : jahre) {
        for (const auto& sql : schemaBuchungsjahr(j)) ausfuehren(db, sql);
        const QByteArray sql = QStringLiteral(
            "INSERT INTO %1 (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuText2, BuBetrag, BuSH, "
            "BuSHVorzeichen, BuKorrKZ, BuArt) VALUES (?,?,?,?,?,?,?,?,?,?,?)").arg(buchungsTabelle(j)).toUtf8();
        d_->buchung.emplace(j, Anweisung(db, sql.constData()));
    }
    d_->mandant = Anweisung(db, "INSERT INTO AllgMandDaten (MandName, MandName2, MandName3, MandAnschrift, "
                                "MandNation, MandPlz, MandOrt, MandEurKurs, MandMonStatusDatum) "
                                "VALUES (?,?,?,?,?,?,?,?,?)");
    d_->einstellung = Anweisung(db, "INSERT INTO AllgEinstellungen (AllgEinstNr, AllgEinstWert, AllgEinstText) "
                                    "VALUES (?,?,?)");
    d_->objekt = Anweisung(db, "INSERT INTO ObjDaten (ObjNummer, ObjAllgAufteilSchlNr, ObjNutzflSchlNr, "
                               "ObjAnteileSchlNr, ObjTypus, ObjAnschrift, ObjPlz, ObjOrt, ObjHvStatusDatum, "
                               "ObjGueltigBisDatum) VALUES (?,?,?,?,?,?,?,?,?,?)");
    d_->konto = Anweisung(db, "INSERT INTO ObjKanzleiKontenstamm (KontoJJ, KontoNr, KontoBezeichnung, "
                              "KontoHmzresPos, KontoHmzresVerdichtKz) VALUES (?,?,?,?,?)");
    d_->jahresSumme = Anweisung(db, "INSERT INTO ObjHmzResJahresSummen (HmzObjNr, HmzJahr, HmzHMZOhneEHB, "
                                    "HmzVereinnEHB) VALUES (?,?,?,?)");
}

BulkWriter::~BulkWriter() = default;

void BulkWriter::mandant(const MandantZeile& m) {
    auto& a = d_->mandant;
    a.text(1, m.name);
    a.text(2, m.name2);
    a.text(3, m.name3);
    a.text(4, m.anschrift);
    a.text(5, m.nation);
    a.text(6, m.plz);
    a.text(7, m.ort);
    a.geld(8, m.eurKurs);
    if (m.monStatusDatum.isValid()) a.text(9, datumText(m.monStatusDatum));
    else sqlite3_bind_null(a.stmt, 9);
    a.schritt();
}

void BulkWriter::einstellung(int nr, int wert, const QString& text) {
    auto& a = d_->einstellung;
    a.zahl(1, nr);
    a.zahl(2, wert);
    a.text(3, text);
    a.schritt();
}

void BulkWriter::objekt(const ObjektZeile& o) {
    auto& a = d_->objekt;
    a.zahl(1, o.nummer);
    a.zahl(2, o.allgAufteilSchlNr);
    a.zahl(3, o.nutzflSchlNr);
    a.zahl(4, o.anteileSchlNr);
    a.zahl(5, o.typus);
    a.text(6, o.anschrift);
    a.text(7, o.plz);
    a.text(8, o.ort);
    if (o.hvStatusDatum.isValid()) a.text(9, datumText(o.hvStatusDatum));
    else sqlite3_bind_null(a.stmt, 9);
    a.text(10, datumText(o.gueltigBis));
    a.schritt();
}

void BulkWriter::konto(int jahr, const KontoZeile& k) {
    auto& a = d_->konto;
    a.zahl(1, jahr);
    a.text(2, k.nr);
    a.text(3, k.bezeichnung);
    a.zahlOderNull(4, k.pos);
    a.zahlOderNull(5, k.verdichtKz);
    a.schritt();
}

void BulkWriter::jahresSumme(int objNr, int jahr, Currency ohneEhb, Currency vereinnEhb) {
    auto& a = d_->jahresSumme;
    a.zahl(1, objNr);
    a.zahl(2, jahr);
    a.geld(3, ohneEhb);
    a.geld(4, vereinnEhb);
    a.schritt();
}

void BulkWriter::buchung(const BuchungZeile& b) {
    const auto it = d_->buchung.find(b.datum.year());
    if (it == d_->buchung.end())
        throw Fehler(nr::TabelleFehlt, QStringLiteral("no bookings table for %1").arg(b.datum.year()));
    auto& a = it->second;
    a.zahl(1, b.objNr);
    a.text(2, b.kontoNr);
    a.text(3, datumText(b.datum));
    a.zahl(4, b.belegNr);
    a.text(5, b.text1);
    a.text(6, b.text2);
    a.geld(7, b.betrag);
    a.text(8, QString(QLatin1Char(b.sh)));
    a.zahl(9, b.sh == 'H' ? 1 : -1);
    a.textOderNull(10, b.korrKz);
    a.textOderNull(11, b.art);
    a.schritt();
}

void BulkWriter::fertig() {
    ausfuehren(d_->db, QStringLiteral("COMMIT"));
    // The client is used by several programs at once from its first day.
    ausfuehren(d_->db, QStringLiteral("PRAGMA journal_mode = WAL"));
    d_->mandant = {};
    d_->einstellung = {};
    d_->objekt = {};
    d_->konto = {};
    d_->jahresSumme = {};
    d_->buchung.clear();
    if (sqlite3_close(d_->db) != SQLITE_OK) wirf(d_->db, d_->temp);
    d_->db = nullptr;
    syncPfad(d_->temp, false);
    if (std::rename(QFile::encodeName(d_->temp).constData(), QFile::encodeName(d_->ziel).constData()) != 0)
        throw Fehler(nr::Allgemein, QStringLiteral("cannot move %1 to %2").arg(d_->temp, d_->ziel));
    syncPfad(QFileInfo(d_->ziel).absolutePath(), true);
    d_->fertig = true;
}

}  // namespace hmz::db
