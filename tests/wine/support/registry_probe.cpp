#include "registry_probe.h"

#include "base/win/unique_reg_key.h"

bool KeyExists(HKEY root, const std::wstring& key) {
  UniqueRegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  UniqueRegKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.put()) != ERROR_SUCCESS) return std::nullopt;
  RegistryValue value;
  DWORD size = 0;
  LONG error = RegQueryValueExW(opened.get(), name, nullptr, &value.type, nullptr, &size);
  if (error == ERROR_SUCCESS) {
    value.bytes.resize(size);
    error = RegQueryValueExW(opened.get(), name, nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
  }
  if (error != ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name) {
  std::optional<RegistryValue> value = ReadValue(root, key, name);
  if (!value || value->type != REG_SZ) return std::nullopt;
  std::wstring text(reinterpret_cast<const wchar_t*>(value->bytes.data()), value->bytes.size() / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::vector<BYTE> StringBytes(const std::wstring& text) {
  const BYTE* begin = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}
