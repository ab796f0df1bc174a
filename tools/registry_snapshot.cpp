// Writes registry branches to one UTF-8 file, in this process's registry view,
// as the registry server saves them: a "[ROOT\path]" line a key, then its
// values. The install test compares such snapshots; reg export asks the server
// for every key and value in turn and takes minutes a branch in the emulated
// x86 guest, where this takes a second.
//   registry_snapshot FILE KEY...      (KEY: HKLM\... or HKCU\...)
// Exit codes: 0 written; 1 a branch could not be saved or the file written;
// 2 bad arguments.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/win/unique_handle.h"
#include "registry_export.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: registry_snapshot FILE KEY...\n", stderr);
    return 2;
  }
  std::wstring all;
  for (int i = 2; i < argc; ++i) {
    const std::wstring branch = ExportRegistryKey(argv[i], L"");
    if (branch.empty()) {
      std::fprintf(stderr, "registry_snapshot: cannot save %ls (error %lu)\n", argv[i], GetLastError());
      return 1;
    }
    all += branch;
  }
  const std::string bytes = InUtf8(all);
  UniqueHandle file(CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file.get() == INVALID_HANDLE_VALUE ||
      !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    std::fprintf(stderr, "registry_snapshot: cannot write %ls (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  return 0;
}
