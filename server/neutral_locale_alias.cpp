#include "server/neutral_locale_alias.h"

#include <cwchar>
#include <initializer_list>

#include "base/win/guid_text.h"
#include "base/win/unique_reg_key.h"
#include "server/registry_views.h"

namespace {

constexpr wchar_t kNeutralLocale[] = L"0";
constexpr size_t kVersionTextChars = 16;
// A locale id in hexadecimal, as RegisterTypeLib names its key.
constexpr size_t kLocaleTextChars = 16;
constexpr wchar_t kFlagsKey[] = L"FLAGS";
constexpr wchar_t kHelpDirKey[] = L"HELPDIR";
// The longest key name the registry allows, and its terminator.
constexpr DWORD kSubkeyNameChars = 256;

// Where the registration files the library. Machine-wide, RegisterTypeLib
// itself writes through HKEY_CLASSES_ROOT: into the user's classes where they
// hold the library's keys already, as the platform decides.
HKEY ClassesRoot() { return CurrentClassesLocation().root; }

std::wstring LibraryKey(const TLIBATTR& attributes) {
  return std::wstring(CurrentClassesLocation().prefix) + L"TypeLib\\" + GuidText(attributes.guid);
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

// The platform subkey RegisterTypeLib uses for syskind; null for one it has none for.
const wchar_t* PlatformKeyName(SYSKIND syskind) {
  switch (syskind) {
    case SYS_WIN16:
      return L"win16";
    case SYS_WIN32:
      return L"win32";
    case SYS_WIN64:
      return L"win64";
    default:
      return nullptr;
  }
}

bool NeedsAlias(const TLIBATTR& attributes) {
  return attributes.lcid != 0 && PlatformKeyName(attributes.syskind) != nullptr;
}

// Whether key holds no subkey but those named in keep.
bool HoldsOnlySubkeys(HKEY root, const std::wstring& key, std::initializer_list<const wchar_t*> keep) {
  UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return false;
  wchar_t name[kSubkeyNameChars];
  for (DWORD index = 0;; ++index) {
    DWORD nameChars = kSubkeyNameChars;
    const LONG error = RegEnumKeyExW(opened.get(), index, name, &nameChars, nullptr, nullptr, nullptr, nullptr);
    if (error == ERROR_NO_MORE_ITEMS) return true;
    if (error != ERROR_SUCCESS) return false;
    bool kept = false;
    for (const wchar_t* k : keep) kept = kept || _wcsicmp(name, k) == 0;
    if (!kept) return false;
  }
}

}  // namespace

HRESULT RegisterNeutralLocaleAlias(const TLIBATTR& attributes, const std::wstring& path) {
  if (!NeedsAlias(attributes)) return S_OK;
  const std::wstring key =
      VersionKey(attributes) + L"\\" + kNeutralLocale + L"\\" + PlatformKeyName(attributes.syskind);
  const LONG error = RegSetKeyValueW(ClassesRoot(), key.c_str(), nullptr, REG_SZ, path.c_str(),
                                     static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(error);
}

HRESULT RemoveNeutralLocaleAlias(const TLIBATTR& attributes) {
  if (!NeedsAlias(attributes)) return S_OK;
  const std::wstring locale = VersionKey(attributes) + L"\\" + kNeutralLocale;
  LONG error = RegDeleteKeyW(ClassesRoot(), (locale + L"\\" + PlatformKeyName(attributes.syskind)).c_str());
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(error);
  // The other bitness's entry keeps the locale key alive.
  if (!IsEmptyKey(ClassesRoot(), locale)) return S_OK;
  error = RegDeleteKeyW(ClassesRoot(), locale.c_str());
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(error);
  return S_OK;
}

bool TypeLibraryRegistered(const TLIBATTR& attributes) {
  const wchar_t* platform = PlatformKeyName(attributes.syskind);
  if (platform == nullptr) return false;
  wchar_t locale[kLocaleTextChars];
  swprintf(locale, kLocaleTextChars, L"%lx", static_cast<unsigned long>(attributes.lcid));
  const std::wstring key = VersionKey(attributes) + L"\\" + locale + L"\\" + platform;
  UniqueRegKey opened;
  return RegOpenKeyExW(ClassesRoot(), key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

void PruneEmptyTypeLibKeys(const TLIBATTR& attributes) {
  // A version key without any locale entry (the library was unregistered by
  // another route while the neutral alias kept the key alive) still holds
  // what RegisterTypeLib writes beside the entries: its name, FLAGS, HELPDIR.
  const std::wstring version = VersionKey(attributes);
  if (HoldsOnlySubkeys(ClassesRoot(), version, {kFlagsKey, kHelpDirKey})) {
    for (const wchar_t* subkey : {kFlagsKey, kHelpDirKey}) {
      RegDeleteKeyW(ClassesRoot(), (version + L"\\" + subkey).c_str());
    }
    RegDeleteKeyW(ClassesRoot(), version.c_str());
  }
  const std::wstring library = LibraryKey(attributes);
  if (IsEmptyKey(ClassesRoot(), library)) RegDeleteKeyW(ClassesRoot(), library.c_str());
}
