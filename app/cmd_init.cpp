#include "befehle.h"

#include "core/fehler.h"
#include "store/datenzugriff.h"
#include "store/schema.h"
#include "entry/zustand.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int befehlInit(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("database file to create"), QStringLiteral("FILE"));
    parser.addOption(db);
    if (!parser.parse(QStringList{QStringLiteral("hmzres init")} + args) || !parser.positionalArguments().isEmpty() ||
        !parser.isSet(db) || parser.value(db).isEmpty()) {
        const QString grund = parser.errorText().isEmpty() ? QStringLiteral("--db FILE is required") : parser.errorText();
        std::fprintf(stderr, "hmzres init: %s\nusage: hmzres init --db FILE\n", qPrintable(grund));
        return 2;
    }
    const QString datei = parser.value(db);
    if (QFileInfo::exists(datei)) {
        std::fprintf(stderr, "hmzres init: '%s' already exists; it is left unchanged\n", qPrintable(datei));
        return 4;
    }
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
        std::fprintf(stderr, "hmzres init: cannot create '%s': %s (error %ld)\n", qPrintable(datei),
                     qPrintable(f.Beschreibung()), f.Nummer());
        return 4;
    }
    std::printf("created %s\n", qPrintable(datei));
    return 0;
}
