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

}  // namespace testing_paths
