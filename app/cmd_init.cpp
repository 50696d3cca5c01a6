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
        return z.fehlschlag(QStringLiteral("'%1' gibt es schon; die Datei bleibt unverändert").arg(datei));
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
        return z.fehlschlag(QStringLiteral("'%1' kann nicht angelegt werden: %2 (Fehler %3)")
                                .arg(hmz::db::Engine::Anzeigename(datei), f.Beschreibung())
                                .arg(f.Nummer()));
    }
    std::printf("angelegt: %s\n", qPrintable(hmz::db::Engine::Anzeigename(datei)));
    return ausgang::Erledigt;
}

}  // namespace

Befehl initBefehl() {
    return {QStringLiteral("init"), QStringLiteral("--db DB [--name TEXT]"),
            QStringLiteral("Legt eine leere Mandantendatenbank mit den Tabellen des laufenden Jahres und dem Mandantensatz\n"
                           "an: eine verschlüsselte Datei oder die Tabellen in einer leeren Serverdatenbank (DB eine\n"
                           "postgresql://-URI). Eine vorhandene Datei oder eine Serverdatenbank mit Tabellen bleibt\n"
                           "unverändert (Status 4)."),
            {{QStringLiteral("db"), QStringLiteral("die anzulegende Datenbankdatei oder Server-URI"), QStringLiteral("DB")},
             {QStringLiteral("name"), QStringLiteral("Name des Mandanten (Vorgabe: Neuer Mandant)"), QStringLiteral("TEXT")}},
            {QStringLiteral("db")}, false, init};
}
