// A working area of N elements on the stack that moves to the heap for larger
// sizes. Owns the heap area, if any, and frees it on destruction. Elements
// start undefined: every user writes what it reads, so a fill would be wasted.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <new>

template <typename T, std::size_t N>
class StackBuffer {
 public:
  StackBuffer() = default;
  StackBuffer(const StackBuffer&) = delete;
  StackBuffer& operator=(const StackBuffer&) = delete;

  // Makes room for count elements, their values undefined; false when the
  // heap area cannot be had (the buffer is then empty).
  bool Resize(std::size_t count) {
    heap_.reset();
    data_ = fixed_.data();
    size_ = 0;
    if (count > N) {
      heap_.reset(new (std::nothrow) T[count]);
      if (heap_ == nullptr) return false;
      data_ = heap_.get();
    }
    size_ = count;
    return true;
  }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  std::array<T, N> fixed_;
  std::unique_ptr<T[]> heap_;
  T* data_ = fixed_.data();
  std::size_t size_ = 0;
};
