#include "server/module_path.h"

#include "base/win/last_error.h"

std::wstring EscapeModulePath(const wchar_t* path) {
  std::wstring escaped;
  escaped.reserve(kEscapedPathMaxChars);
  for (const wchar_t* p = path; *p != L'\0' && escaped.size() < kEscapedPathMaxChars; ++p) {
    escaped.push_back(*p);
    if (*p == L'\'' && escaped.size() < kEscapedPathMaxChars) escaped.push_back(L'\'');
  }
  return escaped;
}

HRESULT ReadModulePath(HMODULE module, wchar_t (&path)[kModulePathCapacity]) {
  const DWORD length = GetModuleFileNameW(module, path, kModulePathCapacity);
  if (length == 0) return LastErrorResult();
  if (length == kModulePathCapacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  return S_OK;
}
