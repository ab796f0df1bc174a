// Owns one critical section: set up by Initialize(), which can fail and is
// therefore a step of its own, and deleted on destruction (or by Delete())
// only when it was set up. Re-entrant, as every critical section is.
#pragma once

#include <windows.h>

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { Delete(); }

  // False when the system could not set the section up; GetLastError tells why.
  bool Initialize() {
    initialized_ = InitializeCriticalSectionEx(&section_, 0, 0) != FALSE;
    return initialized_;
  }
  void Delete() {
    if (initialized_) DeleteCriticalSection(&section_);
    initialized_ = false;
  }
  bool initialized() const { return initialized_; }

  void Enter() { EnterCriticalSection(&section_); }
  void Leave() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_{};
  bool initialized_ = false;
};

// Holds a critical section from construction to destruction.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& section) : section_(section) { section_.Enter(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;
  ~CriticalSectionGuard() { section_.Leave(); }

 private:
  CriticalSection& section_;
};
