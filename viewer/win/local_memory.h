// Owns one block from LocalAlloc (as FormatMessageW allocates its text);
// frees it with LocalFree on destruction.
#pragma once

#include <windows.h>

template <typename T>
class LocalMemory {
 public:
  LocalMemory() = default;
  LocalMemory(const LocalMemory&) = delete;
  LocalMemory& operator=(const LocalMemory&) = delete;
  ~LocalMemory() {
    if (block_ != nullptr) LocalFree(block_);
  }

  T* get() const { return block_; }
  // The slot for an out parameter; only for an empty owner.
  T** put() { return &block_; }

 private:
  T* block_ = nullptr;
};
