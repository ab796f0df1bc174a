// Runs a program as a debuggee and collects what it writes to the debug
// output (OutputDebugStringW), line by line, with its exit code. This is how
// the tests see the DLL's trace lines: Wine hands every string to the
// debugger whole, also long ones.
#pragma once

#include <string>
#include <vector>

struct CapturedRun {
  bool started = false;
  bool timedOut = false;
  unsigned long exitCode = 0;
  // Each OutputDebugString call as one entry, exactly as delivered.
  std::vector<std::wstring> lines;
};

// commandLine is handed to CreateProcessW as is. A debuggee still running
// after timeoutMs is terminated and reported as timed out.
CapturedRun RunCapturingDebugOutput(const std::wstring& commandLine, unsigned long timeoutMs);

// The trace lines of a run that carry the DLL's prefix, with the prefix and the
// trailing line end removed: the message text alone.
std::vector<std::wstring> TraceMessages(const CapturedRun& run);
