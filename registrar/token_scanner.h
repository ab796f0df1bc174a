#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "base/hresult.h"

namespace registrar {

// Token, value-name and value-text buffers; a token keeps one more slot free
// beyond its terminator.
inline constexpr std::size_t kTokenBufferSize = 4096;
inline constexpr std::size_t kMaxTokenLength = kTokenBufferSize - 2;
using TokenBuffer = std::array<char16_t, kTokenBufferSize>;

// Reads an expanded script token by token. Holds only a view of the text,
// which must stay alive while it is read; the end of the view is the end of
// the text, so no read can pass it.
class TokenScanner {
 public:
  explicit TokenScanner(std::u16string_view text)
      : pos_(text.data()), end_(text.data() + text.size()) {}
  TokenScanner(const TokenScanner&) = delete;
  TokenScanner& operator=(const TokenScanner&) = delete;

  // Skips white space and reads one token, unquoted, into buffer.
  // kDispException at the end of the text, for a token longer than
  // kMaxTokenLength and for a quoted token without its closing quote.
  HResult ReadToken(TokenBuffer& buffer);
  void SkipBlanks();
  // Steps over "= type value" when buffer holds a token starting with "=",
  // leaving the token behind it in buffer; does nothing otherwise.
  HResult SkipValueSpec(TokenBuffer& buffer);
  bool AtEnd() const { return Peek() == u'\0'; }

 private:
  char16_t Peek(std::size_t ahead = 0) const;
  void Advance();

  const char16_t* pos_;
  const char16_t* end_;
};

}  // namespace registrar
