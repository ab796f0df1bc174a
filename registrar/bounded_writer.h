// Appends elements into a fixed array and refuses to pass a limit inside it,
// so every write into a token, name or work buffer is checked where it happens.
#pragma once

#include <array>
#include <cstddef>

namespace registrar {

template <typename T, std::size_t N>
class BoundedWriter {
 public:
  // Accepts at most limit elements (never more than N).
  explicit BoundedWriter(std::array<T, N>& target, std::size_t limit = N)
      : target_(target), limit_(limit < N ? limit : N) {}

  // False, writing nothing, when the limit is reached.
  [[nodiscard]] bool Put(T value) {
    if (size_ >= limit_) return false;
    target_[size_++] = value;
    return true;
  }

  std::size_t size() const { return size_; }

 private:
  std::array<T, N>& target_;
  std::size_t limit_;
  std::size_t size_ = 0;
};

}  // namespace registrar
