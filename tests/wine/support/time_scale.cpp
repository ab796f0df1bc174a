#include "time_scale.h"

namespace time_scale {

namespace {
constexpr DWORD kMaxFactor = 100;
constexpr DWORD kValueCapacity = 8;
}  // namespace

DWORD Factor() {
  wchar_t value[kValueCapacity];
  const DWORD n = GetEnvironmentVariableW(L"ZEVEVOV_TIME_SCALE", value, kValueCapacity);
  if (n == 0 || n >= kValueCapacity) return 1;
  DWORD factor = 0;
  for (DWORD i = 0; i < n; ++i) {
    if (value[i] < L'0' || value[i] > L'9') return 1;
    factor = factor * 10 + static_cast<DWORD>(value[i] - L'0');
  }
  return factor >= 1 && factor <= kMaxFactor ? factor : 1;
}

DWORD Scaled(DWORD milliseconds) { return milliseconds * Factor(); }

}  // namespace time_scale
