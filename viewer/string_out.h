// Where a getter puts the string it hands out. The Windows layer implements it
// over a BSTR* result; the getters decide here what an allocation failure
// means (a null result with success, or E_OUTOFMEMORY).
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

class StringOut {
 public:
  // Hands out a fresh copy of length characters (embedded NULs kept; length 0
  // gives an empty, non-null string). Returns false when the copy cannot be
  // allocated; the result is then null.
  virtual bool Assign(const char16_t* text, std::uint32_t length) = 0;
  // Hands out a null string.
  virtual void AssignNull() = 0;

 protected:
  ~StringOut() = default;
};

// Hands out text whole; a text too long for an automation string counts as an
// allocation failure.
inline bool AssignText(StringOut& out, std::u16string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  return out.Assign(text.data(), static_cast<std::uint32_t>(text.size()));
}
