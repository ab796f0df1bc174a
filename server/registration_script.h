// Runs one REGISTRY script resource of the library through a registrar of its
// own, with the replacements it defines for every run.
#pragma once

#include <windows.h>

// One replacement for a script run; a list of them ends with a null name.
struct ReplacementPair {
  const wchar_t* name;
  const wchar_t* text;
};

// Runs script resourceId of module, writing (true) or removing (false) what it
// describes, with the caller's pairs (may be null) and then the replacements
// every run gets: APPID, Module and Module_Raw.
HRESULT RunRegistrationScript(HMODULE module, UINT resourceId, bool doRegister, const ReplacementPair* pairs);
