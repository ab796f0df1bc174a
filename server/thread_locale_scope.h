// Runs a registration entry point under the system default locale, so that the
// scripts are read in the system's ANSI code page, and gives the caller's
// thread locale back on every way out.
#pragma once

#include <windows.h>

class ThreadLocaleScope {
 public:
  ThreadLocaleScope() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;
  ~ThreadLocaleScope() { SetThreadLocale(saved_); }

 private:
  LCID saved_;
};
