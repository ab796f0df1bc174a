// Reads class registrations (below HKEY_CLASSES_ROOT) in one registry view:
// this process's own, or with KEY_WOW64_32KEY / KEY_WOW64_64KEY the view that
// programs of the other bitness see on 64-bit Windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class ClassesRegistryView {
 public:
  // view: 0 for this process's own view, else one KEY_WOW64_* flag.
  explicit ClassesRegistryView(REGSAM view) : view_(view) {}

  bool KeyExists(const std::wstring& key) const;

  // A text value (a null name: the key's default value). REG_EXPAND_SZ comes
  // back expanded. Nothing when the key or the value is missing, or the value
  // is not text.
  std::optional<std::wstring> ReadText(const std::wstring& key, const wchar_t* name = nullptr) const;

 private:
  REGSAM view_;
};
