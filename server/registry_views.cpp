#include "server/registry_views.h"

#include <algorithm>

#include "VeltaraDeskZevEvov.h"
#include "base/win/guid_text.h"
#include "base/win/unique_reg_key.h"
#include "registrar/win/per_user_registration.h"
#include "server/module_path.h"

namespace {

constexpr wchar_t kClassesPrefix[] = L"Software\\Classes\\";
constexpr wchar_t kServerSubkey[] = L"\\InprocServer32";

#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
bool HasOtherView() { return true; }
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
// Without WOW64 the view flag is ignored and would open our own view.
bool HasOtherView() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
#endif

}  // namespace

ClassesLocation CurrentClassesLocation() {
  // HKEY_CLASSES_ROOT would merge the user's classes into the machine's, and
  // write into the user's where a key exists there: each scope is named.
  return {registrar::PerUserRegistration() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, kClassesPrefix};
}

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_Dorvex_ZevEvover); }

bool ClassRegisteredInOtherView(HMODULE module) {
  if (!HasOtherView()) return false;
  const ClassesLocation classes = CurrentClassesLocation();
  const std::wstring key = classes.prefix + ClassKey() + kServerSubkey;
  UniqueRegKey opened;
  if (RegOpenKeyExW(classes.root, key.c_str(), 0, KEY_READ | kOtherView, opened.put()) != ERROR_SUCCESS) return false;
  wchar_t server[kModulePathCapacity];
  DWORD bytes = sizeof server;
  DWORD type = REG_NONE;
  if (RegQueryValueExW(opened.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(server), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    // A class key without a readable server path is still someone's class.
    return true;
  }
  // The stored text need not end in a terminator.
  server[std::min<DWORD>(bytes / sizeof(wchar_t), kModulePathCapacity - 1)] = L'\0';
  // A view the platform does not split (Wine keeps one per-user CLSID key for
  // both) shows our own class here: that is not the other bitness.
  wchar_t own[kModulePathCapacity];
  if (FAILED(ReadModulePath(module, own))) return true;
  return lstrcmpiW(server, own) != 0;
}
