#include "tools/zevshow/process_names.h"

#include "base/win/unique_handle.h"

namespace {

// The longest path the platform hands out, with its terminator.
constexpr DWORD kPathCapacity = 32768;
constexpr wchar_t kUnknown[] = L"<unknown>";

std::wstring LookUp(DWORD processId) {
  // The limited right is the one a standard user gets for processes of
  // other integrity levels too, and it is all the image name needs.
  UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return kUnknown;
  std::wstring path(kPathCapacity, L'\0');
  DWORD units = kPathCapacity;
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &units) || units >= kPathCapacity) return kUnknown;
  path.resize(units);
  return path.substr(path.find_last_of(L"\\/") + 1);
}

}  // namespace

const std::wstring& ProcessNames::NameOf(DWORD processId) {
  const auto known = names_.find(processId);
  if (known != names_.end()) return known->second;
  return names_.emplace(processId, LookUp(processId)).first->second;
}
