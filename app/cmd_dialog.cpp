// hmzres dialog: the host side of the component. Builds the call-parameter
// array a suite host would pass and opens the run dialog through the entry.
#include "befehle.h"

#include "core/fehler.h"
#include "core/variant.h"
#include "dialog/laufdialog.h"
#include "dialog/qtkomponenten.h"
#include "store/datenzugriff.h"
#include "entry/kmohauptmzres.h"
#include "entry/zustand.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>
#include <optional>

using namespace hmz;

namespace {

// The client's latest booking year (its newest bookings table) and the last
// day of that year's last booked month; nothing when the file has no
// bookings table or cannot be read.
std::optional<std::pair<long, QDate>> letzterBuchungsstand(const QString& datei) {
    try {
        auto db = db::Engine::instance().OpenDatabase(datei, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
        static const QRegularExpression jahrTabelle(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"),
                                                    QRegularExpression::CaseInsensitiveOption);
        long jahr = 0;
        auto tabellen = db->OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        for (; !tabellen->Eof(); tabellen->MoveNext()) {
            const auto m = jahrTabelle.match(tabellen->Fields(QStringLiteral("name")).toString());
            if (m.hasMatch()) jahr = std::max(jahr, m.captured(1).toLong());
        }
        if (jahr == 0) return std::nullopt;
        auto letzte = db->OpenRecordset(QStringLiteral("SELECT MAX(BuDatum) AS BuDatum FROM ObjKanzleiBuchungen%1").arg(jahr));
        const Variant v = letzte->Eof() ? Variant() : letzte->Fields(QStringLiteral("BuDatum"));
        QDate monat(static_cast<int>(jahr), 12, 1);
        if (!v.istNull() && !v.istEmpty()) {
            const QDate d = v.toDate();
            if (d.isValid() && d.year() == jahr) monat = QDate(d.year(), d.month(), 1);
        }
        return std::make_pair(jahr, monat.addMonths(1).addDays(-1));
    } catch (const Fehler&) {
        return std::nullopt;
    }
}

}  // namespace

int befehlDialog(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("client database"), QStringLiteral("FILE"));
    const QCommandLineOption jahr(QStringLiteral("booking-year"), QStringLiteral("booking year"), QStringLiteral("N"));
    const QCommandLineOption status(QStringLiteral("month-status"), QStringLiteral("month-status date"),
                                    QStringLiteral("DD.MM.YYYY"));
    const QCommandLineOption hilfe(QStringLiteral("help-file"), QStringLiteral("help file"), QStringLiteral("FILE"));
    p.addOptions({db, jahr, status, hilfe});
    if (!p.parse(QStringList{QStringLiteral("hmzres dialog")} + args) || !p.positionalArguments().isEmpty() ||
        !p.isSet(db)) {
        std::fprintf(stderr, "hmzres dialog: %s\nusage: hmzres dialog --db FILE [--booking-year N] "
                             "[--month-status DD.MM.YYYY] [--help-file FILE]\n",
                     p.errorText().isEmpty() ? "--db FILE is required" : qPrintable(p.errorText()));
        return 2;
    }

    const QString datei = p.value(db);
    if (!QFileInfo(datei).isFile()) {
        std::fprintf(stderr, "hmzres dialog: database '%s' not found\n", qPrintable(datei));
        return 4;
    }
    // Without the options the dialog opens where the client's bookings end.
    const QDate heute = QDate::currentDate();
    QDate monatsStatus = QDate(heute.year(), heute.month(), 1).addDays(-1);  // end of the last closed month
    long buchungsjahr = heute.year();
    if (!p.isSet(status) || !p.isSet(jahr)) {
        if (const auto stand = letzterBuchungsstand(QFileInfo(datei).absoluteFilePath())) {
            buchungsjahr = stand->first;
            monatsStatus = stand->second;
        }
    }
    if (p.isSet(status)) {
        monatsStatus = QDate::fromString(p.value(status), QStringLiteral("dd.MM.yyyy"));
        if (!monatsStatus.isValid()) {
            std::fprintf(stderr, "hmzres dialog: --month-status needs DD.MM.YYYY\n");
            return 2;
        }
    }
    if (p.isSet(jahr)) {
        bool ok = false;
        buchungsjahr = p.value(jahr).toLong(&ok);
        if (!ok || buchungsjahr < 1900 || buchungsjahr > 9999) {
            std::fprintf(stderr, "hmzres dialog: --booking-year needs a year\n");
            return 2;
        }
    }
    VariantArray info = VariantArray::leer(0, 100);
    info.at(0) = Variant::string(QFileInfo(datei).absoluteFilePath());
    info.at(4) = Variant::string(QStringLiteral("Access;"));
    info.at(5) = Variant::date(monatsStatus);
    info.at(7) = Variant::string(p.value(hilfe));
    info.at(11) = Variant::lng(static_cast<std::int32_t>(buchungsjahr));
    info.at(55) = Variant::integer(0);
    info.at(58) = Variant::integer(2);

    qtKomponentenRegistrieren();
    setzeDialogFabrik(qtLaufDialog);
    try {
        kmoHauptmzRes k;
        k.HauptMzRes_Aufruf(info);
    } catch (const Fehler& f) {
        std::fprintf(stderr, "hmzres dialog: error %ld: %s\n", f.Nummer(), qPrintable(f.Beschreibung()));
        return 4;
    }
    return 0;
}
