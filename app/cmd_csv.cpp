// hmzres export-csv and import-csv: one table of the client's master data
// as CSV, in both directions (the rules live in masterdata/).
#include "befehle.h"

#include "abbruchsignal.h"
#include "bereich.h"
#include "masterdata/stammdaten.h"

namespace {

const QString TabellenText = QStringLiteral("client|properties|accounts|bookings|results");

// --table and --year, common to both directions; a usage error as text.
QString tabelleUndJahr(const Befehlszeile& z, hmz::stamm::Tabelle& t, std::optional<int>& jahr) {
    const auto art = hmz::stamm::tabelleAusName(z.value(QStringLiteral("table")));
    if (!art) return QStringLiteral("--table nimmt %1").arg(TabellenText);
    t = *art;
    if (z.isSet(QStringLiteral("year"))) {
        bool ok = false;
        const int j = z.value(QStringLiteral("year")).toInt(&ok);
        if (!ok || j < 1900 || j > 9999) return QStringLiteral("--year nimmt ein Jahr JJJJ");
        jahr = j;
    }
    if (t == hmz::stamm::Tabelle::Buchungen && !jahr) return QStringLiteral("die Buchungen brauchen --year JJJJ");
    return {};
}

int exportieren(const Befehlszeile& z) {
    hmz::stamm::CsvExport a;
    if (const QString f = tabelleUndJahr(z, a.tabelle, a.jahr); !f.isEmpty()) return z.falsch(f);
    if (z.isSet(QStringLiteral("objects"))) {
        QString von, bis;
        bool ok1 = false, ok2 = false;
        if (bereich(z.value(QStringLiteral("objects")), von, bis)) {
            a.von = von.toLong(&ok1);
            a.bis = bis.toLong(&ok2);
        }
        if (!ok1 || !ok2) return z.falsch(QStringLiteral("--objects nimmt VON-BIS (Objektnummern)"));
    }
    a.datenbank = z.value(QStringLiteral("db"));
    a.ausgabe = z.value(QStringLiteral("out"));
    return hmz::stamm::csvExportieren(a);
}

int importieren(const Befehlszeile& z) {
    hmz::stamm::CsvImport a;
    if (const QString f = tabelleUndJahr(z, a.tabelle, a.jahr); !f.isEmpty()) return z.falsch(f);
    a.datenbank = z.value(QStringLiteral("db"));
    a.datei = z.value(QStringLiteral("file"));
    a.ersetzen = z.isSet(QStringLiteral("replace"));
    a.ungleichErlaubt = z.isSet(QStringLiteral("allow-imbalance"));
    a.dezimalpunkt = z.isSet(QStringLiteral("decimal-point"));
    a.abbruchSignal = &abbruchSignaleAbfangen();
    return hmz::stamm::csvImportieren(a);
}

QCommandLineOption tabelle() {
    return {QStringLiteral("table"), QStringLiteral("die Tabelle: client (Mandantensatz), properties (Objekte), accounts (Kontenstamm), "
                                                    "bookings (Buchungen), results (Jahresergebnisse)"),
            TabellenText};
}

}  // namespace

Befehl exportCsvBefehl() {
    return {QStringLiteral("export-csv"),
            QStringLiteral("--db DB --table %1 [--year JJJJ] [--objects VON-BIS]\n[--out DATEI]").arg(TabellenText),
            QStringLiteral("Schreibt eine Tabelle des Mandanten als CSV (UTF-8, ';', Dezimalkomma, TT.MM.JJJJ), wie import-csv\n"
                           "sie liest. Öffnet den Mandanten nur zum Lesen."),
            {
                {QStringLiteral("db"), QStringLiteral("Mandantendatei oder Server-URI"), QStringLiteral("DB")},
                tabelle(),
                {QStringLiteral("year"), QStringLiteral("das Jahr (nötig für bookings; wählt bei accounts und results aus)"), QStringLiteral("JJJJ")},
                {QStringLiteral("objects"), QStringLiteral("nur die Objekte VON-BIS"), QStringLiteral("VON-BIS")},
                {QStringLiteral("out"), QStringLiteral("in diese Datei schreiben (Vorgabe: Standardausgabe)"), QStringLiteral("DATEI")},
            },
            {QStringLiteral("db"), QStringLiteral("table")},
            false,
            exportieren};
}

Befehl importCsvBefehl() {
    return {QStringLiteral("import-csv"),
            QStringLiteral("--db DB --table %1 --file DATEI [--year JJJJ]\n[--replace] [--allow-imbalance] [--decimal-point]").arg(TabellenText),
            QStringLiteral("Liest eine Tabelle aus einer CSV-Datei ein, ganz oder gar nicht: bei einem Fehler bleibt der Mandant\n"
                           "unverändert und die Fehler werden mit Zeilennummer genannt (Exit-Status 1)."),
            {
                {QStringLiteral("db"), QStringLiteral("Mandantendatei oder Server-URI"), QStringLiteral("DB")},
                tabelle(),
                {QStringLiteral("file"), QStringLiteral("die CSV-Datei"), QStringLiteral("DATEI")},
                {QStringLiteral("year"), QStringLiteral("das Jahr (nötig für bookings; füllt bei accounts KontoJJ)"), QStringLiteral("JJJJ")},
                {QStringLiteral("replace"), QStringLiteral("bestehende Zeilen ersetzen (accounts: den Kontenstamm des Jahres; "
                                                           "bookings: die Buchungen des Jahres der Objekte der Datei)")},
                {QStringLiteral("allow-imbalance"), QStringLiteral("Buchungen auch einlesen, wenn Soll und Haben der Datei verschieden sind")},
                {QStringLiteral("decimal-point"), QStringLiteral("Beträge mit Dezimalpunkt (1234.56)")},
            },
            {QStringLiteral("db"), QStringLiteral("table"), QStringLiteral("file")},
            false,
            importieren};
}
