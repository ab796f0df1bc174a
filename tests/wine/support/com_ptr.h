// Owns one COM interface reference; releases it on destruction.
#pragma once

#include <unknwn.h>

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Releases what is held and hands out the slot for an out parameter.
  T** put() {
    reset();
    return &ptr_;
  }
  void reset() {
    if (ptr_) ptr_->Release();
    ptr_ = nullptr;
  }
  T* release() {
    T* p = ptr_;
    ptr_ = nullptr;
    return p;
  }

 private:
  T* ptr_ = nullptr;
};
