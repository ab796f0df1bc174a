// The scanner over an expanded script: white space, tokens and the assignments
// that the unregister pass steps over. Peek gives NUL at the end of the text,
// so no rule can read past it.
#include "registrar/bounded_writer.h"
#include "registrar/reg_script_parser.h"

namespace registrar {
namespace {

constexpr char16_t kQuote = u'\'';

constexpr bool IsBlank(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

}  // namespace

void CRegScriptParser::StartAt(std::u16string_view text) {
  pos_ = text.data();
  end_ = text.data() + text.size();
}

char16_t CRegScriptParser::Peek(std::size_t ahead) const {
  if (pos_ == nullptr || static_cast<std::size_t>(end_ - pos_) <= ahead) return u'\0';
  return pos_[ahead];
}

void CRegScriptParser::Advance() {
  if (pos_ != end_) ++pos_;
}

void CRegScriptParser::SkipBlanks() {
  while (!AtEnd() && IsBlank(Peek())) Advance();
}

HResult CRegScriptParser::ReadToken(TokenBuffer& buffer) {
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

HResult CRegScriptParser::SkipValueSpec(TokenBuffer& buffer) {
  if (buffer[0] != u'=') return hr::kOk;
  if (HResult result = ReadToken(buffer); hr::Failed(result)) return result;
  TokenBuffer value;
  if (HResult result = ReadToken(value); hr::Failed(result)) return result;
  return ReadToken(buffer);
}

}  // namespace registrar
