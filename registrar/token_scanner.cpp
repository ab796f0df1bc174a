// Peek gives NUL at the end of the text, so no rule can read past it.
#include "registrar/token_scanner.h"

#include "registrar/bounded_writer.h"

namespace registrar {
namespace {

constexpr char16_t kQuote = u'\'';

constexpr bool IsBlank(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

}  // namespace

char16_t TokenScanner::Peek(std::size_t ahead) const {
  if (pos_ == nullptr || static_cast<std::size_t>(end_ - pos_) <= ahead) return u'\0';
  return pos_[ahead];
}

void TokenScanner::Advance() {
  if (pos_ != end_) ++pos_;
}

void TokenScanner::SkipBlanks() {
  while (!AtEnd() && IsBlank(Peek())) Advance();
}

HResult TokenScanner::ReadToken(TokenBuffer& buffer) {
  buffer[0] = u'\0';
  SkipBlanks();
  if (AtEnd()) return hr::kDispException;
  BoundedWriter token(buffer, kMaxTokenLength);
  if (Peek() != kQuote) {
    while (!AtEnd() && !IsBlank(Peek())) {
      if (!token.Put(Peek())) return hr::kDispException;
      Advance();
    }
  } else {
    Advance();
    for (;;) {
      if (AtEnd()) return hr::kDispException;
      if (Peek() == kQuote) {
        if (Peek(1) != kQuote) break;
        Advance();
      }
      if (!token.Put(Peek())) return hr::kDispException;
      Advance();
    }
    Advance();
  }
  // At most kMaxTokenLength characters were written, so the terminator fits.
  buffer[token.size()] = u'\0';
  return hr::kOk;
}

HResult TokenScanner::SkipValueSpec(TokenBuffer& buffer) {
  if (buffer[0] != u'=') return hr::kOk;
  RETURN_IF_FAILED(ReadToken(buffer));
  TokenBuffer value;
  RETURN_IF_FAILED(ReadToken(value));
  return ReadToken(buffer);
}

}  // namespace registrar
