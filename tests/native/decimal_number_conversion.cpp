#include "tests/native/decimal_number_conversion.h"

#include <limits>

namespace registrar_test {

HResult DecimalNumberConversion::UInt32FromText(const char16_t* text,
                                                std::uint32_t* value) const {
  if (text == nullptr || value == nullptr) return hr::kPointer;
  if (*text == u'\0') return kTypeMismatch;
  constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
  std::uint64_t number = 0;
  bool tooLarge = false;
  for (const char16_t* p = text; *p != u'\0'; ++p) {
    if (*p < u'0' || *p > u'9') return kTypeMismatch;
    // Keep scanning after an overflow: a later non-digit still makes it a mismatch.
    if (!tooLarge) {
      number = number * 10 + static_cast<std::uint64_t>(*p - u'0');
      tooLarge = number > kLargest;
    }
  }
  if (tooLarge) return kOverflow;
  *value = static_cast<std::uint32_t>(number);
  return hr::kOk;
}

}  // namespace registrar_test
