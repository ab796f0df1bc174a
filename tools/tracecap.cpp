// Runs a command line as a debuggee and prints every line it writes to the
// debug output, then its exit code, which tracecap also exits with:
//   tracecap COMMAND [ARGS...]
// The way to watch the viewer's trace without a debug-output viewer.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tools/trace_capture/debug_capture.h"

namespace {

constexpr unsigned long kTimeoutMs = 300000;

void PrintUtf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// The rest of this program's own command line after its first argument.
std::wstring ChildCommandLine() {
  const wchar_t* p = GetCommandLineW();
  bool quoted = false;
  for (; *p != L'\0'; ++p) {
    if (*p == L'"') quoted = !quoted;
    if (!quoted && (*p == L' ' || *p == L'\t')) break;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

}  // namespace

int wmain(int argc, wchar_t**) {
  if (argc < 2) {
    PrintUtf8(L"usage: tracecap COMMAND [ARGS...]\n");
    return 2;
  }
  CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(), kTimeoutMs);
  if (!run.started) {
    PrintUtf8(L"tracecap: cannot start " + ChildCommandLine() + L"\n");
    return 1;
  }
  PrintUtf8(L"-- debug output --\n");
  for (const std::wstring& line : run.lines) {
    PrintUtf8(line);
    if (line.empty() || line.back() != L'\n') PrintUtf8(L"\n");
  }
  PrintUtf8(run.timedOut ? L"-- timed out --\n" : L"-- exit code " + std::to_wstring(run.exitCode) + L" --\n");
  return run.timedOut ? 1 : static_cast<int>(run.exitCode);
}
