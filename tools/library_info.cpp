// Prints what a module file holds in its resources: every type, name and
// language, the version strings, string 100 and the REGISTRY scripts.
//   library_info PATH
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/win/unique_module.h"

namespace {

void PrintUtf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
}

std::wstring ResourceName(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return std::to_wstring(reinterpret_cast<ULONG_PTR>(name));
  return L"\"" + std::wstring(name) + L"\"";
}

std::wstring TypeName(LPCWSTR type) {
  if (!IS_INTRESOURCE(type)) return L"\"" + std::wstring(type) + L"\"";
  switch (reinterpret_cast<ULONG_PTR>(type)) {
    case 6: return L"RT_STRING";
    case 16: return L"RT_VERSION";
    case 24: return L"RT_MANIFEST";
    default: return ResourceName(type);
  }
}

BOOL CALLBACK OnLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR) {
  HRSRC found = FindResourceExW(module, type, name, language);
  wchar_t line[160];
  swprintf(line, 160, L"  %-12ls %-6ls language %4u  %6lu bytes\n", TypeName(type).c_str(), ResourceName(name).c_str(),
           language, found ? SizeofResource(module, found) : 0ul);
  PrintUtf8(line);
  return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
  EnumResourceLanguagesW(module, type, name, OnLanguage, 0);
  return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPWSTR type, LONG_PTR) {
  EnumResourceNamesW(module, type, OnName, 0);
  return TRUE;
}

// Walks the VS_VERSIONINFO block by hand: each node is length, value length,
// type, key, padding to 4 bytes, value, children.
void PrintVersionStrings(const BYTE* node, const BYTE* end, int depth) {
  while (node + 6 < end) {
    const WORD length = *reinterpret_cast<const WORD*>(node);
    const WORD valueLength = *reinterpret_cast<const WORD*>(node + 2);
    if (length == 0 || node + length > end) return;
    const wchar_t* key = reinterpret_cast<const wchar_t*>(node + 6);
    const size_t keyBytes = (wcslen(key) + 1) * sizeof(wchar_t);
    const BYTE* value = node + ((6 + keyBytes + 3) & ~size_t{3});
    const BYTE* children = value;
    if (depth == 3) {
      PrintUtf8(L"  " + std::wstring(key) + L": " + std::wstring(reinterpret_cast<const wchar_t*>(value)) + L"\n");
    } else {
      const size_t valueBytes = depth == 0 ? valueLength : valueLength * sizeof(wchar_t);
      children = value + ((valueBytes + 3) & ~size_t{3});
      if (depth == 0 || std::wstring(key) == L"StringFileInfo" || depth == 2) {
        PrintVersionStrings(children, node + length, depth + 1);
      }
    }
    node += (length + 3) & ~3;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    PrintUtf8(L"usage: library_info PATH\n");
    return 2;
  }
  const UniqueModule library(LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const HMODULE module = library.get();
  if (module == nullptr) {
    PrintUtf8(L"cannot load " + std::wstring(argv[1]) + L"\n");
    return 1;
  }
  PrintUtf8(L"Resources:\n");
  EnumResourceTypesW(module, OnType, 0);

  PrintUtf8(L"Version strings:\n");
  if (HRSRC version = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16))) {
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, version)));
    PrintVersionStrings(data, data + SizeofResource(module, version), 0);
  }

  wchar_t text[256] = {};
  LoadStringW(module, 100, text, 256);
  PrintUtf8(L"String 100: " + std::wstring(text) + L"\n");

  for (int id : {101, 106}) {
    HRSRC script = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (script == nullptr) continue;
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, script)));
    std::string body(bytes, SizeofResource(module, script));
    std::wstring wide(body.begin(), body.end());
    PrintUtf8(L"REGISTRY " + std::to_wstring(id) + L":\n" + wide);
  }
  return 0;
}
