// Registration of the server: the two script resources with their
// replacements, and the embedded type library, machine-wide or per user.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// One replacement for a script run; a list of them ends with a null name.
struct ReplacementPair {
  const wchar_t* name;
  const wchar_t* text;
};

// Path buffers hold MAX_PATH characters; a path that fills one is cut off.
inline constexpr DWORD kModulePathCapacity = MAX_PATH;
// The module path with its apostrophes doubled, without the terminator.
inline constexpr size_t kEscapedPathMaxChars = 519;

// Doubles every apostrophe of path, stopping after kEscapedPathMaxChars output
// characters (a doubled apostrophe whose second half would pass the bound is cut).
std::wstring EscapeModulePath(const wchar_t* path);

// The full path of module; E_... from GetModuleFileNameW, or
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when it fills the buffer.
HRESULT ReadModulePath(HMODULE module, wchar_t (&path)[kModulePathCapacity]);

// Runs one REGISTRY script resource of module with the caller's pairs (may be
// null) and the replacements every run gets: APPID, Module and Module_Raw.
HRESULT RunRegistrationScript(HMODULE module, UINT resourceId, bool doRegister, const ReplacementPair* pairs);

// Loads module's own type library, or the ".tlb" companion beside it, and
// tells the path that loaded. May throw std::bad_alloc.
HRESULT LoadModuleTypeLibrary(HMODULE module, ITypeLib** library, std::wstring* path);

// The entry points' work: register (scripts, then the type library),
// unregister (class script, type library, application id script last).
HRESULT RegisterServerWithScripts(HMODULE module);
HRESULT UnregisterServerWithScripts(HMODULE module);
