// The related modules this library brings along, registered under the
// component names a host uses, unless the host registered its own.
#pragma once

namespace hmz {

void eingebauteModuleRegistrieren();

}  // namespace hmz
