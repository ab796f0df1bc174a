// A GUID in the braced registry form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}":
// the one way product code turns an identifier into key text.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

// "{" 36 characters "}" and the terminator.
inline constexpr int kGuidTextCapacity = 39;

inline std::wstring GuidText(REFGUID guid) {
  wchar_t text[kGuidTextCapacity];
  const int length = StringFromGUID2(guid, text, kGuidTextCapacity);
  return length > 0 ? std::wstring(text, length - 1) : std::wstring();
}
