#include "viewer/utf8_encoder.h"

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The code point at text[i], advancing i past it.
char32_t NextCodePoint(std::u16string_view text, std::size_t& i) {
  const char16_t c = text[i++];
  if (IsHighSurrogate(c) && i < text.size() && IsLowSurrogate(text[i])) {
    const char16_t low = text[i++];
    return 0x10000 + ((char32_t{c} - 0xD800) << 10) + (char32_t{low} - 0xDC00);
  }
  if (IsHighSurrogate(c) || IsLowSurrogate(c)) return kReplacementCharacter;
  return c;
}

std::size_t EncodedLength(char32_t cp) {
  if (cp < 0x80) return 1;
  if (cp < 0x800) return 2;
  if (cp < 0x10000) return 3;
  return 4;
}

}  // namespace

std::size_t Utf8Length(std::u16string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size();) length += EncodedLength(NextCodePoint(text, i));
  return length;
}

void EncodeUtf8(std::u16string_view text, char* out) {
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = NextCodePoint(text, i);
    const std::size_t length = EncodedLength(cp);
    if (length == 1) {
      *out++ = static_cast<char>(cp);
      continue;
    }
    // Lead byte: as many high bits set as the sequence has bytes.
    constexpr unsigned char kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    *out++ = static_cast<char>(kLeadMarks[length] | (cp >> (6 * (length - 1))));
    for (std::size_t k = length - 1; k > 0; --k) {
      *out++ = static_cast<char>(0x80 | ((cp >> (6 * (k - 1))) & 0x3F));
    }
  }
}
