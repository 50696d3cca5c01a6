#include "befehle.h"

#include "core/fehler.h"
#include "masterdata/stammdaten.h"
#include "store/datenzugriff.h"
#include "store/schema.h"
#include "entry/zustand.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

int init(const Befehlszeile& z) {
    const QString datei = z.value(QStringLiteral("db"));
    const bool server = hmz::db::Engine::IstServer(datei);
    if (!server && QFileInfo::exists(datei))
        return z.fehlschlag(QStringLiteral("'%1' already exists; it is left unchanged").arg(datei));
    try {
        auto datenbank = hmz::db::Engine::instance().CreateDatabase(datei, hmz::DatenbankPasswort);
        try {
            {
                hmz::db::Transaktion t(*datenbank);
                hmz::db::schemaAnlegen(*datenbank, {QDate::currentDate().year()});
                const QString name = z.value(QStringLiteral("name"));
                hmz::stamm::mandantSatzAnlegen(*datenbank, name.isEmpty() ? QStringLiteral("Neuer Mandant") : name);
                t.commit();
            }
            datenbank->Close();
        } catch (...) {
            datenbank.reset();
            if (!server) QFile::remove(datei);  // no half-made client database (a server rolls back)
            throw;
        }
    } catch (const hmz::Fehler& f) {
        return z.fehlschlag(QStringLiteral("cannot create '%1': %2 (error %3)")
                                .arg(hmz::db::Engine::Anzeigename(datei), f.Beschreibung())
                                .arg(f.Nummer()));
    }
    std::printf("created %s\n", qPrintable(hmz::db::Engine::Anzeigename(datei)));
    return ausgang::Erledigt;
}

}  // namespace

Befehl initBefehl() {
    return {QStringLiteral("init"), QStringLiteral("--db DB [--name TEXT]"),
            QStringLiteral("Creates an empty client database with the tables of the current year: an encrypted\n"
                           "file, or the tables in an empty server database (DB a postgresql:// URI).\n"
                           "An existing file, or a server database that has tables, is left unchanged (exit status 4)."),
            {{QStringLiteral("db"), QStringLiteral("the database file or server URI to create"), QStringLiteral("DB")},
             {QStringLiteral("name"), QStringLiteral("Name des Mandanten (Vorgabe: Neuer Mandant)"), QStringLiteral("TEXT")}},
            {QStringLiteral("db")}, false, init};
}
