// Small helpers for tests that look into a generated client file directly.
#pragma once

#include "store/bulkwriter.h"
#include "store/datenzugriff.h"
#include "store/sqlite/sqlite_verbindung.h"

#include <memory>

#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <cstdint>
#include <gtest/gtest.h>

namespace hmz::testhilfe {

struct Schliesser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Datei = std::unique_ptr<sqlite3, Schliesser>;

// A connection as another program would have it: read-write unless
// nurLesen, waiting for locks like the component does.
inline Datei verbinden(const QString& pfad, const QString& passwort, bool nurLesen) {
    sqlite3* roh = nullptr;
    sqlite3_open_v2(pfad.toUtf8().constData(), &roh, nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    Datei db(roh);
    const QByteArray key = passwort.toUtf8();
    if (!key.isEmpty()) sqlite3_key(roh, key.constData(), static_cast<int>(key.size()));
    sqlite3_busy_timeout(roh, 5000);
    return db;
}

// A read-only connection of the test's own to a generated client file;
// Fehler 3031 when the password does not open it.
inline Datei oeffnen(const QString& pfad, const QString& passwort) {
    Datei db = verbinden(pfad, passwort, true);
    if (sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Fehler(db::nr::KeinGueltigesPasswort, QStringLiteral("Not a valid password."));
    return db;
}

// The first column of the first row as a number (0 for Null or no row).
inline std::int64_t zahl(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
        << sql.toStdString() << ": " << sqlite3_errmsg(db);
    std::int64_t v = 0;
    if (st && sqlite3_step(st) == SQLITE_ROW) v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

// One column (the first unless nr) of every row, as text ("NULL" for Null).
inline QStringList spalte(sqlite3* db, const QString& sql, int nr = 0) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
        << sql.toStdString() << ": " << sqlite3_errmsg(db);
    QStringList l;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const auto* t = sqlite3_column_text(st, nr);
        l << (t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QStringLiteral("NULL"));
    }
    sqlite3_finalize(st);
    return l;
}

}  // namespace hmz::testhilfe
