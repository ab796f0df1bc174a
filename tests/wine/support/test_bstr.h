// BSTRs in tests: a fresh one made from text (embedded NULs kept), and the
// text of one, null shown as "<null>" so that it differs from an empty string.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "base/win/unique_bstr.h"

inline UniqueBstr NewBstr(const std::wstring& text) {
  return UniqueBstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
}

inline std::wstring BstrText(BSTR value) { return value ? std::wstring(value, SysStringLen(value)) : L"<null>"; }
