// One line the watch caught, as it travels from the listener's thread to the
// writer's.
#pragma once

#include <windows.h>

#include <string>

struct WatchedLine {
  SYSTEMTIME time{};  // local time of arrival
  DWORD processId = 0;
  std::wstring program;
  std::string text;  // as written, in the ANSI code page
  bool cut = false;
};
