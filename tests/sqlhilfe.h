// Small helpers for tests that look into a generated client file directly.
#pragma once

#include "store/sqlite/bulkwriter.h"

#include <sqlite3.h>

#include <QString>
#include <QStringList>
#include <cstdint>
#include <gtest/gtest.h>

namespace hmz::testhilfe {

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

// The first column of every row, as text ("NULL" for Null).
inline QStringList spalte(sqlite3* db, const QString& sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK)
        << sql.toStdString() << ": " << sqlite3_errmsg(db);
    QStringList l;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const auto* t = sqlite3_column_text(st, 0);
        l << (t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QStringLiteral("NULL"));
    }
    sqlite3_finalize(st);
    return l;
}

}  // namespace hmz::testhilfe
