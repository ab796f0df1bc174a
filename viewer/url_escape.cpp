#include "viewer/url_escape.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <vector>

#include "base/stack_buffer.h"
#include "viewer/trace.h"
#include "viewer/utf8_encoder.h"

namespace {

// An escaped value and its terminator fit in this many characters.
constexpr std::size_t kEscapedCapacity = 1024;
// Byte areas on the stack for the UTF-8 input and the byte result; longer
// texts take heap memory.
constexpr std::size_t kByteAreaSize = 2084;
// Characters of widened text kept on the stack.
constexpr std::size_t kWideAreaSize = 128;

using ByteArea = StackBuffer<char, kByteAreaSize>;

bool CopiedUnescaped(unsigned char b) {
  if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9')) return true;
  constexpr std::string_view kUnreservedMarks = "!'()*-./:_~%";
  return kUnreservedMarks.find(static_cast<char>(b)) != std::string_view::npos;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The UTF-8 form of text, terminated; false when there are no bytes or no
// room for them.
bool ToUtf8(std::u16string_view text, ByteArea& bytes, std::size_t& count) {
  count = Utf8Length(text);
  if (count == 0 || !bytes.Resize(count + 1)) return false;
  EncodeUtf8(text, bytes.data());
  bytes.data()[count] = '\0';
  return true;
}

// Widens count bytes in the thread's ANSI code page into out, which holds
// capacity characters including the terminator. Out is written only when the
// whole text and its terminator fit.
bool WidenAnsi(ViewerPlatform& platform, const char* bytes, std::size_t count, char16_t* out,
               std::size_t capacity) {
  if (count == 0 || count > std::numeric_limits<std::uint32_t>::max()) return false;
  const auto byteCount = static_cast<std::uint32_t>(count);
  const std::uint32_t needed = platform.AnsiToWide(bytes, byteCount, nullptr, 0);
  StackBuffer<char16_t, kWideAreaSize> wide;
  if (needed == 0 || !wide.Resize(needed)) return false;
  const std::uint32_t written = platform.AnsiToWide(bytes, byteCount, wide.data(), needed);
  if (written == 0 || written > needed || written >= capacity) return false;
  std::copy_n(wide.data(), written, out);
  out[written] = u'\0';
  return true;
}

}  // namespace

std::u16string EscapeUrlValue(ViewerPlatform& platform, std::u16string_view value) noexcept {
  try {
    const std::u16string_view text = value.substr(0, value.find(u'\0'));
    ByteArea utf8;
    std::size_t utf8Count = 0;
    if (text.empty() || !ToUtf8(text, utf8, utf8Count)) return {};

    // The walk runs to the end to learn the whole length; bytes past the area
    // are counted, not stored.
    ByteArea escaped;
    escaped.Resize(kByteAreaSize);
    std::size_t length = 0;
    const auto put = [&](char c) {
      if (length < escaped.size()) escaped.data()[length] = c;
      ++length;
    };
    for (std::size_t i = 0; i < utf8Count; ++i) {
      const auto b = static_cast<unsigned char>(utf8.data()[i]);
      if (CopiedUnescaped(b)) {
        put(static_cast<char>(b));
      } else {
        put('%');
        put("0123456789abcdef"[b >> 4]);
        put("0123456789abcdef"[b & 0xF]);
      }
    }
    if (length + 1 > kEscapedCapacity) return {};

    std::array<char16_t, kEscapedCapacity> area;
    if (!WidenAnsi(platform, escaped.data(), length, area.data(), area.size())) return {};
    return std::u16string(area.data());
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool UnescapeUrlText(ViewerPlatform& platform, const char16_t* text, char16_t* out,
                     std::uint32_t* length, std::uint32_t capacity) noexcept {
  if (text == nullptr || out == nullptr) return false;
  ByteArea utf8;
  std::size_t count = 0;
  if (!ToUtf8(text, utf8, count)) return false;
  ByteArea result;
  if (!result.Resize(capacity)) return false;

  const char* bytes = utf8.data();
  std::size_t d = 0;
  for (std::size_t i = 0; i < count;) {
    char b = bytes[i++];
    if (b == '%') {
      const int high = i < count ? HexValue(bytes[i]) : -1;
      const int low = i + 1 < count ? HexValue(bytes[i + 1]) : -1;
      if (high < 0 || low < 0 || (high == 0 && low == 0)) {
        if (length != nullptr) *length = static_cast<std::uint32_t>(d + 1);
        return false;
      }
      b = static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (d < capacity) result.data()[d] = b;
    ++d;
  }
  if (length != nullptr) *length = static_cast<std::uint32_t>(d + 1);
  if (capacity < d + 1) return false;
  return WidenAnsi(platform, result.data(), d, out, capacity);
}

namespace {

// Unescapes run (not empty) into result; false for a malformed escape or a
// failed conversion. May throw std::bad_alloc.
bool UnescapeRun(ViewerPlatform& platform, const std::u16string& run, std::u16string& result) {
  // The size query writes nothing, but the routine wants an area to point to.
  char16_t probe = u'\0';
  std::uint32_t length = 0;
  UnescapeUrlText(platform, run.c_str(), &probe, &length, 0);
  if (length == 0) return false;
  std::vector<char16_t> area;
  try {
    area.resize(length);
  } catch (const std::bad_alloc&) {
    // No area: this ends like a malformed escape, with the stored text.
    return false;
  }
  if (!UnescapeUrlText(platform, run.c_str(), area.data(), &length, length)) return false;
  result += area.data();
  return true;
}

bool IsAscii(char16_t c) { return c < 0x80; }

}  // namespace

std::u16string UnescapeUrl(ViewerPlatform& platform, const std::u16string& stored) {
  const std::u16string text(stored.c_str());
  std::u16string result;
  bool unescaped = true;
  if (text.empty() || std::all_of(text.begin(), text.end(), IsAscii)) {
    unescaped = UnescapeRun(platform, text, result);
  } else {
    // Escapes stand for bytes of the ANSI code page, where the UTF-8 bytes of
    // a character written as it is would become other characters (a path with
    // "ü" in it would name no file). An escape never spans such a character,
    // so the ASCII runs between them are unescaped one by one and the
    // characters themselves kept.
    for (std::size_t start = 0; unescaped && start < text.size();) {
      const std::size_t end = std::find_if_not(text.begin() + start, text.end(), IsAscii) - text.begin();
      if (end > start) unescaped = UnescapeRun(platform, text.substr(start, end - start), result);
      const std::size_t next = std::find_if(text.begin() + end, text.end(), IsAscii) - text.begin();
      result.append(text, end, next - end);
      start = next;
    }
  }
  if (unescaped) return result;
  Trace(platform, u"UnescapeUrl: failed for Url: %s\r\n", {stored.c_str()});
  return text;
}
