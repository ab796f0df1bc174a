// Text to number conversion for D values of a script. On the platform this is
// VarUI4FromStr(text, locale 0, flags 0), which decides the accepted forms.
#pragma once

#include <cstdint>

#include "base/hresult.h"

namespace registrar {

class NumberConversion {
 public:
  virtual ~NumberConversion() = default;
  // Converts the NUL-terminated text; a failure result leaves value untouched.
  virtual HResult UInt32FromText(const char16_t* text, std::uint32_t* value) const = 0;
};

}  // namespace registrar
