#include "store/mandantkopie.h"

#include "core/fehler.h"
#include "core/samefile.h"
#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/schema.h"
#include "store/speicher.h"

#include <QRegularExpression>

namespace hmz::db {

namespace {

QString createdName(const QString& sql) {
    static const QRegularExpression re(QStringLiteral("^CREATE TABLE (\\w+)"));
    return re.match(sql).captured(1);
}

// The definition of a client table under its own spelling; the bookings
// index comes after the rows.
bool bekannteTabelle(const QString& name, QString& kanonisch, QStringList& vorher, QStringList& nachher) {
    for (const QString& sql : schemaGrundtabellen()) {
        if (createdName(sql).compare(name, Qt::CaseInsensitive) == 0) {
            kanonisch = createdName(sql);
            vorher = {sql};
            return true;
        }
    }
    static const QRegularExpression jahr(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = jahr.match(name);
    if (!m.hasMatch()) return false;
    const QStringList s = schemaBuchungsjahr(m.captured(1).toInt());
    kanonisch = buchungsTabelle(m.captured(1).toInt());
    vorher = {s.at(0)};
    nachher = s.mid(1);
    return true;
}

// Columns the client does not define take integers of 64 bits on every store.
QString spaltenTyp(const Spalte& s) { return s.typ == QLatin1String("INTEGER") ? QStringLiteral("BIGINT") : s.typ; }

}  // namespace

bool selberMandant(const QString& a, const QString& b) {
    if (a == b) return true;
    if (istServerName(a) != istServerName(b)) return false;
    if (!istServerName(a)) return sameFile(a, b);
    const QString ia = serverIdentitaet(a);
    if (!ia.isEmpty() && ia == serverIdentitaet(b)) return true;
    const QString va = serverIdentitaetVerbunden(a);
    return !va.isEmpty() && va == serverIdentitaetVerbunden(b);
}

Kopiert mandantKopieren(const QString& von, const QString& nach, const QString& passwort, bool ersetzen,
                        const std::function<void(const QString&)>& tabelleKopiert, const std::atomic<int>* abbruch) {
    const auto pruefen = [abbruch] {
        if (abbruch && abbruch->load(std::memory_order_relaxed)) throw KopieAbgebrochen{abbruch->load()};
    };
    Kopiert k;
    auto quelle = Engine::instance().OpenDatabase(von, false, true, QStringLiteral(";pwd=") + passwort);
    if (!ersetzen && Engine::instance().Vorhanden(nach))
        throw Fehler(nr::DatenbankExistiert,
                     QStringLiteral("'%1' enthält schon einen Mandanten; --force ersetzt ihn").arg(Engine::Anzeigename(nach)));
    pruefen();
    auto ziel = Engine::instance().NeuerMandant(nach, passwort, ersetzen);
    // Reads of every table see one state of the source.
    {
        Transaktion lesen(*quelle, Transaktion::Art::Lesen);
        QStringList nachher;
        for (const QString& tabelle : quelle->Tabellen()) {
            const std::vector<Spalte> spalten = quelle->Spalten(tabelle);
            QString name = tabelle;
            QStringList vorher, danach;
            if (!bekannteTabelle(tabelle, name, vorher, danach)) {
                QStringList defs;
                for (const auto& s : spalten) defs << QStringLiteral("[%1] %2").arg(s.name, spaltenTyp(s));
                vorher = {QStringLiteral("CREATE TABLE [%1] (%2)").arg(name, defs.join(QStringLiteral(", ")))};
            }
            for (const QString& sql : vorher) ziel->Execute(sql);
            nachher += danach;
            // Columns beyond the known definition (kept by an import) come along.
            const std::vector<Spalte> da = ziel->Spalten(name);
            QStringList namen;
            for (const auto& s : spalten) {
                bool gibt = false;
                for (const auto& d : da) gibt = gibt || d.name.compare(s.name, Qt::CaseInsensitive) == 0;
                if (!gibt) ziel->Execute(QStringLiteral("ALTER TABLE [%1] ADD COLUMN [%2] %3").arg(name, s.name, spaltenTyp(s)));
                namen << s.name;
            }
            const int nr = ziel->Ziel(name, namen);
            quelle->Feldzeilen(tabelle, [&](const std::vector<Feldwert>& z) {
                pruefen();
                ziel->Zeile(nr, z);
                ++k.zeilen;
            });
            ++k.tabellen;
            if (tabelleKopiert) tabelleKopiert(name);
        }
        lesen.commit();
        for (const QString& sql : nachher) ziel->Execute(sql);
        pruefen();
    }
    ziel->Fertig();
    return k;
}

}  // namespace hmz::db
