#include "registry_export.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "base/win/unique_handle.h"
#include "base/win/unique_reg_key.h"

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

// RegSaveKey needs the backup privilege switched on in the process's token.
bool EnableBackupPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
  const UniqueHandle owner(token);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &privileges.Privileges[0].Luid)) return false;
  return AdjustTokenPrivileges(owner.get(), FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
}

std::wstring Widened(const std::string& bytes) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

// Wine's registry server saves a branch as text: each key as "[path] seconds"
// relative to the saved key, with its backslashes doubled, then "#time=" with
// its last-write time, then its values. Writing a key and taking it away again
// changes its parent's times, so the times go; each key becomes
// "[ROOT\path]" as reg export writes it.
std::wstring InExportShape(const std::wstring& savedKey, const std::wstring& saved) {
  std::wstring shaped;
  for (const std::wstring& raw : Lines(saved)) {
    const std::wstring line = !raw.empty() && raw.back() == L'\r' ? raw.substr(0, raw.size() - 1) : raw;
    if (line.rfind(L"#time=", 0) == 0) continue;
    const size_t close = line.rfind(L"] ");
    if (!line.empty() && line[0] == L'[' && close != std::wstring::npos) {
      std::wstring path;
      for (size_t i = 1; i < close; ++i) {
        path += line[i];
        if (line[i] == L'\\' && i + 1 < close && line[i + 1] == L'\\') ++i;
      }
      shaped += L"[" + savedKey + L"\\" + path + L"]\n";
      continue;
    }
    shaped += line + L"\n";
  }
  return shaped;
}

}  // namespace

std::string InUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring ExportRegistryKey(const std::wstring& key, const std::wstring& options) {
  const size_t slash = key.find(L'\\');
  const std::wstring root = key.substr(0, slash);
  const std::wstring path = slash == std::wstring::npos ? L"" : key.substr(slash + 1);
  HKEY rootKey = root == L"HKLM" ? HKEY_LOCAL_MACHINE : root == L"HKCU" ? HKEY_CURRENT_USER : nullptr;
  if (rootKey == nullptr) return L"";
  const REGSAM view = options == L"/reg:64" ? KEY_WOW64_64KEY : options == L"/reg:32" ? KEY_WOW64_32KEY : 0;
  UniqueRegKey opened;
  if (RegOpenKeyExW(rootKey, path.c_str(), 0, KEY_READ | view, opened.put()) != ERROR_SUCCESS) return L"";
  if (!EnableBackupPrivilege()) return L"";
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"zevevov-export.reg";
  DeleteFileW(file.c_str());
  const LONG saved = RegSaveKeyW(opened.get(), file.c_str(), nullptr);
  const std::string bytes = FileBytes(file);
  DeleteFileW(file.c_str());
  if (saved != ERROR_SUCCESS || bytes.empty()) return L"";
  return InExportShape(key, Widened(bytes));
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
    out << "\n  before: " << (j < a.size() ? InUtf8(a[j]) : "<end>");
    out << "\n  after:  " << (j < b.size() ? InUtf8(b[j]) : "<end>");
  }
  return out.str();
}
