// The escaper and the unescaper on any text. The escaped form is ASCII, at
// most 1023 characters, and empty exactly when it would be longer; unescaping
// it gives back the value's UTF-8 bytes (read in the fake's Latin-1 code
// page), so an ASCII value comes back unchanged. The unescaper writes nothing
// past the capacity it is given, nothing at all when it fails, and asks for
// the size that then succeeds.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "tests/native/viewer_fake_platform.h"
#include "viewer/url_escape.h"

namespace {

constexpr std::size_t kEscapedLimit = 1023;
constexpr std::size_t kMaxText = 4096;
constexpr char16_t kUntouched = 0xBDBD;

bool CopiedAsIs(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::u16string_view(u"!'()*-./:_~%").find(static_cast<char16_t>(c)) != std::u16string_view::npos;
}

// The UTF-8 bytes of text, a lone surrogate standing for U+FFFD.
std::string Utf8(std::u16string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      bytes += static_cast<char>(0xC0 | c >> 6);
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      bytes += static_cast<char>(0xE0 | c >> 12);
      bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes += static_cast<char>(0xF0 | c >> 18);
      bytes += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return bytes;
}

std::u16string Latin1(const std::string& bytes) {
  std::u16string text;
  for (const char b : bytes) text += static_cast<unsigned char>(b);
  return text;
}

void CheckEscape(FakeViewerPlatform& platform, std::u16string_view value) {
  const std::u16string_view text = value.substr(0, value.find(u'\0'));
  const std::string bytes = Utf8(text);
  std::size_t needed = 0;
  for (const char b : bytes) needed += CopiedAsIs(static_cast<unsigned char>(b)) ? 1 : 3;

  const std::u16string escaped = EscapeUrlValue(platform, value);
  FUZZ_REQUIRE(escaped.size() <= kEscapedLimit);
  FUZZ_REQUIRE(escaped.empty() == (needed == 0 || needed > kEscapedLimit));
  if (escaped.empty()) return;
  FUZZ_REQUIRE(escaped.size() == needed);
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    const char16_t c = escaped[i];
    FUZZ_REQUIRE(c < 0x80 && c != 0);
    if (bytes.find('%') == std::string::npos && c == u'%') {
      // Only escapes bring a "%" in: two lower-case hex digits follow.
      for (std::size_t k = 1; k <= 2; ++k) {
        FUZZ_REQUIRE(i + k < escaped.size());
        const char16_t digit = escaped[i + k];
        FUZZ_REQUIRE((digit >= u'0' && digit <= u'9') || (digit >= u'a' && digit <= u'f'));
      }
    }
  }
  if (bytes.find('%') != std::string::npos) return;

  std::uint32_t length = 0;
  std::vector<char16_t> out(escaped.size() + 1, kUntouched);
  FUZZ_REQUIRE(UnescapeUrlText(platform, escaped.c_str(), out.data(), &length, static_cast<std::uint32_t>(out.size())));
  FUZZ_REQUIRE(std::u16string(out.data()) == Latin1(bytes));
}

void CheckUnescape(FakeViewerPlatform& platform, const std::u16string& text, std::uint32_t capacity) {
  // The size query alone: capacity 0 writes nothing.
  char16_t probe = kUntouched;
  std::uint32_t needed = 0;
  FUZZ_REQUIRE(!UnescapeUrlText(platform, text.c_str(), &probe, &needed, 0) && probe == kUntouched);
  std::vector<char16_t> exact(needed == 0 ? 1 : needed, kUntouched);
  std::uint32_t length = 0;
  const bool exactFits = needed != 0 && UnescapeUrlText(platform, text.c_str(), exact.data(), &length, needed);
  FUZZ_REQUIRE(!exactFits || (length == needed && exact[needed - 1] == u'\0'));

  // The wrapper gives that result, or the text as stored; characters outside
  // ASCII stand for themselves, so a text without escapes comes back as it is.
  const std::u16string stored(text.c_str());
  const std::u16string wrapped = UnescapeUrl(platform, text);
  if (std::all_of(stored.begin(), stored.end(), [](char16_t c) { return c < 0x80; })) {
    FUZZ_REQUIRE(wrapped == (exactFits ? std::u16string(exact.data()) : stored));
  } else if (stored.find(u'%') == std::u16string::npos) {
    FUZZ_REQUIRE(wrapped == stored);
  } else {
    FUZZ_REQUIRE(wrapped == stored || wrapped.size() < stored.size());
  }

  // An exact-size area of another capacity: a write past it shows under ASan,
  // a write by a failing call or past the terminator in the canaries.
  std::vector<char16_t> out(capacity == 0 ? 1 : capacity, kUntouched);
  length = 0xDEADBEEF;
  const bool unescaped = UnescapeUrlText(platform, text.c_str(), out.data(), &length, capacity);
  FUZZ_REQUIRE(unescaped == (exactFits && capacity >= needed));
  if (!unescaped) {
    for (const char16_t c : out) FUZZ_REQUIRE(c == kUntouched);
    return;
  }
  FUZZ_REQUIRE(length == needed && std::u16string(out.data()) == std::u16string(exact.data()));
  for (std::uint32_t i = length; i < capacity; ++i) FUZZ_REQUIRE(out[i] == kUntouched);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::uint8_t capacityChoice = input.Byte();
  const std::u16string text = input.Text(kMaxText);
  FakeViewerPlatform platform;
  CheckEscape(platform, text);

  // Capacities around the needed size, and some far off.
  std::uint32_t needed = 0;
  char16_t probe = 0;
  UnescapeUrlText(platform, text.c_str(), &probe, &needed, 0);
  const int offset = static_cast<int>(capacityChoice % 8) - 4;
  const std::uint32_t capacity =
      capacityChoice >= 0x80 ? capacityChoice & 0x7F : static_cast<std::uint32_t>(std::max<int>(0, static_cast<int>(needed) + offset));
  CheckUnescape(platform, text, capacity);
  return 0;
}
