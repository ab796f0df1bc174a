// Owns one module handle from LoadLibraryExW; frees it on destruction.
#pragma once

#include <windows.h>

class UniqueModule {
 public:
  explicit UniqueModule(HMODULE module = nullptr) : module_(module) {}
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  ~UniqueModule() { reset(); }

  HMODULE get() const { return module_; }
  void reset(HMODULE module = nullptr) {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = module;
  }

 private:
  HMODULE module_;
};
