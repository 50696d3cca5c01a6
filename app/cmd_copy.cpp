#include "befehle.h"

#include "core/fehler.h"
#include "core/samefile.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/schema.h"

#include <QRegularExpression>
#include <cstdio>

namespace {

using namespace hmz;

QString createdName(const QString& sql) {
    static const QRegularExpression re(QStringLiteral("^CREATE TABLE (\\w+)"));
    return re.match(sql).captured(1);
}

// The definition of a table the component knows, under its own spelling;
// the bookings index comes after the rows.
bool bekannteTabelle(const QString& name, QString& kanonisch, QStringList& vorher, QStringList& nachher) {
    for (const QString& sql : db::schemaGrundtabellen()) {
        if (createdName(sql).compare(name, Qt::CaseInsensitive) == 0) {
            kanonisch = createdName(sql);
            vorher = {sql};
            return true;
        }
    }
    static const QRegularExpression jahr(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = jahr.match(name);
    if (!m.hasMatch()) return false;
    const QStringList s = db::schemaBuchungsjahr(m.captured(1).toInt());
    kanonisch = db::buchungsTabelle(m.captured(1).toInt());
    vorher = {s.at(0)};
    nachher = s.mid(1);
    return true;
}

db::Feldwert feldwert(const Variant& v) {
    switch (v.typ()) {
    case VarTyp::Empty:
    case VarTyp::Null: return db::Feldwert::null();
    case VarTyp::Boolean: return db::Feldwert::zahl(v.toBool() ? -1 : 0);
    case VarTyp::Integer:
    case VarTyp::Long: return db::Feldwert::zahl(v.toLong());
    case VarTyp::Double: return {db::Feldwert::Art::Gleit, 0, v.toDouble(), {}};
    case VarTyp::Currency: return db::Feldwert::geld(v.toCurrency());
    case VarTyp::Date: return db::Feldwert::datum(v.toDate());
    default: return db::Feldwert::text(v.toString());
    }
}

int kopieren(const Befehlszeile& z) {
    const QString von = z.value(QStringLiteral("from")), nach = z.value(QStringLiteral("to"));
    const bool force = z.isSet(QStringLiteral("force"));
    const QString vonText = db::Engine::Anzeigename(von), nachText = db::Engine::Anzeigename(nach);
    if (von == nach || (!db::Engine::IstServer(von) && !db::Engine::IstServer(nach) && sameFile(von, nach)))
        return z.falsch(QStringLiteral("source and target are the same"));
    long tabellen = 0, zeilen = 0;
    try {
        auto quelle = db::Engine::instance().OpenDatabase(von, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
        if (!force && db::Engine::instance().Vorhanden(nach))
            return z.fehlschlag(QStringLiteral("'%1' holds a client already; use --force to replace it").arg(nachText));
        auto ziel = db::Engine::instance().NeuerMandant(nach, DatenbankPasswort, force);
        // Reads of every table see one state of the source.
        quelle->BeginLesen();
        QStringList nachher;
        for (const QString& tabelle : quelle->Tabellen()) {
            const std::vector<db::Spalte> spalten = quelle->Spalten(tabelle);
            QString name = tabelle;
            QStringList vorher, danach;
            if (!bekannteTabelle(tabelle, name, vorher, danach)) {
                QStringList defs;
                for (const auto& s : spalten) defs << QStringLiteral("[%1] %2").arg(s.name, s.typ);
                vorher = {QStringLiteral("CREATE TABLE [%1] (%2)").arg(name, defs.join(QStringLiteral(", ")))};
            }
            for (const QString& sql : vorher) ziel->Execute(sql);
            nachher += danach;
            // Columns beyond the known definition (kept by an import) come along.
            const std::vector<db::Spalte> da = ziel->Spalten(name);
            QStringList namen;
            for (const auto& s : spalten) {
                bool gibt = false;
                for (const auto& d : da) gibt = gibt || d.name.compare(s.name, Qt::CaseInsensitive) == 0;
                if (!gibt) ziel->Execute(QStringLiteral("ALTER TABLE [%1] ADD COLUMN [%2] %3").arg(name, s.name, s.typ));
                namen << s.name;
            }
            const int nr = ziel->Ziel(name, namen);
            std::vector<db::Feldwert> werte(spalten.size());
            quelle->Zeilen(QStringLiteral("SELECT * FROM [%1]").arg(tabelle), [&](const std::vector<Variant>& z) {
                for (std::size_t i = 0; i < werte.size(); ++i) werte[i] = feldwert(z[i]);
                ziel->Zeile(nr, werte);
                ++zeilen;
            });
            ++tabellen;
            std::printf("%s\n", qPrintable(name));
            std::fflush(stdout);
        }
        quelle->CommitTrans();
        for (const QString& sql : nachher) ziel->Execute(sql);
        ziel->Fertig();
    } catch (const Fehler& e) {
        std::fflush(stdout);
        return z.fehlschlag(QStringLiteral("nothing copied to '%1': %2 (error %3)").arg(nachText, e.Beschreibung()).arg(e.Nummer()));
    }
    std::printf("Copied %ld tables, %ld rows from '%s' to '%s'\n", tabellen, zeilen, qPrintable(vonText), qPrintable(nachText));
    return ausgang::Erledigt;
}

}  // namespace

Befehl copyBefehl() {
    return {QStringLiteral("copy"), QStringLiteral("--from DB --to DB [--force]"),
            QStringLiteral("Copies a whole client, every table, from one store to another (a file or a\n"
                           "postgresql:// URI). The target gets all of it or nothing; one that holds a\n"
                           "client already is replaced only with --force (else exit status 4)."),
            {
                {QStringLiteral("from"), QStringLiteral("the client to read"), QStringLiteral("DB")},
                {QStringLiteral("to"), QStringLiteral("the store to write"), QStringLiteral("DB")},
                {QStringLiteral("force"), QStringLiteral("replace a client the target holds")},
            },
            {QStringLiteral("from"), QStringLiteral("to")}, false, kopieren};
}

