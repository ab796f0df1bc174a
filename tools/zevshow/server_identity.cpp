#include "tools/zevshow/server_identity.h"

#include <objbase.h>

namespace server_identity {

namespace {

// "{" 36 characters "}" and the terminator.
constexpr int kGuidTextCapacity = 39;

}  // namespace

std::wstring GuidText(REFGUID guid) {
  wchar_t text[kGuidTextCapacity];
  const int length = StringFromGUID2(guid, text, kGuidTextCapacity);
  return length > 0 ? std::wstring(text, length - 1) : std::wstring();
}

bool NamesGuid(const std::wstring& text, REFGUID guid) {
  // IIDFromString takes the braced form only (CLSIDFromString would also look
  // the text up as a ProgID).
  IID parsed;
  return IIDFromString(text.c_str(), &parsed) == S_OK && IsEqualGUID(parsed, guid);
}

bool OnSixtyFourBitWindows() {
#ifdef _WIN64
  return true;
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace server_identity
