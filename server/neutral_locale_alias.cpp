#include "server/neutral_locale_alias.h"

#include <cwchar>

#include "base/win/unique_reg_key.h"
#include "registrar/win/per_user_registration.h"

namespace {

constexpr wchar_t kNeutralLocale[] = L"0";
constexpr wchar_t kWin32Platform[] = L"win32";
constexpr int kGuidTextChars = 39;
constexpr size_t kVersionTextChars = 16;

// Where RegisterTypeLib (or its per-user variant) files libraries.
HKEY ClassesRoot() { return registrar::PerUserRegistration() ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT; }

std::wstring LibraryKey(const TLIBATTR& attributes) {
  wchar_t guid[kGuidTextChars];
  StringFromGUID2(attributes.guid, guid, kGuidTextChars);
  const std::wstring prefix = registrar::PerUserRegistration() ? L"Software\\Classes\\TypeLib\\" : L"TypeLib\\";
  return prefix + guid;
}

std::wstring VersionKey(const TLIBATTR& attributes) {
  wchar_t version[kVersionTextChars];
  swprintf(version, kVersionTextChars, L"%x.%x", attributes.wMajorVerNum, attributes.wMinorVerNum);
  return LibraryKey(attributes) + L"\\" + version;
}

bool IsEmptyKey(HKEY root, const std::wstring& key) {
  UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return false;
  DWORD subkeys = 0, values = 0;
  const LONG error = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                      nullptr, nullptr, nullptr, nullptr);
  return error == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

bool IsNeutral(const TLIBATTR& attributes) { return attributes.lcid == 0 || attributes.syskind != SYS_WIN32; }

}  // namespace

HRESULT RegisterNeutralLocaleAlias(const TLIBATTR& attributes, const std::wstring& path) {
  if (IsNeutral(attributes)) return S_OK;
  const std::wstring key = VersionKey(attributes) + L"\\" + kNeutralLocale + L"\\" + kWin32Platform;
  const LONG error = RegSetKeyValueW(ClassesRoot(), key.c_str(), nullptr, REG_SZ, path.c_str(),
                                     static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(error);
}

HRESULT RemoveNeutralLocaleAlias(const TLIBATTR& attributes) {
  if (IsNeutral(attributes)) return S_OK;
  const std::wstring locale = VersionKey(attributes) + L"\\" + kNeutralLocale;
  LONG error = RegDeleteKeyW(ClassesRoot(), (locale + L"\\" + kWin32Platform).c_str());
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(error);
  error = RegDeleteKeyW(ClassesRoot(), locale.c_str());
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(error);
  return S_OK;
}

void PruneEmptyTypeLibKeys(const TLIBATTR& attributes) {
  for (const std::wstring& key : {VersionKey(attributes), LibraryKey(attributes)}) {
    if (IsEmptyKey(ClassesRoot(), key)) RegDeleteKeyW(ClassesRoot(), key.c_str());
  }
}
