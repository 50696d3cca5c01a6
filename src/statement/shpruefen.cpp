#include "statement/shpruefen.h"

#include "core/format.h"
#include "store/datenzugriff.h"
#include "entry/formular.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"
#include "statement/objektdrucken.h"

namespace hmz {

SHPruefung& shPruefung() {
    static SHPruefung p;
    return p;
}

namespace {

const QString Quelle = QStringLiteral("mdlSHPrüfen, in SHPrüfen");

struct FehlendeTabelle {};

Currency summe(const db::Recordset& rs, const QString& feld) {
    const Variant s = rs.Fields(feld);
    return s.istNull() ? Currency() : s.toCurrency();
}

// Debits and credits in one query, so both sums come from one state of the
// file: two queries could see a balanced pair that another program commits
// between them by half.
QString summenAbfrage(const QString& jahr) {
    const QString tabelle = QStringLiteral(" FROM ObjKanzleiBuchungen") + jahr;
    return QStringLiteral("SELECT (SELECT SUM(buBetrag)") + tabelle + QStringLiteral(" WHERE BuSH = 'S') as SummeSoll, ") +
           QStringLiteral("(SELECT SUM(buBetrag)") + tabelle + QStringLiteral(" where BuSH = 'H') as SummeHaben");
}

QString differenzText(Currency s, Currency h, Currency d) {
    const auto& p = shPruefung();
    const QString crlf = QStringLiteral("\r\n");
    return p.PruefAnlass + QStringLiteral(" im Jahr: ") + QString::number(p.PruefJahr) +
           QStringLiteral(" ergibt Soll/Haben-Ungleichheit.") + crlf + crlf +
           QStringLiteral("Summe Soll:     ") + format::betrag(s) + crlf +
           QStringLiteral("Summe Haben: ") + format::betrag(h) + crlf +
           QStringLiteral("Differenz: ") + format::betrag(d) + crlf + crlf +
           QStringLiteral("Überprüfen Sie die Ursache.") + crlf + crlf +
           QStringLiteral("Abbrechen ... \"JA\" klicken") + crlf +
           QStringLiteral("Weiterverarbeitung ... \"NEIN\" klicken");
}

}  // namespace

// Both sums from one state: bookings stored by others in between would
// show as a difference that is not there.
SollHaben SHSummenLesen(db::Database& db, const QString& jahr) {
    auto rs = db.OpenRecordset(summenAbfrage(jahr));
    const SollHaben r{summe(*rs, QStringLiteral("SummeSoll")), summe(*rs, QStringLiteral("SummeHaben"))};
    rs->Close();
    return r;
}

SollHaben SHSummen(db::Database& db, const QString& jahr) {
    db::Transaktion lesen(db, db::Transaktion::Art::Lesen);
    const SollHaben r = SHSummenLesen(db, jahr);
    lesen.commit();
    return r;
}

void SHPrüfen(QString& Jahr, LaufAnsicht& ansicht) {
    auto& f = formular();
    const auto& p = shPruefung();
    f.Abbruch = false;
    if (Jahr.isEmpty()) Jahr = QString::number(p.PruefJahr);

    std::unique_ptr<db::Database> pruefDB;
    bool tabelleFehlt = false;
    // A failing step is reported and the check goes on with the next one;
    // a missing year table ends it with its own message.
    auto schritt = [&](const std::function<void()>& s) {
        if (tabelleFehlt) return;
        try {
            s();
        } catch (...) {
            const Fehler e = alsFehler(std::current_exception());
            f.Abbruch = true;
            if (e.Nummer() == db::nr::TabelleFehlt) {
                tabelleFehlt = true;
                ansicht.melden({QStringLiteral("für Buchungsjahr: ") + QString::number(p.PruefJahr) +
                                    QStringLiteral(" ist kein Buchungsbestand existent"),
                                QStringLiteral("Buchungsjahr nicht existent"), Knoepfe::OK, Symbol::Stopp});
                return;
            }
            FehlerQuelle() = Quelle;
            FehlerMelden(e);
        }
    };
    auto db = [&]() -> db::Database& {
        if (!pruefDB) throw Fehler(fehlernr::ObjektFehlt, fehlertext::ObjektFehlt);
        return *pruefDB;
    };

    Currency s, h;
    schritt([&] {
        pruefDB = mandantOeffnen(aufruf().DatenbankPfad, istNurRechnen());
    });
    f.VerarbeitungLaeuft = true;
    ansicht.kurzWarten();
    // The reading ends on every way out, a missing year table included: the
    // connection stays shared with the data controls for later runs.
    schritt([&] {
        const SollHaben sh = SHSummen(db(), Jahr);
        s = sh.soll;
        h = sh.haben;
    });
    if (!tabelleFehlt) {
        schritt([&] {
            const Currency d = s - h;
            if (!d.istNull()) {
                const Antwort a = ansicht.melden({differenzText(s, h, d), QStringLiteral("Soll-/Haben-Differenz festgestellt:"),
                                                  Knoepfe::JaNein, Symbol::Stopp, Antwort::Ja});
                if (a == Antwort::Ja) f.Abbruch = true;
            }
        });
    }
    if (pruefDB) {
        try {
            pruefDB->Close();
        } catch (...) {
        }
    }
}

}  // namespace hmz
