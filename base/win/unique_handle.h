// Owns one kernel handle; closes it on destruction.
#pragma once

#include <windows.h>

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE h = nullptr) : handle_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return handle_; }
  void reset(HANDLE h = nullptr) {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = h;
  }

 private:
  HANDLE handle_;
};
