// Writes zevshow's text to standard output or standard error. A console gets
// it through WriteConsoleW, so every character shows as it is whatever the
// console's code page; a redirected stream (a file, a pipe) gets UTF-8 bytes,
// which keep every character too and which editors and ticket systems read.
#pragma once

#include <windows.h>

#include <string_view>

class TextOutput {
 public:
  // standardHandle: STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit TextOutput(DWORD standardHandle);
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Takes no heap memory, so it also reports running out of it.
  void Write(std::wstring_view text);
  // The text and a line end ("\r\n", as Windows editors expect).
  void WriteLine(std::wstring_view text = {});

 private:
  void WriteUtf8(std::wstring_view text);

  HANDLE handle_;
  bool console_ = false;
};
