#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/hresult.h"
#include "registrar/script_memory.h"

namespace registrar {

// Owns one growable, always NUL-terminated UTF-16 text in a block from
// ScriptMemory (the expanded script); frees it on destruction.
class ScriptTextBuffer {
 public:
  // Inputs whose doubled length is below this start with kSmallCapacity.
  static constexpr std::uint64_t kSmallDoubledLength = 100;
  static constexpr std::uint64_t kSmallCapacity = 1000;
  // Capacities are counted in characters and may not pass 2^31.
  static constexpr std::uint64_t kMaxCapacity = std::uint64_t{1} << 31;

  explicit ScriptTextBuffer(ScriptMemory& memory) : memory_(memory) {}
  ~ScriptTextBuffer();
  ScriptTextBuffer(const ScriptTextBuffer&) = delete;
  ScriptTextBuffer& operator=(const ScriptTextBuffer&) = delete;

  // Takes the first block for expanding a text of inputLength characters and
  // makes the buffer an empty text. kOutOfMemory when it cannot be had.
  HResult Start(std::uint64_t inputLength);
  // kOutOfMemory, leaving the text as it was, when the buffer cannot grow.
  HResult Append(std::u16string_view text);
  HResult Append(char16_t c) { return Append(std::u16string_view(&c, 1)); }

  std::u16string_view view() const;

  // Twice the input length, or kSmallCapacity for short inputs.
  static std::uint64_t FirstCapacity(std::uint64_t inputLength);
  // The capacity doubled until it exceeds required (a length plus its NUL);
  // none when that would pass kMaxCapacity.
  static std::optional<std::uint64_t> GrownCapacity(std::uint64_t capacity,
                                                    std::uint64_t required);

 private:
  // The block size in bytes for a capacity, when the platform can express it.
  static std::optional<std::size_t> BytesFor(std::uint64_t capacity);

  ScriptMemory& memory_;
  char16_t* data_ = nullptr;
  std::uint64_t length_ = 0;
  std::uint64_t capacity_ = 0;
};

}  // namespace registrar
