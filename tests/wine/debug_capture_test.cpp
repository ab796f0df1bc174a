// The capture helper itself: every OutputDebugStringW call of a debuggee
// arrives whole and in order, long lines included, with the exit code.
#include <windows.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "tools/trace_capture/debug_capture.h"

namespace {

constexpr size_t kLongLine = 5000;

}  // namespace

CHILD_SCENARIO(emit_lines) {
  OutputDebugStringW(L": (TID=  12): Vexdor.ZevEvov : first\r\n");
  OutputDebugStringW(L"not a trace line");
  OutputDebugStringW(std::wstring(kLongLine, L'x').c_str());
  OutputDebugStringW(L": (TID=12345): Vexdor.ZevEvov : last\r\n");
  return 7;
}

TEST(DebugCapture, CollectsEveryLineAndTheExitCode) {
  CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"emit_lines"), 30000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(7u, run.exitCode);
  ASSERT_EQ(4u, run.lines.size());
  EXPECT_EQ(L": (TID=  12): Vexdor.ZevEvov : first\r\n", run.lines[0]);
  EXPECT_EQ(L"not a trace line", run.lines[1]);
  EXPECT_EQ(std::wstring(kLongLine, L'x'), run.lines[2]);

  std::vector<std::wstring> messages = TraceMessages(run);
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(L"first", messages[0]);
  EXPECT_EQ(L"last", messages[1]);
}

TEST(DebugCapture, ReportsAProgramThatDoesNotStart) {
  CapturedRun run = RunCapturingDebugOutput(L"\"C:\\no\\such\\program.exe\"", 5000);
  EXPECT_FALSE(run.started);
}
