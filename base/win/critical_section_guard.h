// Holds a critical section from construction to destruction.
#pragma once

#include "base/win/critical_section.h"

class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CriticalSection& section) : section_(section) { section_.Enter(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;
  ~CriticalSectionGuard() { section_.Leave(); }

 private:
  CriticalSection& section_;
};
