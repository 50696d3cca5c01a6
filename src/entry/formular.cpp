#include "entry/formular.h"

namespace hmz {

Formular& formular() {
    static Formular f;
    return f;
}

}  // namespace hmz
