// The tests' stand-in for the platform's VarUI4FromStr in D values: unsigned
// decimal numbers from 0 to 4294967295 and nothing else.
#pragma once

#include <cstdint>

#include "base/hresult.h"
#include "registrar/number_conversion.h"

namespace registrar_test {

// Failures carry the results the platform conversion gives for the same cases.
inline constexpr HResult kTypeMismatch = static_cast<HResult>(0x80020005u);
inline constexpr HResult kOverflow = static_cast<HResult>(0x8002000Au);

class DecimalNumberConversion final : public registrar::NumberConversion {
 public:
  // kTypeMismatch for an empty text or one with anything but the digits 0-9;
  // kOverflow for a number above 4294967295.
  HResult UInt32FromText(const char16_t* text, std::uint32_t* value) const override;
};

}  // namespace registrar_test
