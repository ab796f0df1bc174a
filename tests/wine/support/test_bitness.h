// What differs between the 32-bit and the 64-bit test programs: each one tests
// the DLL of its own bitness, registered in its own registry view.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace test_bitness {

#ifdef _WIN64
inline constexpr wchar_t kDllFileName[] = L"Veltara.Desk.ZevEvov.x64.dll";
inline constexpr wchar_t kFileDescription[] = L"Veltara.Desk.ZevEvov (64-bit)";
inline constexpr SYSKIND kSysKind = SYS_WIN64;
// The platform subkey RegisterTypeLib files the library under.
inline constexpr wchar_t kPlatformKey[] = L"win64";
// The DLL of the other bitness, registered side by side.
inline constexpr wchar_t kOtherDllFileName[] = L"Veltara.Desk.ZevEvov.x32.dll";
inline constexpr wchar_t kOtherPlatformKey[] = L"win32";
inline constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
inline constexpr wchar_t kDllFileName[] = L"Veltara.Desk.ZevEvov.x32.dll";
inline constexpr wchar_t kFileDescription[] = L"Veltara.Desk.ZevEvov (32-bit)";
inline constexpr SYSKIND kSysKind = SYS_WIN32;
inline constexpr wchar_t kPlatformKey[] = L"win32";
inline constexpr wchar_t kOtherDllFileName[] = L"Veltara.Desk.ZevEvov.x64.dll";
inline constexpr wchar_t kOtherPlatformKey[] = L"win64";
inline constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// Whether this process has a second registry view: a 64-bit one always, a
// 32-bit one only under WOW64 (in a win64 prefix, not in a win32 one).
inline bool HasOtherView() {
  BOOL wow64 = FALSE;
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

}  // namespace test_bitness
