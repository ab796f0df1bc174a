#include "tools/zevshow/classes_registry_view.h"

#include <vector>

#include "base/win/unique_reg_key.h"

namespace {

// Room for expanding environment references in a registered path.
constexpr DWORD kExpandedCapacity = 32768;

std::wstring Expand(const std::wstring& text) {
  std::vector<wchar_t> expanded(kExpandedCapacity);
  const DWORD units = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), kExpandedCapacity);
  if (units == 0 || units > kExpandedCapacity) return text;
  return std::wstring(expanded.data(), units - 1);
}

}  // namespace

bool ClassesRegistryView::KeyExists(const std::wstring& key) const {
  UniqueRegKey opened;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view_, opened.put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> ClassesRegistryView::ReadText(const std::wstring& key, const wchar_t* name) const {
  UniqueRegKey opened;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view_, opened.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD bytes = 0;
  LONG error = RegQueryValueExW(opened.get(), name, nullptr, &type, nullptr, &bytes);
  std::vector<BYTE> data;
  // The value can grow between the two calls; ask again until it fits.
  while (error == ERROR_SUCCESS || error == ERROR_MORE_DATA) {
    data.resize(bytes);
    DWORD size = bytes;
    error = RegQueryValueExW(opened.get(), name, nullptr, &type, data.data(), &size);
    if (error == ERROR_SUCCESS) {
      data.resize(size);
      break;
    }
    bytes = size;  // ERROR_MORE_DATA: the size it needs now
  }
  if (error != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  // Stored text need not end in a terminator, nor have an even byte count.
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return type == REG_EXPAND_SZ ? Expand(text) : text;
}
