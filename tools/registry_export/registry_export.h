// Registry snapshots, for comparing a whole part of the registry before and
// after. The registry server saves the branch itself (RegSaveKey): reg export
// asks it for every key and value in turn, which in the emulated x86 guest took
// 265 s for HKLM\Software where the save takes well under a second.
#pragma once

#include <string>

// KEY ("HKLM\..." or "HKCU\...") as it stands, in the view that OPTIONS names
// as reg does (/reg:32, /reg:64; none: this process's own), one "[ROOT\path]"
// line a key followed by its values; empty when it cannot be saved.
std::wstring ExportRegistryKey(const std::wstring& key, const std::wstring& options);

// HKLM\Software in both registry views and HKCU\Software, leaving out the
// NetworkCards key, which Wine writes on its own some time after a prefix is
// made.
std::wstring ExportSoftware();

// TEXT as UTF-8, for files and messages.
std::string InUtf8(const std::wstring& text);

// The first line where two exports differ, with its neighbours, for a failure
// message; empty when they are equal.
std::string FirstDifference(const std::wstring& before, const std::wstring& after);
