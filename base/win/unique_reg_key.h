// Owns one open registry key; closes it on destruction.
#pragma once

#include <windows.h>

class UniqueRegKey {
 public:
  explicit UniqueRegKey(HKEY key = nullptr) : key_(key) {}
  UniqueRegKey(const UniqueRegKey&) = delete;
  UniqueRegKey& operator=(const UniqueRegKey&) = delete;
  ~UniqueRegKey() { reset(); }

  HKEY get() const { return key_; }
  // Closes what is held and hands out the slot for an out parameter.
  HKEY* put() {
    reset();
    return &key_;
  }
  void reset(HKEY key = nullptr) {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = key;
  }

 private:
  HKEY key_;
};
