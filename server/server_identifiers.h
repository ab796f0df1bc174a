// The server's names that the interface description does not generate (its
// CLSID, IID and LIBID come from widl: VeltaraDeskZevEvov.h), as the
// registration scripts write them. Product code takes them from here only.
#pragma once

// The application id, and the AppID key named after the library file.
inline constexpr wchar_t kAppIdText[] = L"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";
inline constexpr wchar_t kAppIdFileName[] = L"Vexdor.ZevEvov.DLL";

// The viewer class's ProgID without a version, and what the current one adds.
inline constexpr wchar_t kVersionIndependentProgId[] = L"DorvexZevEvov.Dorvex_ZevEvover";
inline constexpr wchar_t kProgIdVersionSuffix[] = L".1";
