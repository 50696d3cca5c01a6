#include "entry/verbindung.h"

#include "store/datenzugriff.h"
#include "entry/formular.h"
#include "shell/oberflaeche.h"
#include "entry/zustand.h"
#include "shell/fehlermelden.h"

namespace hmz {

namespace {

// Failures of the password change that mean "leave the file as it is":
// another password, no file, a shared or exclusive open elsewhere, no client
// (the open that follows says so).
bool stillUebergehen(long nummer) {
    for (long n : {3031L, 3001L, 3621L, 3704L, 3024L, 3356L, 3343L})
        if (n == nummer) return true;
    return false;
}

template <typename F>
void ohneFehler(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

}  // namespace

void DatenControlsVerbinden(Formular& formular) {
    bool erst = true;
    for (db::DataControl* control : formular.datenControls) {
        if (erst) {
            ohneFehler([&] { DBPasswortSichern(control->DatabaseName); });
            erst = false;
        }
        ohneFehler([&] {
            control->Connect = datenbankFormat();
            control->Connect = control->Connect + QStringLiteral("pwd=") + DatenbankPasswort + QStringLiteral(";");
        });
    }
}

void DBPasswortSichern(QString& pfad) {
    // A server has no database password: its users and their passwords guard it.
    if (db::Engine::IstServer(pfad)) return;
    std::unique_ptr<db::Database> datenbank;
    bool geoeffnet = false;
    try {
        datenbank = mandantOeffnen(pfad, false);
        geoeffnet = true;
    } catch (...) {
    }
    if (!geoeffnet) Set_DBPassword(pfad);
    ohneFehler([&] {
        if (datenbank) datenbank->Close();
        datenbank.reset();
    });
}

void Set_DBPassword(QString& pfad) {
    std::unique_ptr<db::Database> datenbank;
    try {
        datenbank = db::Engine::instance().OpenDatabase(pfad, true, false, QStringLiteral(";PWD="));
        datenbank->NewPassword(QString(), DatenbankPasswort);
    } catch (...) {
        const Fehler f = alsFehler(std::current_exception());
        if (!stillUebergehen(f.Nummer())) {
            Meldung m;
            m.text = QStringLiteral("The following error has occured.\r\n\r\nError Number: ") + QString::number(f.Nummer()) +
                     QStringLiteral("\r\nError Source: Set_DBPassword\r\nError Description: ") + f.Beschreibung();
            m.titel = QStringLiteral("An Error has Occured!");
            m.symbol = Symbol::Stopp;
            ui().melden(m);
            return;
        }
    }
    ohneFehler([&] {
        if (datenbank) datenbank->Close();
        datenbank.reset();
    });
}

}  // namespace hmz
