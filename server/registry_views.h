// The two registry views of 64-bit Windows, as the registration sees them.
//
// A 32-bit and a 64-bit front end each load the DLL of their own bitness, so
// both DLLs may be registered side by side: each class in its own view (the
// CLSID key is redirected), while the ProgIDs, the AppID keys and the TypeLib
// keys are one copy that both views share. Unregistering one bitness must
// leave that copy to the other while the other's class is still registered.
#pragma once

#include <windows.h>

#include <string>

// Where the registration scripts write HKCR: below HKEY_CURRENT_USER for a
// per-user registration, else below HKEY_LOCAL_MACHINE (Software\Classes in
// both); keys below root start with prefix. Open each path in one call: a
// 32-bit process walking Software, then Classes, would reach Wow6432Node.
struct ClassesLocation {
  HKEY root;
  const wchar_t* prefix;
};
ClassesLocation CurrentClassesLocation();

// The viewer class's key below the classes root: CLSID\{class id}.
std::wstring ClassKey();

// Whether the class is registered by the DLL of the other bitness in the same
// scope (machine-wide or per user): the other view's class names a server
// file other than module. Always false where there is no other view (32-bit
// Windows).
bool ClassRegisteredInOtherView(HMODULE module);
