// zevshow's command line: which mode, and for a test Show the values that go
// to the viewer's members. Values are kept exactly as given.
#pragma once

#include <optional>
#include <string>

struct CommandOptions {
  bool help = false;
  bool check = false;
  bool watch = false;
  bool all = false;
  std::optional<std::wstring> forSeconds;
  // --for as a number; 0 without it: until stopped.
  unsigned long watchSeconds = 0;

  std::optional<std::wstring> server;
  std::optional<std::wstring> urlRoot;
  std::optional<std::wstring> contRep;
  std::optional<std::wstring> did;
  bool sendUser = false;
  bool startCmd = false;
  std::optional<std::wstring> command;
  std::optional<std::wstring> showFlag;
  bool keepFocus = false;
  std::optional<std::wstring> focusWait;
  bool trace = false;
};

// Reads the arguments after the program name. False, with a one-line reason in
// error, for anything zevshow does not take: an unknown or repeated option, a
// missing value, a missing or conflicting option of the mode.
bool ParseCommandOptions(int argc, const wchar_t* const* argv, CommandOptions& options, std::wstring& error);

// The usage text, printed for --help and after a bad argument.
extern const wchar_t kUsageText[];
