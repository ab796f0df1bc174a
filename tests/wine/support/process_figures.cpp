#include "process_figures.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

size_t CommittedPrivateBytes() {
  size_t committed = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
  }
  return committed;
}

size_t OpenHandleCount() {
  using QueryFunction = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  // The list grows while it is read; each answer that does not fit says how
  // much it needs.
  constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
  constexpr ULONG kFirstGuess = 1 << 16;
  std::vector<BYTE> buffer(kFirstGuess);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = query(static_cast<SYSTEM_INFORMATION_CLASS>(SystemHandleInformation), buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch) {
      buffer.resize(needed > buffer.size() ? needed + kFirstGuess : buffer.size() * 2);
      continue;
    }
    if (status < 0) return 0;
    break;
  }
  const auto* list = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
  const ULONG self = GetCurrentProcessId();
  size_t count = 0;
  for (ULONG i = 0; i < list->Count; ++i) {
    if (list->Handle[i].OwnerPid == self) ++count;
  }
  return count;
}
