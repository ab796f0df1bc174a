// What a file's version resource says of it.
#pragma once

#include <optional>
#include <string>

struct VersionFacts {
  std::wstring fileVersion;  // from the fixed part, "1.0.0.0"
  std::wstring description;  // FileDescription
  std::wstring productName;  // ProductName
};

// Nothing when the file has no version resource.
std::optional<VersionFacts> ReadVersionFacts(const std::wstring& path);
