// Owns one critical section: set up by Initialize(), which can fail and is
// therefore a step of its own, and deleted on destruction (or by Delete())
// only when it was set up. A section that was never set up is never entered
// either: an owner whose Initialize failed may still be torn down through code
// that takes the lock. Re-entrant, as every critical section is.
#pragma once

#include <windows.h>

#include "base/win/last_error.h"

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { Delete(); }

  // S_OK, or the last error as an HRESULT when the system could not set the
  // section up.
  HRESULT Initialize() {
    if (!InitializeCriticalSectionEx(&section_, 0, 0)) return LastErrorResult();
    initialized_ = true;
    return S_OK;
  }
  void Delete() {
    if (initialized_) DeleteCriticalSection(&section_);
    initialized_ = false;
  }

  void Enter() {
    if (initialized_) EnterCriticalSection(&section_);
  }
  void Leave() {
    if (initialized_) LeaveCriticalSection(&section_);
  }

 private:
  CRITICAL_SECTION section_{};
  bool initialized_ = false;
};
