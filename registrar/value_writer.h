#pragma once

#include "base/hresult.h"
#include "registrar/number_conversion.h"
#include "registrar/registry_access.h"
#include "registrar/text_compare.h"

namespace registrar {

// Turns the type letter and the text of a value entry into registry data and
// writes it: S a string, M a list of strings split at backslash-zero, D a
// 32-bit number, B bytes from pairs of hexadecimal digits.
class ValueWriter {
 public:
  // The services must outlive the writer.
  ValueWriter(RegistryAccess& registry, const TextCompare& compare,
              const NumberConversion& numbers)
      : registry_(registry), compare_(compare), numbers_(numbers) {}
  ValueWriter(const ValueWriter&) = delete;
  ValueWriter& operator=(const ValueWriter&) = delete;

  // Writes text as value name of key (a null name: the default value), typed
  // by the letter type. Nothing is written when the letter is unknown
  // (kDispException), a B text has an odd length (kFail) or a D text is no
  // number (the conversion's result). A registry error comes back as HRESULT.
  HResult Write(RegKey key, const char16_t* name, const char16_t* type,
                const char16_t* text) const;

 private:
  RegistryAccess& registry_;
  const TextCompare& compare_;
  const NumberConversion& numbers_;
};

}  // namespace registrar
