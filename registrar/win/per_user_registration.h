// The process-wide switch to per-user registration: off when the library
// loads, turned on by DllInstall with the command line "user", never turned
// off again. Script expansion and type library registration read it.
#pragma once

namespace registrar {

bool PerUserRegistration();
void EnablePerUserRegistration();

}  // namespace registrar
