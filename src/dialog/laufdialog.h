// The run dialog as the component's entry shows it (setzeDialogFabrik).
#pragma once

#include "entry/kmohauptmzres.h"

#include <memory>

namespace hmz {

// Each modalZeigen loads a fresh frmHauptMzRes (its start-up runs every
// time) and returns when it has been closed. Registers the built-in modules
// under the names the host left free.
std::unique_ptr<RunDialog> qtLaufDialog();

}  // namespace hmz
