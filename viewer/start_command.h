// The START path: the system's command interpreter runs START with the
// document URL, in a hidden console.
//
// cmd expands %NAME% while it reads its command line, before it splits the
// line at & | < > and before quotes mean anything, and nothing protects a "%"
// inside quotes; a variable such as %CMDCMDLINE%, which exists on every PC and
// holds quotes, would end the URL's quoting and turn its "&" into command
// separators. So the URL never appears in cmd's command line: it travels in
// the child's environment, and /V:ON lets START receive it through
// !ZEVEVOV_DOCUMENT_URL!, which cmd expands only when it runs the already
// split command, and whose result it neither splits nor expands again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/hresult.h"
#include "viewer/viewer_platform.h"

inline constexpr char16_t kStartUrlVariable[] = u"ZEVEVOV_DOCUMENT_URL";
// The command line cmd receives; no character of it comes from a caller.
inline constexpr char16_t kStartCommandLine[] = u"cmd /V:ON /C  START \"\" !ZEVEVOV_DOCUMENT_URL!";
// What the trace and the error text show: the command as cmd runs it, the URL
// in place of the variable reference.
inline constexpr char16_t kStartCommandShownPrefix[] = u"cmd /V:ON /C  START \"\" ";

// How long Show waits for cmd to end. cmd ends as soon as START has handed the
// URL on, and its exit code is then START's result: a protocol or file type
// without a handler ends it with a code other than 0 (1 under Wine). Measured
// under Wine on a busy 2-core machine: 0.5 to 2.2 s from CreateProcessW to
// the end of cmd; an emulated x86 PC starts processes 6 to 8 times slower.
// A cmd that runs longer (START waiting for a dialog of the shell's, a slow
// PC) is left running and the launch counts as done.
inline constexpr std::uint32_t kStartCommandExitWaitMs = 5000;

// The system's cmd.exe by its full path. A bare "cmd" would be searched for
// in the caller's folder and the current folder first.
std::u16string CommandInterpreterPath(std::u16string_view systemDirectory);

// The caller's environment block (entries each ending in NUL, the block's own
// final NUL left off) with kStartUrlVariable set to url: an entry of that name
// in any letter case is dropped, the new one goes where the block's order by
// name (letter case aside) puts it, and the result ends in the extra NUL that
// CreateProcessW wants. May throw std::bad_alloc.
std::u16string StartCommandEnvironment(std::u16string_view callerBlock, std::u16string_view url);

// What the START path hands CreateProcessW besides its fixed flags.
struct StartCommandLaunch {
  std::u16string applicationName;
  std::u16string commandLine;  // a writable copy of kStartCommandLine
  std::u16string environment;
};

// The last line of LastErrorText for a START launch whose cmd ended with
// exitCode other than 0. cmd writes START's own reason to its hidden console;
// reading it would take an inheritable pipe, which cmd would hand on to the
// viewer with every other inheritable handle of SAP's, and a read that waits
// for as long as any of them keeps it open. The exit code says enough.
HResult StartCommandFailureText(std::uint32_t exitCode, std::u16string& text);

// Prepares the launch of url through START. False, with the platform's error,
// when the system directory cannot be had. May throw std::bad_alloc.
bool PrepareStartCommand(ViewerPlatform& platform, std::u16string_view url, StartCommandLaunch& launch,
                         std::uint32_t& error);
