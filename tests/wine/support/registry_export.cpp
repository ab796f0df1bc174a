#include "registry_export.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "base/win/unique_handle.h"
#include "process_runner.h"

namespace {

constexpr wchar_t kWineOwnKey[] = L"\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards";

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  return bytes;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wistringstream in(text);
  for (std::wstring line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Drops every section (a "[key]" line and what follows up to the next one)
// whose key lies at or below the key Wine writes on its own.
std::wstring WithoutWineOwnKey(const std::wstring& text) {
  std::wstring kept;
  bool skipping = false;
  for (const std::wstring& line : Lines(text)) {
    if (!line.empty() && line[0] == L'[') skipping = line.find(kWineOwnKey) != std::wstring::npos;
    if (!skipping) kept += line + L"\n";
  }
  return kept;
}

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring ExportRegistryKey(const std::wstring& key, const std::wstring& options) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"zevevov-export.reg";
  DeleteFileW(file.c_str());
  const long exitCode = RunProcess(SystemProgram(L"reg.exe") + L" export " + key + L" \"" + file + L"\" /y " + options);
  const std::string bytes = FileBytes(file);
  DeleteFileW(file.c_str());
  if (exitCode != 0 || bytes.size() < sizeof(wchar_t)) return L"";
  // UTF-16 after a byte order mark.
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()) + 1, bytes.size() / sizeof(wchar_t) - 1);
}

std::wstring ExportSoftware() {
  std::wstring all;
  for (const auto& [key, options] : {std::pair<const wchar_t*, const wchar_t*>{L"HKLM\\Software", L"/reg:64"},
                                     {L"HKLM\\Software", L"/reg:32"},
                                     {L"HKCU\\Software", L""}}) {
    const std::wstring exported = ExportRegistryKey(key, options);
    if (exported.empty()) return L"";
    all += WithoutWineOwnKey(exported);
  }
  return all;
}

std::string FirstDifference(const std::wstring& before, const std::wstring& after) {
  const std::vector<std::wstring> a = Lines(before), b = Lines(after);
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  if (i == a.size() && i == b.size()) return "";
  std::ostringstream out;
  out << "first difference at line " << i + 1 << ":";
  for (size_t j = i > 2 ? i - 2 : 0; j < i + 3; ++j) {
    out << "\n  before: " << (j < a.size() ? Narrow(a[j]) : "<end>");
    out << "\n  after:  " << (j < b.size() ? Narrow(b[j]) : "<end>");
  }
  return out.str();
}
