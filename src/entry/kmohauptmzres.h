// The component's public class. The host creates it and calls
// HauptMzRes_Aufruf with its call parameters; the call shows the run dialog
// modally and returns when the dialog has been closed.
#pragma once

#include "core/variant.h"

#include <functional>

namespace hmz {

// The run dialog as the entry sees it: shown modally, returns when closed.
class RunDialog {
public:
    virtual ~RunDialog() = default;
    virtual void modalZeigen() = 0;
    virtual void entladen() {}
};

// Creates the run dialog on first use; the Qt dialog or a test plugs in here.
void setzeDialogFabrik(std::function<std::unique_ptr<RunDialog>()> fabrik);

class kmoHauptmzRes {
public:
    kmoHauptmzRes();
    ~kmoHauptmzRes();
    // Copies the host's array; raises error 9/13 to the host on a bad array
    // (no dialog is shown then).
    void HauptMzRes_Aufruf(const VariantArray& Info);
    void einblenden() {}
    void ausblenden() {}
};

}  // namespace hmz
