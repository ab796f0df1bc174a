// HRESULTs in test output as the platform writes them (0x8007000e), not as
// signed decimals. Serves the native tests (the portable HResult) and the Wine
// tests (the platform's HRESULT) alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>

struct HResultText {
  std::int32_t value;
  bool operator==(const HResultText&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, HResultText h) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(h.value));
  return out << text;
}

#define EXPECT_HR(expected, actual) \
  EXPECT_EQ(HResultText{static_cast<std::int32_t>(expected)}, HResultText{static_cast<std::int32_t>(actual)})
#define ASSERT_HR(expected, actual) \
  ASSERT_EQ(HResultText{static_cast<std::int32_t>(expected)}, HResultText{static_cast<std::int32_t>(actual)})
