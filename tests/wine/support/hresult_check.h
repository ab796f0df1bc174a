// HRESULTs in test output as the platform writes them (0x8007000e), not as
// signed decimals.
#pragma once

#include <windows.h>

#include <cstdio>
#include <ostream>

struct HResultText {
  HRESULT value;
  bool operator==(const HResultText&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, HResultText h) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(h.value));
  return out << text;
}

#define EXPECT_HR(expected, actual) EXPECT_EQ(HResultText{expected}, HResultText{actual})
#define ASSERT_HR(expected, actual) ASSERT_EQ(HResultText{expected}, HResultText{actual})
