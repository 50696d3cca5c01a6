// hmzres dialog: the host side of the component. Builds the call-parameter
// array a suite host would pass and opens the run dialog through the entry.
#include "befehle.h"

#include "core/fehler.h"
#include "core/variant.h"
#include "dialog/laufdialog.h"
#include "dialog/qtkomponenten.h"
#include "entry/kmohauptmzres.h"

#include <QDate>
#include <QFileInfo>

using namespace hmz;

namespace {

int dialog(const Befehlszeile& z) {
    const QDate heute = QDate::currentDate();
    QDate monatsStatus = QDate(heute.year(), heute.month(), 1).addDays(-1);  // end of the last closed month
    if (z.isSet(QStringLiteral("month-status"))) {
        monatsStatus = QDate::fromString(z.value(QStringLiteral("month-status")), QStringLiteral("dd.MM.yyyy"));
        if (!monatsStatus.isValid()) return z.falsch(QStringLiteral("--month-status takes DD.MM.YYYY"));
    }
    long buchungsjahr = heute.year();
    if (z.isSet(QStringLiteral("booking-year"))) {
        bool ok = false;
        buchungsjahr = z.value(QStringLiteral("booking-year")).toLong(&ok);
        if (!ok || buchungsjahr < 1900 || buchungsjahr > 9999) return z.falsch(QStringLiteral("--booking-year takes a year"));
    }
    const QString datei = z.value(QStringLiteral("db"));
    if (!QFileInfo(datei).isFile()) return z.fehlschlag(QStringLiteral("database not found: %1").arg(datei));

    VariantArray info = VariantArray::leer(0, 100);
    info.at(0) = Variant::string(QFileInfo(datei).absoluteFilePath());
    info.at(4) = Variant::string(QStringLiteral("Access;"));
    info.at(5) = Variant::date(monatsStatus);
    info.at(7) = Variant::string(z.value(QStringLiteral("help-file")));
    info.at(11) = Variant::lng(static_cast<std::int32_t>(buchungsjahr));
    info.at(55) = Variant::integer(0);
    info.at(58) = Variant::integer(2);

    qtKomponentenRegistrieren();
    setzeDialogFabrik(qtLaufDialog);
    try {
        kmoHauptmzRes k;
        k.HauptMzRes_Aufruf(info);
    } catch (const Fehler& f) {
        return z.fehlschlag(QStringLiteral("error %1: %2").arg(f.Nummer()).arg(f.Beschreibung()));
    }
    return ausgang::Erledigt;
}

}  // namespace

Befehl dialogBefehl() {
    return {QStringLiteral("dialog"),
            QStringLiteral("--db FILE [--booking-year N] [--month-status DD.MM.YYYY] [--help-file FILE]"),
            QStringLiteral("Opens the run dialog on a client database, as a host application calls it.\n"
                           "Needs a display (xvfb-run works)."),
            {
                {QStringLiteral("db"), QStringLiteral("client database"), QStringLiteral("FILE")},
                {QStringLiteral("booking-year"), QStringLiteral("booking year (default: this year)"), QStringLiteral("N")},
                {QStringLiteral("month-status"), QStringLiteral("month-status date (default: end of last month)"),
                 QStringLiteral("DD.MM.YYYY")},
                {QStringLiteral("help-file"), QStringLiteral("help file that the help button and F1 open"),
                 QStringLiteral("FILE")},
            },
            {QStringLiteral("db")}, true, dialog};
}
