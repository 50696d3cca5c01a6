// F1 in a module window: the module's paragraph of the help the host named
// for the run dialog.
#pragma once

#include <QString>

class QWidget;

namespace hmz::module {

void hilfeTaste(QWidget* fenster, const QString& anker);

}  // namespace hmz::module
