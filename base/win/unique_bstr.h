// Owns one BSTR; frees it on destruction.
#pragma once

#include <windows.h>
#include <oleauto.h>

class UniqueBstr {
 public:
  UniqueBstr() = default;
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { SysFreeString(value_); }

  BSTR get() const { return value_; }
  // Frees what is held and hands out the slot for an out parameter.
  BSTR* put() {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }

 private:
  BSTR value_ = nullptr;
};
