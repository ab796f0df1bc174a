#include "registrar/value_writer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "registrar/bounded_writer.h"
#include "registrar/token_scanner.h"

namespace registrar {
namespace {

struct ValueTypeLetter {
  const char16_t* letter;
  RegValueType type;
};

// Tried in this order.
constexpr ValueTypeLetter kValueTypeLetters[] = {
    {u"S", reg::kTypeSz},
    {u"M", reg::kTypeMultiSz},
    {u"D", reg::kTypeDword},
    {u"B", reg::kTypeBinary},
};

// A value text is one token of at most kMaxTokenLength characters: with the
// two closing NULs a multi-string fits a token-sized buffer, and binary data
// half of one.
using MultiStringBuffer = std::array<char16_t, kTokenBufferSize>;
using BinaryBuffer = std::array<std::uint8_t, kTokenBufferSize / 2>;
static_assert(kMaxTokenLength + 2 <= MultiStringBuffer().size());
static_assert(kMaxTokenLength / 2 <= BinaryBuffer().size());

std::size_t TextLength(const char16_t* text) { return std::char_traits<char16_t>::length(text); }

std::uint32_t ByteSize(std::size_t characters) {
  return static_cast<std::uint32_t>(characters * sizeof(char16_t));
}

const std::uint8_t* AsBytes(const char16_t* text) {
  return reinterpret_cast<const std::uint8_t*>(text);
}

// The value of a hexadecimal digit; anything else counts as 0.
std::uint8_t HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return static_cast<std::uint8_t>(c - u'0');
  if (c >= u'A' && c <= u'F') return static_cast<std::uint8_t>(c - u'A' + 10);
  if (c >= u'a' && c <= u'f') return static_cast<std::uint8_t>(c - u'a' + 10);
  return 0;
}

HResult WriteString(RegistryAccess& registry, RegKey key, const char16_t* name,
                    const char16_t* text) {
  return hr::FromWin32(
      registry.SetValue(key, name, reg::kTypeSz, AsBytes(text), ByteSize(TextLength(text) + 1)));
}

// Backslash-zero separates the strings; the list ends at its first empty string.
// A text that does not fit the work buffer counts as a buffer that cannot be had.
HResult WriteMultiString(RegistryAccess& registry, RegKey key, const char16_t* name,
                         const char16_t* text) {
  MultiStringBuffer strings{};
  BoundedWriter writer(strings);
  const std::size_t length = TextLength(text);
  for (std::size_t i = 0; i < length; ++i) {
    const bool separator = text[i] == u'\\' && i + 1 < length && text[i + 1] == u'0';
    if (!writer.Put(separator ? u'\0' : text[i])) return hr::kOutOfMemory;
    if (separator) ++i;
  }
  if (!writer.Put(u'\0') || !writer.Put(u'\0')) return hr::kOutOfMemory;

  std::size_t stored = 0;
  for (;;) {
    const std::size_t stringLength = TextLength(strings.data() + stored);
    stored += stringLength + 1;
    if (stringLength == 0) break;
  }
  return hr::FromWin32(registry.SetValue(key, name, reg::kTypeMultiSz, AsBytes(strings.data()),
                                         ByteSize(stored)));
}

HResult WriteDword(RegistryAccess& registry, RegKey key, const char16_t* name,
                   std::uint32_t number) {
  // REG_DWORD data is little-endian.
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
      static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
  return hr::FromWin32(registry.SetValue(key, name, reg::kTypeDword, bytes, sizeof bytes));
}

// Pairs of hexadecimal digits; a text of odd length is refused. A text that
// does not fit the work buffer counts as a buffer that cannot be had.
HResult WriteBinary(RegistryAccess& registry, RegKey key, const char16_t* name,
                    const char16_t* text) {
  const std::size_t length = TextLength(text);
  if (length % 2 != 0) return hr::kFail;
  BinaryBuffer bytes{};
  for (std::size_t i = 0; i < length; ++i) {
    const std::size_t index = i / 2;
    if (index >= bytes.size()) return hr::kFail;
    const std::uint8_t nibble = HexValue(text[i]);
    bytes[index] |= static_cast<std::uint8_t>(i % 2 == 0 ? nibble << 4 : nibble);
  }
  return hr::FromWin32(registry.SetValue(key, name, reg::kTypeBinary, bytes.data(),
                                         static_cast<std::uint32_t>(length / 2)));
}

}  // namespace

HResult ValueWriter::Write(RegKey key, const char16_t* name, const char16_t* type,
                           const char16_t* text) const {
  const ValueTypeLetter* letter = nullptr;
  for (const ValueTypeLetter& candidate : kValueTypeLetters) {
    if (compare_.EqualNoCase(type, candidate.letter)) {
      letter = &candidate;
      break;
    }
  }
  if (letter == nullptr) return hr::kDispException;

  switch (letter->type) {
    case reg::kTypeSz:
      return WriteString(registry_, key, name, text);
    case reg::kTypeMultiSz:
      return WriteMultiString(registry_, key, name, text);
    case reg::kTypeDword: {
      std::uint32_t number = 0;
      RETURN_IF_FAILED(numbers_.UInt32FromText(text, &number));
      return WriteDword(registry_, key, name, number);
    }
    default:
      return WriteBinary(registry_, key, name, text);
  }
}

}  // namespace registrar
