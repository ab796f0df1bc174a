#include "viewer/win/bstr_string_out.h"

#include "base/win/wide_text.h"

bool BstrStringOut::Assign(const char16_t* text, std::uint32_t length) {
  SysFreeString(value_);
  // Copies length characters whatever they are; length 0 gives an empty,
  // non-null string.
  value_ = SysAllocStringLen(AsWide(text), length);
  return value_ != nullptr;
}

void BstrStringOut::AssignNull() {
  SysFreeString(value_);
  value_ = nullptr;
}

BSTR BstrStringOut::Release() {
  BSTR value = value_;
  value_ = nullptr;
  return value;
}
