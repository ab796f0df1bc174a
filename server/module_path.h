// The library's own file path as registration uses it: the buffer it is read
// into, the reading, and the escaping that puts it into a script's quotes.
#pragma once

#include <windows.h>

#include <string>

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
