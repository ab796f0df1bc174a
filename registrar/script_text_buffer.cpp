#include "registrar/script_text_buffer.h"

#include <algorithm>
#include <limits>

namespace registrar {

ScriptTextBuffer::~ScriptTextBuffer() {
  if (data_ != nullptr) memory_.Free(data_);
}

std::uint64_t ScriptTextBuffer::FirstCapacity(std::uint64_t inputLength) {
  // Above this the doubled length would overflow; it is far beyond kMaxCapacity anyway.
  constexpr std::uint64_t kLargestDoubled = std::numeric_limits<std::uint64_t>::max() / 2;
  if (inputLength > kLargestDoubled) return std::numeric_limits<std::uint64_t>::max();
  const std::uint64_t doubled = inputLength * 2;
  return doubled < kSmallDoubledLength ? kSmallCapacity : doubled;
}

std::optional<std::uint64_t> ScriptTextBuffer::GrownCapacity(std::uint64_t capacity,
                                                             std::uint64_t required) {
  if (capacity == 0) return std::nullopt;
  while (capacity <= required) {
    if (capacity > kMaxCapacity / 2) return std::nullopt;
    capacity *= 2;
  }
  return capacity;
}

std::optional<std::size_t> ScriptTextBuffer::BytesFor(std::uint64_t capacity) {
  if (capacity > kMaxCapacity) return std::nullopt;
  const std::uint64_t bytes = capacity * sizeof(char16_t);
  if (bytes > std::numeric_limits<std::size_t>::max()) return std::nullopt;
  return static_cast<std::size_t>(bytes);
}

HResult ScriptTextBuffer::Start(std::uint64_t inputLength) {
  const std::uint64_t capacity = FirstCapacity(inputLength);
  const std::optional<std::size_t> bytes = BytesFor(capacity);
  if (!bytes) return hr::kOutOfMemory;
  auto* block = static_cast<char16_t*>(memory_.Allocate(*bytes));
  if (block == nullptr) return hr::kOutOfMemory;
  if (data_ != nullptr) memory_.Free(data_);
  data_ = block;
  capacity_ = capacity;
  length_ = 0;
  data_[0] = u'\0';
  return hr::kOk;
}

HResult ScriptTextBuffer::Append(std::u16string_view text) {
  if (data_ == nullptr) return hr::kUnexpected;
  const std::uint64_t newLength = length_ + text.size();
  if (newLength + 1 >= capacity_) {
    const std::optional<std::uint64_t> capacity = GrownCapacity(capacity_, newLength + 1);
    if (!capacity) return hr::kOutOfMemory;
    const std::optional<std::size_t> bytes = BytesFor(*capacity);
    if (!bytes) return hr::kOutOfMemory;
    auto* block = static_cast<char16_t*>(memory_.Reallocate(data_, *bytes));
    if (block == nullptr) return hr::kOutOfMemory;
    data_ = block;
    capacity_ = *capacity;
  }
  std::copy(text.begin(), text.end(), data_ + length_);
  length_ = newLength;
  data_[length_] = u'\0';
  return hr::kOk;
}

std::u16string_view ScriptTextBuffer::view() const {
  if (data_ == nullptr) return {};
  return std::u16string_view(data_, static_cast<std::size_t>(length_));
}

}  // namespace registrar
