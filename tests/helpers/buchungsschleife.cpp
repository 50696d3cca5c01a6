// A second program on a client file, as another workstation's booking
// program would be: it books balanced debit/credit pairs, each pair in one
// short transaction, and waits for a busy file up to the given time.
//
//   hmzres_test_buchen FILE PASSWORD YEAR PAIRS TIMEOUT_MS [STOPFILE]
//
// PAIRS 0 books until STOPFILE exists. Prints the number of pairs booked;
// exits 1 with the engine's message when a booking is refused. The rows are
// of kind '90', which the statements leave out and the balance check counts.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

sqlite3* db = nullptr;
long gebucht = 0;

[[noreturn]] void abbruch(const char* was) {
    std::printf("%ld\n", gebucht);
    std::fprintf(stderr, "%s: %s\n", was, db ? sqlite3_errmsg(db) : "?");
    if (db) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    std::exit(1);
}

void ausfuehren(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) abbruch(sql);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s FILE PASSWORD YEAR PAIRS TIMEOUT_MS [STOPFILE]\n", argv[0]);
        return 2;
    }
    const long paare = std::atol(argv[4]);
    const char* stop = argc > 6 ? argv[6] : nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) abbruch("open");
    sqlite3_key(db, argv[2], static_cast<int>(std::strlen(argv[2])));
    sqlite3_busy_timeout(db, std::atoi(argv[5]));
    const std::string sql = std::string("INSERT INTO ObjKanzleiBuchungen") + argv[3] +
                            " (BuObjNr, BuKontoNr, BuDatum, BuBelegNr, BuText1, BuBetrag, BuSH, BuSHVorzeichen, BuArt)"
                            " VALUES (1, '9999', '" + argv[3] + "-06-30', 9, 'Zweitprogramm', ?1, ?2, ?3, '90')";
    sqlite3_stmt* einfuegen = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &einfuegen, nullptr) != SQLITE_OK) abbruch("prepare");
    while (paare == 0 ? stop && ::access(stop, F_OK) != 0 : gebucht < paare) {
        ausfuehren("BEGIN IMMEDIATE");
        for (const char* seite : {"S", "H"}) {
            sqlite3_bind_int64(einfuegen, 1, 10000 + gebucht);  // a different amount per pair
            sqlite3_bind_text(einfuegen, 2, seite, -1, SQLITE_STATIC);
            sqlite3_bind_int(einfuegen, 3, *seite == 'H' ? 1 : -1);
            if (sqlite3_step(einfuegen) != SQLITE_DONE) abbruch("insert");
            sqlite3_reset(einfuegen);
        }
        ausfuehren("COMMIT");
        ++gebucht;
        // A person between two bookings; without any pause the loop would
        // take the write lock back the moment it lets go of it.
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    sqlite3_finalize(einfuegen);
    sqlite3_close(db);
    std::printf("%ld\n", gebucht);
    return 0;
}
