// The type library under the neutral locale as well.
//
// The library describes itself as English (LCID 0x409), so RegisterTypeLib
// files its path under TypeLib\{libid}\1.0\409\<platform> only. The platform's
// type-library marshaler, which carries every call of a single-threaded client
// (the SAP front end, script hosts) to this free-threaded object, asks for the
// library under the neutral locale (LCID 0) and does not find it there: every
// call from such a client then fails with TYPE_E_LIBNOTREGISTERED. Registration
// therefore also files the path under TypeLib\{libid}\1.0\0\<platform> and
// removes that entry again before the library is unregistered.
//
// <platform> follows the library's syskind (win32 for the 32-bit DLL, win64 for
// the 64-bit one). The TypeLib keys are shared by both registry views, so the
// DLL of the other bitness may own a sibling entry under 0: the 0 key goes only
// when it is empty.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// Files path under the neutral locale beside the library's own locale. Does
// nothing for a library that is neutral already or whose platform has no key.
HRESULT RegisterNeutralLocaleAlias(const TLIBATTR& attributes, const std::wstring& path);

// Removes that entry, and the 0 key when nothing else is left in it; a missing
// one is no error.
HRESULT RemoveNeutralLocaleAlias(const TLIBATTR& attributes);

// Whether the library's own locale holds an entry for its platform, where
// RegisterTypeLib files it.
bool TypeLibraryRegistered(const TLIBATTR& attributes);

// After unregistration: removes the version key when no locale entry is left
// in it (with the FLAGS and HELPDIR keys RegisterTypeLib writes beside them),
// then the library key when it is empty.
void PruneEmptyTypeLibKeys(const TLIBATTR& attributes);
