// Data access: a thin counterpart of the desktop engine's objects (engine,
// database, recordset, data control), the same over every store. A name is a
// client file (the embedded store on SQLCipher) or a libpq URI beginning with
// "postgresql://" or "postgres://" (the server store). SQL texts come in the
// desktop engine's dialect and are translated (see sqldialekt.h).
// Every failure is thrown as hmz::Fehler with the engine-style number.
#pragma once

#include "core/currency.h"
#include "core/fehler.h"
#include "core/variant.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace hmz::db {

// Engine error numbers the component relies on.
namespace nr {
inline constexpr long DateiNichtGefunden = 3024;   // file not found
inline constexpr long KeinGueltigesPasswort = 3031;  // not the password
inline constexpr long TabelleFehlt = 3078;         // no such table or query
inline constexpr long FeldFehlt = 3265;            // no such field
inline constexpr long KeinAktuellerDatensatz = 3021;  // no current record
inline constexpr long Gesperrt = 3045;             // the file is in use (after waiting for it)
inline constexpr long KeineDatenbank = 3343;       // not a database
inline constexpr long SyntaxFehler = 3075;         // syntax error in the query expression
inline constexpr long Aktualisierung = 3020;       // Update without AddNew or Edit
inline constexpr long Allgemein = 3146;            // other engine failures
inline constexpr long KeinGueltigerPfad = 3044;    // not a valid path (e.g. a folder)
inline constexpr long KannNichtOeffnen = 3051;     // no permission to open the file
inline constexpr long ExklusivGeoeffnet = 3356;    // opened exclusively by another user
inline constexpr long NichtExklusiv = 3621;        // password change on a shared open database
inline constexpr long OhneTransaktion = 3034;      // commit or rollback without BeginTrans
inline constexpr long DoppelterSchluessel = 3022;  // duplicate value in a key or unique index
inline constexpr long NullNichtErlaubt = 3314;     // a required field is Null
inline constexpr long NurLesen = 3027;             // the database, its folder or the query cannot be written
inline constexpr long UnbekannterName = 3061;      // an unknown name (column)
inline constexpr long DatenbankExistiert = 3204;   // the database exists already
inline constexpr long KeineAuswahl = 3065;         // Execute of a select query
inline constexpr long ObjektUngueltig = 3420;      // the object was closed
inline constexpr long TypKonflikt = 3464;          // data type mismatch in a criteria expression
inline constexpr long Verbindung = fehlernr::VerbindungVerloren;  // the server cannot be reached or the connection was lost
}  // namespace nr

// A column as the embedded store declares it: INTEGER, TEXT, CURRENCY, DATE,
// REAL, DECIMAL, BLOB or BOOLEAN (the server's types are named the same way).
struct Spalte {
    QString name;
    QString typ;
};

class Ladung;
struct Feldwert;

class Recordset {
public:
    virtual ~Recordset() = default;
    // Rows reached so far; exact after MoveLast. 0 for an empty result.
    // (The embedded store reads each result whole when it is opened, so
    // that no half-read result keeps a read transaction open.)
    virtual long RecordCount() const = 0;
    virtual bool Eof() const = 0;
    virtual bool Bof() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    virtual void MoveLast() = 0;
    // The current row's value: Null for an empty column, Currency for
    // CURRENCY columns and sums of them, Date for DATE columns.
    virtual Variant Fields(const QString& name) const = 0;
    // Criteria as the engine takes them: "AllgEinstNr = 149" (and/or of
    // column comparisons with literals).
    virtual void FindFirst(const QString& kriterien) = 0;
    virtual bool NoMatch() const = 0;
    // Writing through to the one table a "SELECT ... FROM table" reads.
    virtual void AddNew() = 0;
    virtual void Edit() = 0;
    virtual void SetField(const QString& name, const Variant& wert) = 0;
    virtual void Update() = 0;               // the added row becomes the current one
    virtual void Close() = 0;
};

class Database {
public:
    virtual ~Database() = default;
    // A "?" in sql takes the next of werte (never pasted into the text).
    virtual std::unique_ptr<Recordset> OpenRecordset(const QString& sql, const std::vector<Variant>& werte = {}) = 0;
    virtual void Execute(const QString& sql, const std::vector<Variant>& werte = {}) = 0;
    // Every row of a query once, without keeping them (for whole tables).
    virtual void Zeilen(const QString& sql, const std::function<void(const std::vector<Variant>&)>& zeile) = 0;
    virtual void NewPassword(const QString& alt, const QString& neu) = 0;
    // Numbered columns of the table (a server's identity) go on after its
    // largest number, once rows were written with numbers of their own.
    // Nothing to do where the store numbers from the table itself.
    virtual void NummernNachziehen(const QString& tabelle) { (void)tabelle; }
    // A property's year result, inserted or updated by (HmzObjNr, HmzJahr) in
    // one step of the store, also in a table made by hand without that key.
    // Throws when the store did not take exactly this row.
    virtual void JahresergebnisSchreiben(long objNr, int jahr, Currency hmzOhneEhb, Currency vereinnEhb) = 0;
    // Write transactions; nested ones are savepoints. BeginTrans takes the
    // write lock at once (waiting for another writer up to the busy timeout,
    // then 3045), so that a transaction never fails half-way for a lock.
    // A CommitTrans that fails throws and has rolled back what it could not
    // commit: no transaction is left open behind a failure. Prefer
    // Transaktion below to calling these by hand.
    // A transaction belongs to the handle that began it: another handle on
    // the same shared connection that begins, commits or rolls back while it
    // is open gets 3034. A handle closed or destroyed with its transaction
    // open rolls it back and reports that (see setzeTransaktionsMelder).
    virtual void BeginTrans() = 0;
    // A read-only transaction whose reads all see one state; CommitTrans ends it.
    virtual void BeginLesen() = 0;
    virtual void CommitTrans() = 0;
    virtual void Rollback() = 0;
    virtual void Close() = 0;
    virtual bool IstOffen() const = 0;
    virtual QString Name() const = 0;
    // The client's tables and a table's columns (empty when there is no such table).
    virtual QStringList Tabellen() = 0;
    virtual std::vector<Spalte> Spalten(const QString& tabelle) = 0;
    // Every row of a whole table, each value exactly as stored (integers of
    // 64 bits, amounts as ten-thousandths): what a whole-client copy reads.
    virtual void Feldzeilen(const QString& tabelle, const std::function<void(const std::vector<Feldwert>&)>& zeile) = 0;
    // Rows appended to an existing table inside this handle's open write
    // transaction, each value as stored (see Feldwert): the store's bulk path
    // for hundreds of thousands of rows. naechste fills the next row and
    // returns false after the last. Throws at the first row the table refuses.
    virtual void Anhaengen(const QString& tabelle, const QStringList& spalten,
                           const std::function<bool(std::vector<Feldwert>&)>& naechste) = 0;
};

// A transaction that lasts as long as this object: commit() makes its
// writes stick (or ends the reading); leaving the scope without it (an
// exception, an early return) rolls it back. Keep it short: never draw,
// pause or ask the user inside.
class Transaktion {
public:
    enum class Art { Schreiben, Lesen };
    explicit Transaktion(Database& db, Art art = Art::Schreiben) : db_(&db) {
        if (art == Art::Lesen) db.BeginLesen();
        else db.BeginTrans();
    }
    ~Transaktion() {
        if (!db_) return;
        try {
            db_->Rollback();
        } catch (...) {  // the store has ended it either way
        }
    }
    Transaktion(const Transaktion&) = delete;
    Transaktion& operator=(const Transaktion&) = delete;

    void commit() {
        if (Database* db = std::exchange(db_, nullptr)) db->CommitTrans();
    }

private:
    Database* db_;
};

class Engine {
public:
    static Engine& instance();
    // connect: ";pwd=secret", ";PWD=" (no password), "Access;pwd=secret;" ...
    std::unique_ptr<Database> OpenDatabase(const QString& name, bool exclusive, bool readOnly,
                                           const QString& connect);
    // A new, empty database file (plain when passwort is empty); on a
    // server the existing database, which must not hold any table yet.
    std::unique_ptr<Database> CreateDatabase(const QString& name, const QString& passwort);
    // A whole client written in one go (see ladung.h): nothing of it is seen
    // before Fertig(). An existing client is replaced only when ersetzen.
    std::unique_ptr<Ladung> NeuerMandant(const QString& name, const QString& passwort, bool ersetzen);
    // Whether name is a server URI rather than a file.
    static bool IstServer(const QString& name);
    // The name for messages: a URI without its password.
    static QString Anzeigename(const QString& name);
    // Whether a client is there already: the file exists, the database holds tables.
    bool Vorhanden(const QString& name);
};

// Where a store reports a transaction that a closed or destroyed handle left
// open and that was rolled back for it (the error routine sets itself here;
// without one the report goes to the log). Returns the one it replaces.
std::function<void(const Fehler&)> setzeTransaktionsMelder(std::function<void(const Fehler&)> melder);

// Throws 3027 when the database file `name` cannot be written, naming the
// file or the folder at fault (SQLite creates its journal files beside the
// database). A run checks this before its work instead of failing midway.
void schreibbarPruefen(const QString& name);

// Test hook of NewPassword: runs after the re-keyed copy has been written
// and synced, before it replaces the original. A hook that throws stands for
// a crash at that moment. nullptr removes it.
void setzeNeuesPasswortHaken(std::function<void(const QString& kopie)> haken);

// A data control: a record source on a database; Refresh runs it. A failing
// Refresh throws and leaves no result (recordset() then raises error 91).
// Controls on the same file and connect string share one connection.
class DataControl {
public:
    DataControl();
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    QString DatabaseName;
    QString Connect = QStringLiteral("Access");
    bool ReadOnly = false;  // a run that writes nothing works on a read-only file too
    QString RecordSource;

    void Refresh();
    // A result read elsewhere takes the place of Refresh's (the statement
    // reads a property's bookings at once and hands them out by account).
    void Uebernehmen(std::unique_ptr<Recordset> ergebnis);
    Recordset& recordset();  // error 91 when there is none yet
    bool hatRecordset() const;
    Database& database();    // the shared connection, opened on demand
    void trennen();          // closes recordset and connection reference

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace hmz::db
