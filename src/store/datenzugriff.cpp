// The engine chooses the store by the name; the data control runs its record
// source on the database the engine opens (shared with every other shared
// open of the same name and connect string).
#include "store/datenzugriff.h"

#include "store/speicher.h"


namespace hmz::db {

namespace {

Speicher& speicherFuer(const QString& name) { return Engine::IstServer(name) ? serverSpeicher() : dateiSpeicher(); }

std::function<void(const Fehler&)>& transaktionsMelder() {
    static std::function<void(const Fehler&)> melder;
    return melder;
}

}  // namespace

std::function<void(const Fehler&)> setzeTransaktionsMelder(std::function<void(const Fehler&)> melder) {
    return std::exchange(transaktionsMelder(), std::move(melder));
}

void fremdeTransaktion() {
    throw Fehler(nr::OhneTransaktion,
                 QStringLiteral("Auf dieser Verbindung ist die Transaktion eines anderen Datenbankobjekts offen; "
                                "beginnen, festschreiben oder zurücksetzen Sie erst, wenn jenes sie beendet hat."));
}

void jahresergebnisNichtGespeichert(long objNr, int jahr) {
    throw Fehler(nr::Allgemein, QStringLiteral("Das Jahresergebnis %2 des Objekts %1 wurde von der Datenbank nicht gespeichert. "
                                               "Prüfen Sie die Tabelle ObjHmzResJahresSummen.").arg(objNr).arg(jahr));
}

void offeneTransaktionMelden(const QString& name) noexcept {
    try {
        const Fehler f(nr::Allgemein, QStringLiteral("Die Datenbank '%1' wurde mit offener Transaktion geschlossen; "
                                                     "deren Änderungen wurden zurückgesetzt und nicht gespeichert.")
                                          .arg(Engine::Anzeigename(name)));
        if (const auto& melder = transaktionsMelder()) melder(f);
        else qWarning("%s", qUtf8Printable(f.Beschreibung()));
    } catch (...) {
    }
}

bool Engine::IstServer(const QString& name) { return istServerName(name); }

QString Engine::Anzeigename(const QString& name) { return IstServer(name) ? serverAnzeigename(name) : name; }

Engine& Engine::instance() {
    static Engine e;
    return e;
}

std::unique_ptr<Database> Engine::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect) {
    return speicherFuer(name).oeffnen(name, exclusive, readOnly, connect);
}

std::unique_ptr<Database> Engine::CreateDatabase(const QString& name, const QString& passwort) {
    return speicherFuer(name).anlegen(name, passwort);
}

std::unique_ptr<Ladung> Engine::NeuerMandant(const QString& name, const QString& passwort, bool ersetzen) {
    return speicherFuer(name).laden(name, passwort, ersetzen);
}

bool Engine::Vorhanden(const QString& name) { return speicherFuer(name).vorhanden(name); }

Feldwert Feldwert::datum(QDate d) { return text(d.isValid() ? d.toString(Qt::ISODate) : QStringLiteral("1899-12-30")); }

struct DataControl::Impl {
    QString name, connect;
    bool readOnly = false;
    std::unique_ptr<Database> database;
    std::unique_ptr<Recordset> recordset;
};

DataControl::DataControl() : d_(std::make_unique<Impl>()) {}
DataControl::~DataControl() = default;

Database& DataControl::database() {
    if (!d_->database || !d_->database->IstOffen() || d_->name != DatabaseName || d_->connect != Connect ||
        d_->readOnly != ReadOnly) {
        d_->database = Engine::instance().OpenDatabase(DatabaseName, false, ReadOnly, Connect);
        d_->name = DatabaseName;
        d_->connect = Connect;
        d_->readOnly = ReadOnly;
    }
    return *d_->database;
}

void DataControl::Refresh() {
    // A failed refresh leaves no result: the previous one belongs to another
    // query, perhaps another file, and must not be read or edited.
    d_->recordset.reset();
    Database& db = database();
    if (RecordSource.isEmpty()) return;
    auto rs = db.OpenRecordset(RecordSource);
    d_->recordset = std::move(rs);
}

void DataControl::Uebernehmen(std::unique_ptr<Recordset> ergebnis) { d_->recordset = std::move(ergebnis); }

Recordset& DataControl::recordset() {
    if (!d_->recordset) throw Fehler(fehlernr::ObjektFehlt, fehlertext::ObjektFehlt);
    return *d_->recordset;
}

bool DataControl::hatRecordset() const { return d_->recordset != nullptr; }

void DataControl::trennen() {
    d_->recordset.reset();
    d_->database.reset();
    d_->name.clear();
    d_->connect.clear();
}

}  // namespace hmz::db
