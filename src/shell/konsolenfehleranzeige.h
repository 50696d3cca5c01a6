// The error display of the headless commands: one line on stderr per report.
#pragma once

namespace hmz {

void konsolenFehlerAnzeigeRegistrieren();

}  // namespace hmz
