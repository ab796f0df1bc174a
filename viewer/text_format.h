// printf-style formatting for the viewer's own templates, with type-checked
// arguments. Conversions: %s (a const char16_t*, null prints "(null)"), %d and
// %i (signed 32-bit), %u and %x (unsigned 32-bit, %x in lower-case hex), an
// optional field width (right-aligned, blank-padded), an optional l before a
// number conversion, and %%.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "base/hresult.h"

class FormatArg {
 public:
  enum class Kind { kText, kSigned, kUnsigned };

  FormatArg(const char16_t* text) : kind_(Kind::kText), text_(text) {}
  FormatArg(std::int32_t value) : kind_(Kind::kSigned), signed_(value) {}
  FormatArg(std::uint32_t value) : kind_(Kind::kUnsigned), unsigned_(value) {}
  // A bool would silently become a number; the templates want text for it.
  FormatArg(bool) = delete;

  Kind kind() const { return kind_; }
  const char16_t* text() const { return text_; }
  std::int32_t signed_value() const { return signed_; }
  std::uint32_t unsigned_value() const { return unsigned_; }

 private:
  Kind kind_;
  union {
    const char16_t* text_;
    std::int32_t signed_;
    std::uint32_t unsigned_;
  };
};

using FormatArgs = std::initializer_list<FormatArg>;

enum class FormatOutcome { kComplete, kTruncated, kRejected };

// Formats into a fixed buffer of capacity characters. Never writes past it:
// the text is cut at capacity - 1 characters (never between the two halves of
// a surrogate pair) and always terminated. A template that is null, names an
// unknown conversion, or does not match its arguments in number or kind is
// rejected; the buffer then holds the text up to that point.
FormatOutcome FormatToBuffer(char16_t* buffer, std::size_t capacity, const char16_t* format,
                             FormatArgs args);

// Formats into target, replacing its content; the text is measured first and
// may be of any length. kInvalidArg for a null template, kFail for a rejected
// one, kOutOfMemory when the text cannot be allocated; in all three cases
// target keeps its previous content.
HResult FormatToString(std::u16string& target, const char16_t* format, FormatArgs args);
