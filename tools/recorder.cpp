// Stands in for a document viewer: appends its own command line, exactly as it
// received it, as one UTF-8 line to the file named by RECORDER_OUTPUT (or
// recorder.out beside the program), then exits.
#include <windows.h>

#include <string>

#include "base/win/unique_handle.h"

namespace {

constexpr DWORD kPathCapacity = 32768;

std::wstring OutputPath() {
  std::wstring path(kPathCapacity, L'\0');
  DWORD n = GetEnvironmentVariableW(L"RECORDER_OUTPUT", path.data(), kPathCapacity);
  if (n > 0 && n < kPathCapacity) {
    path.resize(n);
    return path;
  }
  n = GetModuleFileNameW(nullptr, path.data(), kPathCapacity);
  path.resize(n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"recorder.out";
}

}  // namespace

int wmain() {
  const std::wstring commandLine = GetCommandLineW();
  int size = WideCharToMultiByte(CP_UTF8, 0, commandLine.data(), static_cast<int>(commandLine.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string line(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, commandLine.data(), static_cast<int>(commandLine.size()), line.data(), size, nullptr,
                      nullptr);
  line += '\n';

  const UniqueHandle file(CreateFileW(OutputPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return ok && written == line.size() ? 0 : 1;
}
