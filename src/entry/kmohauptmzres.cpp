#include "entry/kmohauptmzres.h"

#include "entry/zustand.h"
#include "shell/fehlermelden.h"

#include <utility>

namespace hmz {

namespace {

std::function<std::unique_ptr<RunDialog>()>& fabrik() {
    static std::function<std::unique_ptr<RunDialog>()> f;
    return f;
}

// Created on first use and kept for the life of the process.
std::unique_ptr<RunDialog>& dialog() {
    static std::unique_ptr<RunDialog> d;
    return d;
}

}  // namespace

void setzeDialogFabrik(std::function<std::unique_ptr<RunDialog>()> f) {
    fabrik() = std::move(f);
    dialog().reset();
}

kmoHauptmzRes::kmoHauptmzRes() { aufruf().AufrufParameter = VariantArray::leer(0, 100); }

kmoHauptmzRes::~kmoHauptmzRes() {
    if (dialog() && aufruf().DialogGeladen) dialog()->entladen();
}

void kmoHauptmzRes::HauptMzRes_Aufruf(const VariantArray& Info) {
    auto& z = aufruf();
    z.AufrufParameter = Info;

    // Every element read checks the bounds; a value that does not convert
    // raises the error to the host before any dialog is shown.
    const QString pfad = Info.at(0).toString();
    (void)Info.at(1).toString();
    (void)Info.at(2).toInteger();
    const QDate monatsStatus = Info.at(5).toDate();
    (void)Info.at(10).toInteger();
    const long jahr = Info.at(11).toLong();

    z.DatenbankPfad = pfad;
    z.MonatsStatusDatum = monatsStatus;
    z.Buchungsjahr = jahr;
    z.GleicheZeile = QStringLiteral("GL");

    if (!dialog()) {
        if (!fabrik()) return;  // no user interface in this process
        dialog() = fabrik()();
        FehlerQuelle() = QStringLiteral("kmoHauptMzRes");
    }
    dialog()->modalZeigen();
}

}  // namespace hmz
