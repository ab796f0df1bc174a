#include "viewer/win/bstr_string_out.h"

#include "base/win/wide_text.h"

bool BstrStringOut::Assign(const char16_t* text, std::uint32_t length) {
  // Copies length characters whatever they are; length 0 gives an empty,
  // non-null string.
  value_.reset(SysAllocStringLen(AsWide(text), length));
  return static_cast<bool>(value_);
}

void BstrStringOut::AssignNull() { value_.reset(); }

BSTR BstrStringOut::Release() { return value_.release(); }
