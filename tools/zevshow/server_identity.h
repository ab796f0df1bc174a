// What zevshow knows of the server it drives and checks: the names its
// registration writes, and the DLL, registry view and type library platform
// that match this program's own bitness. The class, interface and library ids
// come from the interface description (VeltaraDeskZevEvov.h).
#pragma once

#include <windows.h>

#include <string>

namespace server_identity {

inline constexpr wchar_t kProgId[] = L"DorvexZevEvov.Dorvex_ZevEvover";
inline constexpr wchar_t kVersionedProgId[] = L"DorvexZevEvov.Dorvex_ZevEvover.1";
inline constexpr wchar_t kThreadingModel[] = L"Free";
inline constexpr wchar_t kProductName[] = L"Veltara.Desk";
inline constexpr wchar_t kTypeLibraryVersion[] = L"1.0";
// The automation run-time's marshaler, which builds proxies from the type
// library: single-threaded clients reach the free-threaded viewer through it.
inline constexpr wchar_t kTypeLibraryMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
inline constexpr wchar_t kPackage32[] = L"Veltara.Desk.ZevEvov.x86.msi";
inline constexpr wchar_t kPackage64[] = L"Veltara.Desk.ZevEvov.x64.msi";

#ifdef _WIN64
inline constexpr int kBits = 64;
inline constexpr int kOtherBits = 32;
inline constexpr wchar_t kDllName[] = L"Veltara.Desk.ZevEvov.x64.dll";
inline constexpr wchar_t kTypeLibraryPlatform[] = L"win64";
inline constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
inline constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
inline constexpr int kBits = 32;
inline constexpr int kOtherBits = 64;
inline constexpr wchar_t kDllName[] = L"Veltara.Desk.ZevEvov.x32.dll";
inline constexpr wchar_t kTypeLibraryPlatform[] = L"win32";
inline constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
inline constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// A GUID as the registry writes it: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::wstring GuidText(REFGUID guid);

// True when text names guid in the registry's form, in any letter case.
bool NamesGuid(const std::wstring& text, REFGUID guid);

// True for this program on 64-bit Windows: a 64-bit build, or a 32-bit build
// under WOW64. Only then is there a registry view of the other bitness.
bool OnSixtyFourBitWindows();

}  // namespace server_identity
