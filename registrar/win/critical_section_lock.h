// Owns one critical section, created with InitializeCriticalSectionEx and
// deleted on destruction only when it was initialised. A section that was never
// set up is never entered either: a registrar whose lock failed is still
// destroyed, and its table's final reset goes through the lock.
#pragma once

#include <windows.h>

#include "base/hresult.h"
#include "base/win/last_error.h"
#include "registrar/table_lock.h"

namespace registrar {

class CriticalSectionLock final : public TableLock {
 public:
  CriticalSectionLock() = default;
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
  ~CriticalSectionLock() override {
    if (initialized_) DeleteCriticalSection(&section_);
  }

  // The last error as an HRESULT when the section cannot be set up;
  // the lock must not be used then.
  HResult Initialize() {
    if (!InitializeCriticalSectionEx(&section_, 0, 0)) return LastErrorResult();
    initialized_ = true;
    return hr::kOk;
  }

  void Enter() override {
    if (initialized_) EnterCriticalSection(&section_);
  }
  void Leave() override {
    if (initialized_) LeaveCriticalSection(&section_);
  }

 private:
  CRITICAL_SECTION section_{};
  bool initialized_ = false;
};

}  // namespace registrar
