// The whole product as the SAP front end meets it: registered with regsvr32,
// driven by a VBScript under the cscript of the test's own bitness (an STA
// client, so every call crosses the type-library marshaler), launching the
// recorder through a custom command; the script's checks, the recorder's
// command lines and the trace. In 64 bits the second launch starts the 32-bit
// recorder where 32-bit programs run: the viewer a custom command names may be
// of either bitness.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "process_runner.h"
#include "recorder_output.h"
#include "test_paths.h"
#include "tools/trace_capture/debug_capture.h"

namespace {

// A debuggee in a single-threaded apartment stalls for about 10 s under Wine
// 8, so the script runs once and every check reads that one run.
constexpr unsigned long kScriptTimeoutMs = 180000;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// True when every expected message occurs in messages, in this order.
::testing::AssertionResult ContainsInOrder(const std::vector<std::wstring>& messages,
                                           const std::vector<std::wstring>& expected) {
  size_t at = 0;
  for (const std::wstring& want : expected) {
    while (at < messages.size() && messages[at] != want) ++at;
    if (at == messages.size()) {
      return ::testing::AssertionFailure() << "missing, or out of order: " << ::testing::PrintToString(want)
                                           << "\nall messages: " << ::testing::PrintToString(messages);
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

class EndToEndTest : public testing::Test {
 protected:
  void SetUp() override {
    dll_ = testing_paths::DllPath();
    ASSERT_EQ(0, RunProcess(SystemProgram(L"regsvr32.exe") + L" /s " + Quoted(dll_)));
  }
  void TearDown() override {
    RunProcess(SystemProgram(L"regsvr32.exe") + L" /u /s " + Quoted(dll_));
  }
  std::wstring dll_;
  RecorderOutput recorder_{L"zevevov-end-to-end"};
};

TEST_F(EndToEndTest, SapLikeScriptShowsDocuments) {
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  const std::wstring secondRecorder = sizeof(void*) == 8 && testing_paths::Runs32BitPrograms()
                                          ? testing_paths::X32BuildDirectory() + L"recorder.exe"
                                          : recorder;
  const std::wstring script = testing_paths::ProgramDirectory() + L"sap_client.vbs";
  CapturedRun run = RunCapturingDebugOutput(SystemProgram(L"cscript.exe") + L" //nologo " + Quoted(script) + L" " +
                                                Quoted(recorder) + L" " + Quoted(secondRecorder),
                                            kScriptTimeoutMs);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(0u, run.exitCode) << "the script's own checks failed (its output above says which)";

  const std::wstring base = L"zevtest://archive.example:8080/sap/bc/contentserver/.archiveLink?viewDoc&contRep=A1";
  const std::wstring first = Quoted(recorder) + L" " + Quoted(base + L"&docID=DOC%201%262");
  const std::wstring second = Quoted(secondRecorder) + L" " + Quoted(base + L"&docID=DOC%202");
  const std::wstring missing = L"\"C:\\no\\such\\viewer.exe\" " + Quoted(base + L"&docID=DOC%202");

  std::vector<std::wstring> messages = TraceMessages(run);
  EXPECT_TRUE(ContainsInOrder(messages, {
                                            L"AddServer:      zevtest:",
                                            L"AddServer:      zevtest://archive.example:8080",
                                            L"AddUrlRoot:     /sap/bc",
                                            L"AddUrlRoot:     /sap/bc/contentserver",
                                            L"ContRep:     A1",
                                            L"SapDocid:    DOC 1&2",
                                            L"ShowFlag: sw_shownormal => 1",
                                            L"KeepFocusOnSap: Yes => true",
                                            L"FocusWaitMS: 250 => 250 ms",
                                            L"Show:        '" + first + L"'",
                                            L"exit get_ReturnCode",
                                            L"exit get_LastErrorText",
                                            L"KeepFocusOnSap: no => false",
                                            L"ShowEx:      DOC 2",
                                            L"Show:        '" + second + L"'",
                                            L"exit Show",
                                            L"Show:        '" + missing + L"'",
                                            L"exit Show",
                                            L"exit get_ReturnCode",
                                        }));
  bool restoredFocus = false;
  for (const std::wstring& m : messages) {
    const std::wstring tail = L", after 250 seconds";
    if (m.rfind(L"exit Show -> restore old Wnd ", 0) == 0 && m.size() > tail.size() &&
        m.compare(m.size() - tail.size(), tail.size(), tail) == 0) {
      restoredFocus = true;
    }
  }
  EXPECT_TRUE(restoredFocus) << "the first Show gives the focus back after 250 ms";

  for (const std::wstring& line : run.lines) {
    if (line.rfind(L": (TID=", 0) != 0) continue;
    EXPECT_EQ(L"): Vexdor.ZevEvov : ", line.substr(line.find(L')'), 20)) << testing::PrintToString(line);
  }

  std::vector<std::wstring> lines = recorder_.WaitForLines(2);
  ASSERT_EQ(2u, lines.size());
  // The recorder's lines come from two processes; their order is the launch order
  // only as far as the processes keep it.
  EXPECT_TRUE((lines[0] == first && lines[1] == second) || (lines[0] == second && lines[1] == first))
      << testing::PrintToString(lines);
}

}  // namespace
