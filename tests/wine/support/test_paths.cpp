#include "test_paths.h"

#include <windows.h>

#include "test_bitness.h"

namespace testing_paths {

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

std::wstring DllPath() { return ProgramDirectory() + test_bitness::kDllFileName; }

std::wstring ToolPath(const wchar_t* name) { return ProgramDirectory() + name + L".exe"; }

std::wstring X32BuildDirectory() {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"ZEVEVOV_X32_BIN", folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"";
  return std::wstring(folder, n) + L"\\";
}

bool Runs32BitPrograms() { return GetEnvironmentVariableW(L"ZEVEVOV_RUNS_32BIT", nullptr, 0) != 0; }

}  // namespace testing_paths
