// Registry exports taken with the system's reg.exe, for comparing a whole
// part of the registry before and after.
#pragma once

#include <string>

// `reg export KEY FILE /y OPTIONS` (OPTIONS such as /reg:32) into a temporary
// file; the exported text, or empty when reg failed.
std::wstring ExportRegistryKey(const std::wstring& key, const std::wstring& options);

// HKLM\Software in both registry views and HKCU\Software, leaving out the
// NetworkCards key, which Wine writes on its own some time after a prefix is
// made.
std::wstring ExportSoftware();

// The first line where two exports differ, with its neighbours, for a failure
// message; empty when they are equal.
std::string FirstDifference(const std::wstring& before, const std::wstring& after);
