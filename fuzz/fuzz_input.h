// Reads a fuzzer's input as a sequence of small decisions and texts. Past the
// end every read gives zero or an empty text, so a decoder never runs off the
// input and a short input still decodes to something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : pos_(data), end_(data + size) {}

  bool empty() const { return pos_ == end_; }

  std::uint8_t Byte() { return pos_ < end_ ? *pos_++ : 0; }

  std::uint32_t Number() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
    return value;
  }

  // A count up to limit, small ones the likeliest: one byte, or, after 0xFF,
  // two more.
  std::size_t Count(std::size_t limit) {
    std::size_t count = Byte();
    if (count == 0xFF) count = static_cast<std::size_t>(Byte()) << 8 | Byte();
    return count > limit ? limit : count;
  }

  // One UTF-16 unit per input byte below 0x80, so ASCII texts mutate well;
  // a byte from 0x80 up takes the next two bytes as any unit (surrogates,
  // NUL and the rest of the plane included).
  char16_t Unit() {
    const std::uint8_t b = Byte();
    if (b < 0x80) return b;
    const std::uint8_t low = Byte();
    return static_cast<char16_t>(Byte() << 8 | low);
  }

  // A text of up to maxUnits units, ended early by two zero bytes (which are
  // consumed) or by the end of the input. A single zero byte is a NUL unit.
  std::u16string Text(std::size_t maxUnits) {
    std::u16string text;
    while (text.size() < maxUnits && pos_ < end_) {
      if (end_ - pos_ >= 2 && pos_[0] == 0 && pos_[1] == 0) {
        pos_ += 2;
        break;
      }
      text += Unit();
    }
    return text;
  }

  // Every unit that is left, separators included.
  std::u16string Rest() {
    std::u16string text;
    while (pos_ < end_) text += Unit();
    return text;
  }

 private:
  const std::uint8_t* pos_;
  const std::uint8_t* end_;
};
