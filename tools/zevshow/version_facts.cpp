#include "tools/zevshow/version_facts.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace {

// "\StringFileInfo\" + 8 hex digits + "\" + the longest name asked for.
constexpr size_t kQueryCapacity = 64;

struct Translation {
  WORD language;
  WORD codePage;
};

std::wstring StringValue(const std::vector<BYTE>& block, const Translation& translation, const wchar_t* name) {
  wchar_t query[kQueryCapacity];
  const int length = std::swprintf(query, kQueryCapacity, L"\\StringFileInfo\\%04x%04x\\%ls", translation.language,
                                   translation.codePage, name);
  if (length < 0) return {};
  void* value = nullptr;
  UINT units = 0;
  if (!VerQueryValueW(block.data(), query, &value, &units) || units == 0) return {};
  std::wstring text(static_cast<const wchar_t*>(value), units);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

}  // namespace

std::optional<VersionFacts> ReadVersionFacts(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;

  VersionFacts facts;
  void* value = nullptr;
  UINT bytes = 0;
  if (VerQueryValueW(block.data(), L"\\", &value, &bytes) && bytes >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    facts.fileVersion = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                        std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                        std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                        std::to_wstring(LOWORD(fixed->dwFileVersionLS));
  }
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &bytes) && bytes >= sizeof(Translation)) {
    const Translation translation = *static_cast<const Translation*>(value);
    facts.description = StringValue(block, translation, L"FileDescription");
    facts.productName = StringValue(block, translation, L"ProductName");
  }
  return facts;
}
