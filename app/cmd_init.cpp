#include "befehle.h"

#include "core/fehler.h"
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
    if (QFileInfo::exists(datei)) return z.fehlschlag(QStringLiteral("'%1' already exists; it is left unchanged").arg(datei));
    try {
        auto datenbank = hmz::db::Engine::instance().CreateDatabase(datei, hmz::DatenbankPasswort);
        try {
            {
                hmz::db::Transaktion t(*datenbank);
                hmz::db::schemaAnlegen(*datenbank, {QDate::currentDate().year()});
                t.commit();
            }
            datenbank->Close();
        } catch (...) {
            datenbank.reset();
            QFile::remove(datei);  // no half-made client database
            throw;
        }
    } catch (const hmz::Fehler& f) {
        return z.fehlschlag(QStringLiteral("cannot create '%1': %2 (error %3)").arg(datei, f.Beschreibung()).arg(f.Nummer()));
    }
    std::printf("created %s\n", qPrintable(datei));
    return ausgang::Erledigt;
}

}  // namespace

Befehl initBefehl() {
    return {QStringLiteral("init"), QStringLiteral("--db FILE"),
            QStringLiteral("Creates an empty, encrypted client database with the tables of the current year.\n"
                           "An existing FILE is left unchanged (exit status 4)."),
            {{QStringLiteral("db"), QStringLiteral("the database file to create"), QStringLiteral("FILE")}},
            {QStringLiteral("db")}, false, init};
}
