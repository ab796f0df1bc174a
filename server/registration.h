// Registration of the server, machine-wide or per user: the application id
// script, each class's script and the embedded type library, and their
// removal in the reverse order.
#pragma once

#include <windows.h>

// The entry points' work: register (scripts, then the type library),
// unregister (class script, type library, application id script last).
HRESULT RegisterServerWithScripts(HMODULE module);
HRESULT UnregisterServerWithScripts(HMODULE module);
