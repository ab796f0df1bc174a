// Reading the registry back in tests.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

bool KeyExists(HKEY root, const std::wstring& key);

struct RegistryValue {
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

// The value's type and bytes exactly as RegQueryValueExW gives them; a null
// name is the key's default value.
std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name);

// A REG_SZ value as text (without its terminator).
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const wchar_t* name);

// The bytes a REG_SZ value of text holds, terminator included.
std::vector<BYTE> StringBytes(const std::wstring& text);
