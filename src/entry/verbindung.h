// Binding the run dialog's data controls to the client database, and making
// sure that the database carries the component's password.
#pragma once

#include <QString>

namespace hmz {

struct Formular;

// Ensures the password once (with the first control's file), then gives every
// data control the connect string "<format>pwd=<password>;". Never throws and
// reports nothing: a failure shows when a control is refreshed.
void DatenControlsVerbinden(Formular& formular);

// Opens the file with the password; if that fails, Set_DBPassword.
void DBPasswortSichern(QString& pfad);

// Gives a file without password the component's password. A file with
// another password, a missing file or one opened exclusively elsewhere is
// left alone without a message; other failures are shown in a message box.
void Set_DBPassword(QString& pfad);

}  // namespace hmz
