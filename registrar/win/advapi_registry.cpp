#include "registrar/win/advapi_registry.h"

#include <windows.h>

#include <atomic>

#include "base/win/wide_text.h"

namespace registrar {

namespace {

HKEY AsHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey AsRegKey(HKEY key) { return reinterpret_cast<RegKey>(key); }

// Reads of a value that keeps growing under our feet give up after this many.
constexpr int kValueReadAttempts = 4;

using RegDeleteKeyExWFunction = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// RegDeleteKeyExW is looked up once per process in the already loaded
// advapi32; two threads racing on the first lookup store the same value.
RegDeleteKeyExWFunction DeleteKeyExFunction() {
  static std::atomic<bool> lookedUp{false};
  static std::atomic<RegDeleteKeyExWFunction> function{nullptr};
  if (!lookedUp.load(std::memory_order_acquire)) {
    if (HMODULE advapi = GetModuleHandleW(L"Advapi32.dll")) {
      function.store(reinterpret_cast<RegDeleteKeyExWFunction>(
                         reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteKeyExW"))),
                     std::memory_order_relaxed);
    }
    lookedUp.store(true, std::memory_order_release);
  }
  return function.load(std::memory_order_relaxed);
}

}  // namespace

RegError AdvapiRegistry::OpenKey(RegKey parent, const char16_t* subkey, RegAccess access, RegKey* key) {
  HKEY opened = nullptr;
  LONG error = RegOpenKeyExW(AsHkey(parent), AsWide(subkey), 0, access, &opened);
  if (error == ERROR_SUCCESS) *key = AsRegKey(opened);
  return static_cast<RegError>(error);
}

RegError AdvapiRegistry::CreateKey(RegKey parent, const char16_t* subkey, RegAccess access, RegKey* key,
                                   bool* created) {
  HKEY opened = nullptr;
  DWORD disposition = 0;
  LONG error = RegCreateKeyExW(AsHkey(parent), AsWide(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                               &opened, &disposition);
  if (error == ERROR_SUCCESS) {
    *key = AsRegKey(opened);
    *created = disposition == REG_CREATED_NEW_KEY;
  }
  return static_cast<RegError>(error);
}

RegError AdvapiRegistry::SetValue(RegKey key, const char16_t* name, RegValueType type, const std::uint8_t* data,
                                  std::uint32_t size) {
  return static_cast<RegError>(RegSetValueExW(AsHkey(key), AsWide(name), 0, type, data, size));
}

RegError AdvapiRegistry::QueryValue(RegKey key, const char16_t* name, RegValueType* type,
                                    std::vector<std::uint8_t>* data) {
  // Someone may enlarge the value between the size query and the read; then ask again.
  for (int attempt = 0; attempt < kValueReadAttempts; ++attempt) {
    DWORD size = 0;
    LONG error = RegQueryValueExW(AsHkey(key), AsWide(name), nullptr, nullptr, nullptr, &size);
    if (error != ERROR_SUCCESS) return static_cast<RegError>(error);
    data->resize(size);
    DWORD valueType = 0;
    error = RegQueryValueExW(AsHkey(key), AsWide(name), nullptr, &valueType, data->data(), &size);
    if (error == ERROR_MORE_DATA) continue;
    if (error == ERROR_SUCCESS) {
      data->resize(size);
      *type = valueType;
    }
    return static_cast<RegError>(error);
  }
  return ERROR_MORE_DATA;
}

RegError AdvapiRegistry::DeleteValue(RegKey key, const char16_t* name) {
  return static_cast<RegError>(RegDeleteValueW(AsHkey(key), AsWide(name)));
}

RegError AdvapiRegistry::EnumSubkey(RegKey key, std::uint32_t index, SubkeyNameBuffer& name) {
  DWORD length = static_cast<DWORD>(name.size());
  return static_cast<RegError>(
      RegEnumKeyExW(AsHkey(key), index, AsWide(name.data()), &length, nullptr, nullptr, nullptr, nullptr));
}

RegError AdvapiRegistry::QuerySubkeyCount(RegKey key, std::uint32_t* count) {
  DWORD subkeys = 0;
  LONG error = RegQueryInfoKeyW(AsHkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
  if (error == ERROR_SUCCESS) *count = subkeys;
  return static_cast<RegError>(error);
}

RegError AdvapiRegistry::DeleteKey(RegKey parent, const char16_t* subkey, RegAccess viewBits) {
  if (RegDeleteKeyExWFunction deleteKeyEx = DeleteKeyExFunction()) {
    return static_cast<RegError>(deleteKeyEx(AsHkey(parent), AsWide(subkey), viewBits, 0));
  }
  return static_cast<RegError>(RegDeleteKeyW(AsHkey(parent), AsWide(subkey)));
}

RegError AdvapiRegistry::CloseKey(RegKey key) { return static_cast<RegError>(RegCloseKey(AsHkey(key))); }

}  // namespace registrar
