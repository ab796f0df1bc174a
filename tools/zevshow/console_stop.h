// Turns Ctrl+C, Ctrl+Break and the closing of the console window into an
// event the watch waits for, so that it ends with its summary instead of
// being ended by the system.
#pragma once

#include <windows.h>

#include "base/win/unique_handle.h"

class ConsoleStop {
 public:
  ConsoleStop();
  ~ConsoleStop();
  ConsoleStop(const ConsoleStop&) = delete;
  ConsoleStop& operator=(const ConsoleStop&) = delete;

  // False when the events or the handler could not be set up.
  explicit operator bool() const { return installed_; }

  // Signalled by one of the console's stop events.
  HANDLE requested() const { return requested_.get(); }
  // Tells a waiting handler that the summary is written; after a window
  // close the system ends the process as soon as the handler returns.
  void Done();

 private:
  static BOOL WINAPI Handler(DWORD event);

  UniqueHandle requested_;
  UniqueHandle done_;
  bool installed_ = false;
};
