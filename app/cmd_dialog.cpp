// hmzres dialog: the host side of the component. Builds the call-parameter
// array a suite host would pass and opens the run dialog through the entry.
#include "befehle.h"

#include "core/fehler.h"
#include "core/variant.h"
#include "dialog/laufdialog.h"
#include "dialog/qtkomponenten.h"
#include "entry/kmohauptmzres.h"
#include "entry/zustand.h"
#include "statement/stapellauf.h"
#include "store/datenzugriff.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <optional>

using namespace hmz;

namespace {

// The client's latest booking year (its newest bookings table) and the last
// day of that year's last booked month; nothing when the file has no
// bookings table or cannot be read.
std::optional<std::pair<long, QDate>> letzterBuchungsstand(const QString& datei) {
    try {
        auto db = mandantOeffnen(datei, true);
        static const QRegularExpression jahrTabelle(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"),
                                                    QRegularExpression::CaseInsensitiveOption);
        long jahr = 0;
        for (const QString& tabelle : db->Tabellen()) {
            const auto m = jahrTabelle.match(tabelle);
            if (m.hasMatch()) jahr = std::max(jahr, m.captured(1).toLong());
        }
        if (jahr == 0) return std::nullopt;
        auto letzte = db->OpenRecordset(QStringLiteral("SELECT MAX(BuDatum) AS BuDatum FROM ObjKanzleiBuchungen%1").arg(jahr));
        const Variant v = letzte->Eof() ? Variant() : letzte->Fields(QStringLiteral("BuDatum"));
        QDate monat(static_cast<int>(jahr), 12, 1);
        if (!v.istNull() && !v.istEmpty()) {
            // An aggregate loses the column's type: the stored text "YYYY-MM-DD" comes back.
            const QDate d = v.typ() == VarTyp::String ? QDate::fromString(v.toString().left(10), Qt::ISODate) : v.toDate();
            if (d.isValid() && d.year() == jahr) monat = QDate(d.year(), d.month(), 1);
        }
        return std::make_pair(jahr, monat.addMonths(1).addDays(-1));
    } catch (const Fehler&) {
        return std::nullopt;
    }
}

// The help shipped with the program: installed beside it, or in the source
// tree of a build; empty when neither is there.
QString mitgelieferteHilfe() {
    for (const QString& ordner : {QCoreApplication::applicationDirPath() + QStringLiteral("/../share/hmzres/hilfe"),
                                  QStringLiteral(HMZ_QUELLHILFE)}) {
        const QFileInfo start(ordner + QStringLiteral("/index.html"));
        if (start.isFile()) return start.canonicalFilePath();
    }
    return {};
}

// One help context for the whole dialog (entry 65 of the host's table).
constexpr std::int16_t DialogHilfeKontext = 1000;

int dialog(const Befehlszeile& z) {
    QString datei = z.value(QStringLiteral("db"));
    if (!z.isSet(QStringLiteral("db"))) {
        // Started from the menu: the client is chosen here.
        datei = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Mandant öffnen"), QDir::homePath(),
                                             QStringLiteral("Mandanten (*.db *.hmz);;Alle Dateien (*)"));
        if (datei.isEmpty()) return ausgang::Erledigt;
    }
    const bool server = db::Engine::IstServer(datei);
    if (!server && !QFileInfo(datei).isFile()) return z.fehlschlag(QStringLiteral("Datenbank nicht gefunden: %1").arg(datei));
    const QString name = server ? datei : QFileInfo(datei).absoluteFilePath();
    try {
        mandantOeffnen(name, true)->Close();
    } catch (const Fehler& e) {
        // A plain client gets its password when the dialog opens; another program's file never.
        if (e.Nummer() == db::nr::KeineDatenbank) return z.fehlschlag(e.Beschreibung());
        if (const QString fremd = fremdeDateiHinweis(e, name); !fremd.isEmpty()) return z.fehlschlag(fremd);
    }
    if (const QString leer = keinMandantHinweis(name); !leer.isEmpty()) return z.fehlschlag(leer);
    // Without the options the dialog opens where the client's bookings end.
    const QDate heute = QDate::currentDate();
    QDate monatsStatus = QDate(heute.year(), heute.month(), 1).addDays(-1);  // end of the last closed month
    long buchungsjahr = heute.year();
    if (!z.isSet(QStringLiteral("month-status")) || !z.isSet(QStringLiteral("booking-year"))) {
        if (const auto stand = letzterBuchungsstand(name)) {
            buchungsjahr = stand->first;
            monatsStatus = stand->second;
        }
    }
    if (z.isSet(QStringLiteral("month-status"))) {
        monatsStatus = QDate::fromString(z.value(QStringLiteral("month-status")), QStringLiteral("dd.MM.yyyy"));
        if (!monatsStatus.isValid()) return z.falsch(QStringLiteral("--month-status nimmt TT.MM.JJJJ"));
    }
    if (z.isSet(QStringLiteral("booking-year"))) {
        bool ok = false;
        buchungsjahr = z.value(QStringLiteral("booking-year")).toLong(&ok);
        if (!ok || buchungsjahr < 1900 || buchungsjahr > 9999) return z.falsch(QStringLiteral("--booking-year nimmt ein Jahr (1900 bis 9999)"));
    }

    VariantArray info = VariantArray::leer(0, 100);
    info.at(0) = Variant::string(name);
    info.at(4) = Variant::string(QStringLiteral("Access;"));
    info.at(5) = Variant::date(monatsStatus);
    info.at(7) = Variant::string(z.isSet(QStringLiteral("help-file")) ? z.value(QStringLiteral("help-file")) : mitgelieferteHilfe());
    VariantArray kontexte = VariantArray::leer(0, 200);
    for (Variant& k : kontexte.elemente) k = Variant::integer(0);
    kontexte.at(65) = Variant::integer(DialogHilfeKontext);
    info.at(60) = Variant::array(std::move(kontexte));
    info.at(11) = Variant::lng(static_cast<std::int32_t>(buchungsjahr));
    info.at(55) = Variant::integer(0);
    info.at(58) = Variant::integer(2);

    qtKomponentenRegistrieren();
    setzeDialogFabrik(qtLaufDialog);
    try {
        kmoHauptmzRes k;
        k.HauptMzRes_Aufruf(info);
    } catch (const Fehler& f) {
        return z.fehlschlag(QStringLiteral("Fehler %1: %2").arg(f.Nummer()).arg(f.Beschreibung()));
    }
    return ausgang::Erledigt;
}

}  // namespace

Befehl dialogBefehl() {
    return {QStringLiteral("dialog"),
            QStringLiteral("[--db DB] [--booking-year JJJJ] [--month-status TT.MM.JJJJ] [--help-file DATEI]"),
            QStringLiteral("Öffnet den Lauf-Dialog auf einer Mandantendatenbank, wie eine Host-Anwendung ihn aufruft.\n"
                           "Braucht eine Anzeige (xvfb-run genügt)."),
            {
                {QStringLiteral("db"), QStringLiteral("Mandantendatenbank: eine Datei oder eine postgresql://-URI (Vorgabe: in einem Dateidialog gewählt)"),
                 QStringLiteral("DB")},
                {QStringLiteral("booking-year"), QStringLiteral("Buchungsjahr (Vorgabe: das neueste Jahr mit Buchungen)"), QStringLiteral("JJJJ")},
                {QStringLiteral("month-status"), QStringLiteral("Monatsstatus-Datum (Vorgabe: Ende des letzten gebuchten Monats)"),
                 QStringLiteral("TT.MM.JJJJ")},
                {QStringLiteral("help-file"), QStringLiteral("Hilfedatei, die der Hilfe-Knopf und F1 öffnen"),
                 QStringLiteral("DATEI")},
            },
            {}, true, dialog};
}
