// What `list` shows of a client: its properties, the account master, the
// years of bookings with their balance, the stored year results; read in one
// state of the client and written as an aligned table, CSV or JSON.
#pragma once

#include "masterdata/stammdaten.h"

namespace hmz::stamm {

enum class ListenArt { Objekte, Konten, Jahre, Ergebnisse };
enum class ListenFormat { Tabelle, Csv, Json };

struct ListenSpalte {
    QString name;
    Typ typ;
};
struct Liste {
    std::vector<ListenSpalte> spalten;
    std::vector<std::vector<Variant>> zeilen;
};

// Bookings of one year: their number and the sums the balance check compares.
struct JahresBuchungen {
    int jahr = 0;
    long anzahl = 0;
    Currency soll, haben;
};
// Every year that has a bookings table, oldest first.
std::vector<JahresBuchungen> buchungsJahre(db::Database& db);

struct ListenAuftrag {
    QString datenbank;
    ListenArt art = ListenArt::Objekte;
    ListenFormat format = ListenFormat::Tabelle;
    std::optional<int> jahr;
    std::optional<long> von, bis;  // property numbers
};
Liste listeLesen(db::Database& db, const ListenAuftrag& a);
QByteArray listeText(const Liste& l, ListenFormat format);
// Returns the exit status (0, or 4 with one line on stderr).
int listeAusgeben(const ListenAuftrag& a);

}  // namespace hmz::stamm
