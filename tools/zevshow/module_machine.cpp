#include "tools/zevshow/module_machine.h"

#include <cstring>

#include "base/win/unique_handle.h"

namespace {

// The PE headers start within the file's first page in every linker's output;
// the DOS header's pointer is checked against this before it is followed.
constexpr DWORD kHeaderBytes = 4096;
constexpr DWORD kPeSignature = 0x00004550;  // "PE\0\0"

}  // namespace

std::optional<WORD> ModuleMachine(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  unsigned char header[kHeaderBytes];
  DWORD read = 0;
  if (!ReadFile(file.get(), header, kHeaderBytes, &read, nullptr)) return std::nullopt;

  IMAGE_DOS_HEADER dos;
  if (read < sizeof dos) return std::nullopt;
  std::memcpy(&dos, header, sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return std::nullopt;
  const size_t at = static_cast<size_t>(dos.e_lfanew);
  if (at + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) > read) return std::nullopt;
  DWORD signature = 0;
  std::memcpy(&signature, header + at, sizeof signature);
  if (signature != kPeSignature) return std::nullopt;
  IMAGE_FILE_HEADER fileHeader;
  std::memcpy(&fileHeader, header + at + sizeof signature, sizeof fileHeader);
  return fileHeader.Machine;
}

std::wstring MachineName(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return L"32-bit";
    case IMAGE_FILE_MACHINE_AMD64: return L"64-bit";
    default: return L"machine " + std::to_wstring(machine);
  }
}
