// Puts the calling thread into a single-threaded apartment for one scope, as
// the SAP front end's thread is, and leaves it on destruction.
#pragma once

#include <objbase.h>

class ApartmentScope {
 public:
  ApartmentScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ApartmentScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ApartmentScope(const ApartmentScope&) = delete;
  ApartmentScope& operator=(const ApartmentScope&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};
