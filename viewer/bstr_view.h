// An automation string handed in by a caller, seen without taking ownership.
// The Windows layer builds it from a BSTR: data null for a null BSTR, length as
// SysStringLen gives it (embedded NULs counted). Like every BSTR, non-null data
// has a NUL at data[length], so it may also be read as a C string.
#pragma once

#include <cstdint>
#include <string_view>

struct BstrView {
  const char16_t* data = nullptr;
  std::uint32_t length = 0;

  // Every character, embedded NULs included; null reads as empty.
  std::u16string_view Whole() const {
    return data == nullptr ? std::u16string_view() : std::u16string_view(data, length);
  }

  // The characters up to the first NUL; null reads as empty.
  std::u16string_view Text() const {
    const std::u16string_view whole = Whole();
    return whole.substr(0, whole.find(u'\0'));
  }
};
