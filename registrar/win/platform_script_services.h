// The platform's side of a script run: lstrcmpiW for names and keywords,
// VarUI4FromStr for D values, task memory for the expanded text.
#pragma once

#include "registrar/number_conversion.h"
#include "registrar/script_memory.h"
#include "registrar/text_compare.h"

namespace registrar {

class PlatformTextCompare final : public TextCompare {
 public:
  bool EqualNoCase(const char16_t* left, const char16_t* right) const override;
};

class VariantNumberConversion final : public NumberConversion {
 public:
  HResult UInt32FromText(const char16_t* text, std::uint32_t* value) const override;
};

class TaskMemory final : public ScriptMemory {
 public:
  void* Allocate(std::size_t bytes) override;
  void* Reallocate(void* block, std::size_t bytes) override;
  void Free(void* block) override;
};

}  // namespace registrar
