#include "tools/zevshow/module_path.h"

namespace {

// The longest path the platform hands out, with its terminator.
constexpr DWORD kPathCapacity = 32768;

}  // namespace

std::wstring ModulePath(HMODULE module) {
  std::wstring path(kPathCapacity, L'\0');
  const DWORD units = GetModuleFileNameW(module, path.data(), kPathCapacity);
  // kPathCapacity units back means the path was cut.
  if (units == 0 || units >= kPathCapacity) return {};
  path.resize(units);
  return path;
}
