// Show for real under Wine: the recorder program stands in for the viewer and
// writes the command line it was started with; the custom command, START and
// shell paths reach it, a missing program is reported, the focus wait holds,
// the custom viewer is started in the show state asked for, and no launch
// leaves a handle open.
#include <windows.h>
#include <oleauto.h>
#define SECURITY_WIN32
#include <security.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_local_memory.h"
#include "child_process.h"
#include "loaded_server.h"
#include "recorder_output.h"
#include "test_bstr.h"
#include "test_paths.h"
#include "tools/trace_capture/debug_capture.h"
#include "viewer/start_command.h"

namespace {

constexpr wchar_t kScheme[] = L"zevtest";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A URL protocol whose "open" command is handler (the recorder unless told
// otherwise): the START and shell paths reach it. Wine's HKEY_CLASSES_ROOT
// reads HKLM\Software\Classes only.
void RegisterRecorderProtocol(const std::wstring& handler = Quoted(testing_paths::ToolPath(L"recorder"))) {
  const std::wstring key = std::wstring(L"Software\\Classes\\") + kScheme;
  const std::wstring command = handler + L" \"%1\"";
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, L"URL:zevtest", sizeof L"URL:zevtest");
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"URL Protocol", REG_SZ, L"", sizeof L"");
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, (key + L"\\shell\\open\\command").c_str(), nullptr, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

void UnregisterRecorderProtocol() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + kScheme).c_str());
}

// Points http's "open" command at the recorder while it lives, and puts the
// prefix's own one (winebrowser) back afterwards: the ArchiveLink test in the
// same prefix needs it.
class HttpHandledByRecorder {
 public:
  HttpHandledByRecorder() {
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) == ERROR_SUCCESS) {
      saved_.resize(size / sizeof(wchar_t));
      had_ = RegGetValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, RRF_RT_REG_SZ, nullptr, saved_.data(), &size) ==
             ERROR_SUCCESS;
      saved_.resize(wcslen(saved_.c_str()));
    }
    Set(Quoted(testing_paths::ToolPath(L"recorder")) + L" \"%1\"");
  }
  HttpHandledByRecorder(const HttpHandledByRecorder&) = delete;
  HttpHandledByRecorder& operator=(const HttpHandledByRecorder&) = delete;
  ~HttpHandledByRecorder() {
    if (had_) {
      Set(saved_);
    } else {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kKey, nullptr);
    }
  }

 private:
  static constexpr wchar_t kKey[] = L"Software\\Classes\\http\\shell\\open\\command";
  static void Set(const std::wstring& command) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kKey, nullptr, REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  }
  std::wstring saved_;
  bool had_ = false;
};

// Wine's ntdll exports its version; Windows' does not.
bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

// A viewer made through the DLL's own class object.
class ViewerFixture {
 public:
  ViewerFixture() {
    if (IClassFactory* factory = server_.ViewerClassObject()) {
      factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer_.put()));
      factory->Release();
    }
  }
  IDorvex_ZevEvover* viewer() const { return viewer_.get(); }

  // The SRV / r / A1 / "A B" document, with the custom command given.
  void SetDocument(const std::wstring& customCommand) {
    viewer_->put_Server(NewBstr(std::wstring(kScheme) + L"://host").get());
    viewer_->put_UrlRoot(NewBstr(L"/r").get());
    viewer_->put_ContRep(NewBstr(L"A1").get());
    viewer_->put_DID(NewBstr(L"A B").get());
    viewer_->ClearCC();
    if (!customCommand.empty()) viewer_->AddCC(NewBstr(customCommand).get());
  }

 private:
  LoadedServer server_;
  ComRef<IDorvex_ZevEvover> viewer_;
};

const std::wstring kDocumentUrl = std::wstring(kScheme) + L"://host/r/.archiveLink?viewDoc&contRep=A1&docID=A%20B";

class ShowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, fixture_.viewer()) << "no viewer from the class object";
  }
  void TearDown() override { UnregisterRecorderProtocol(); }
  long ReturnCode() {
    long code = -1;
    EXPECT_EQ(S_OK, viewer()->get_ReturnCode(&code));
    return code;
  }
  std::wstring LastErrorText() {
    UniqueBstr text;
    EXPECT_EQ(S_OK, viewer()->get_LastErrorText(text.put()));
    return BstrText(text.get());
  }
  IDorvex_ZevEvover* viewer() { return fixture_.viewer(); }

  RecorderOutput recorder_{L"zevevov-show"};
  ViewerFixture fixture_;
};

TEST_F(ShowTest, CustomCommandStartsTheProgramWithTheQuotedUrl) {
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  fixture_.SetDocument(Quoted(recorder) + L" {0}");
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_EQ(0, ReturnCode());
  EXPECT_EQ(L"", LastErrorText());

  std::vector<std::wstring> lines = recorder_.WaitForLines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(Quoted(recorder) + L" " + Quoted(kDocumentUrl), lines[0]);

  UniqueBstr useStart;
  ASSERT_EQ(S_OK, viewer()->get_UseStartCmd(useStart.put()));
  EXPECT_EQ(L"true", BstrText(useStart.get())) << "a custom command switches UseStartCmd on";
}

// A viewer in a folder whose name holds characters outside ASCII, written as
// they are next to an escape: the program is found and started.
TEST_F(ShowTest, CustomCommandPathOutsideAscii) {
  const std::wstring folder = L"C:\\zevevov-B\u00fccher \u00e9t\u00e9";
  const std::wstring viewer = folder + L"\\viewer.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(testing_paths::ToolPath(L"recorder").c_str(), viewer.c_str(), FALSE));
  fixture_.SetDocument(Quoted(viewer) + L"%20{0}");
  ASSERT_EQ(S_OK, this->viewer()->Show());
  EXPECT_EQ(0, ReturnCode()) << testing::PrintToString(LastErrorText());
  std::vector<std::wstring> lines = recorder_.WaitForLines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(Quoted(viewer) + L" " + Quoted(kDocumentUrl), lines[0]);
  DeleteFileW(viewer.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(ShowTest, ShowExTakesTheDocumentIdAndTwoPlaceholdersGetTheUrlTwice) {
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  fixture_.SetDocument(Quoted(recorder) + L" {0} --again {0}");
  ASSERT_EQ(S_OK, viewer()->ShowEx(NewBstr(L"D&2=x").get()));
  const std::wstring url = std::wstring(kScheme) + L"://host/r/.archiveLink?viewDoc&contRep=A1&docID=D%262%3dx";
  std::vector<std::wstring> lines = recorder_.WaitForLines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(Quoted(recorder) + L" " + Quoted(url) + L" --again " + Quoted(url), lines[0]);
  UniqueBstr did;
  ASSERT_EQ(S_OK, viewer()->get_DID(did.put()));
  EXPECT_EQ(L"D&2=x", BstrText(did.get()));
}

// Every URL through START reaches the handler of its scheme, and the handler
// gets exactly the URL: cmd neither splits it at its own characters nor lets a
// second program start. The document id holds no "%": one after a variable
// changes what Wine's cmd expands (README's Wine list).
TEST_F(ShowTest, StartCommandHandsEachHandlerTheExactUrl) {
  RegisterRecorderProtocol();
  const HttpHandledByRecorder http;
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  // Windows' cmd expands neither (!NAME! at execution, its result not read
  // again). Wine's cmd reads the result once more and expands a variable in
  // it, and Wine's START expands %NAME% itself as well (measured).
  const std::wstring comspec = RunsUnderWine() ? EnvironmentValue(L"COMSPEC") : L"";
  const auto arrived = [&](const wchar_t* reference) { return comspec.empty() ? std::wstring(reference) : comspec; };
  const std::wstring query = L"/r/.archiveLink?viewDoc&contRep=A1&docID=AB";
  const struct {
    const char* name;
    std::wstring server;
    std::wstring url;  // as it must arrive
  } cases[] = {
      {"a registered protocol", L"zevtest://host", L"zevtest://host" + query},
      {"http", L"http://host", L"http://host" + query},
      {"%COMSPEC%", L"zevtest://host/%COMSPEC%", L"zevtest://host/" + arrived(L"%COMSPEC%") + query},
      {"!COMSPEC!", L"zevtest://host/!COMSPEC!", L"zevtest://host/" + arrived(L"!COMSPEC!") + query},
      {"carets", L"zevtest://host/^x^^", L"zevtest://host/^x^^" + query},
      {"cmd's separators", L"zevtest://host/a&b&&c|d<e>f(g)", L"zevtest://host/a&b&&c|d<e>f(g)" + query},
      {"quotes", L"zevtest://host/\" & \"x", L"zevtest://host/%22 & %22x" + query},
  };
  size_t launched = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixture_.SetDocument(L"");
    ASSERT_EQ(S_OK, viewer()->put_Server(NewBstr(c.server).get()));
    ASSERT_EQ(S_OK, viewer()->put_DID(NewBstr(L"AB").get()));
    ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"true").get()));
    ASSERT_EQ(S_OK, viewer()->Show());
    EXPECT_EQ(0, ReturnCode()) << testing::PrintToString(LastErrorText());
    EXPECT_EQ(L"", LastErrorText());
    // One launch at a time, so that each line belongs to its case.
    const std::vector<std::wstring> lines = recorder_.WaitForLines(++launched);
    ASSERT_EQ(launched, lines.size()) << "the handler was not started";
    EXPECT_EQ(Quoted(recorder) + L" " + Quoted(c.url), lines.back());
  }
}

// A folder of the test's own, made the current folder while the test runs;
// removed with what it holds afterwards.
class CurrentFolder {
 public:
  CurrentFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"zevevov-planted-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path_.c_str(), nullptr);
    GetCurrentDirectoryW(MAX_PATH, previous_);
    SetCurrentDirectoryW(path_.c_str());
  }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;
  ~CurrentFolder() {
    SetCurrentDirectoryW(previous_);
    DeleteFileW((path_ + L"\\cmd.exe").c_str());
    RemoveDirectoryW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  wchar_t previous_[MAX_PATH] = {};
};

// A cmd.exe in the caller's current folder (here the recorder, which would
// record "cmd ...") must not run in place of the system's. The document id
// holds references to cmd's own variables, which cmd would expand inside the
// quoted URL; Wine's cmd has none of them, Windows' keeps the delayed
// expansion's result as it is.
TEST_F(ShowTest, StartCommandRunsTheSystemCmdAndKeepsPercentSigns) {
  RegisterRecorderProtocol();
  CurrentFolder folder;
  ASSERT_TRUE(CopyFileW(testing_paths::ToolPath(L"recorder").c_str(), (folder.path() + L"\\cmd.exe").c_str(), FALSE));
  fixture_.SetDocument(L"");
  ASSERT_EQ(S_OK, viewer()->put_DID(NewBstr(L"%CMDCMDLINE%,%CMDCMDLINE:~5%!x!").get()));
  ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"true").get()));
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_EQ(0, ReturnCode()) << testing::PrintToString(LastErrorText());
  const std::wstring url =
      std::wstring(kScheme) + L"://host/r/.archiveLink?viewDoc&contRep=A1&docID=%CMDCMDLINE%%2c%CMDCMDLINE:~5%!x!";
  // The handler's line (cmd, START and the handler take seconds to start under
  // emulation), then a while for a second one from a planted cmd.
  ASSERT_EQ(1u, recorder_.WaitForLines(1).size()) << "the handler was not started";
  const std::vector<std::wstring> lines = recorder_.WaitForLines(2, 3000);
  ASSERT_EQ(1u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(Quoted(testing_paths::ToolPath(L"recorder")) + L" " + Quoted(url), lines[0]);
}

// A protocol nobody registered: START fails and cmd ends with exit code 1
// under Wine ("ShellExecuteEx failed" on its hidden console), which Show
// reports. Windows' START was not measured here.
TEST_F(ShowTest, StartCommandReportsWhatCmdReports) {
  if (!RunsUnderWine()) GTEST_SKIP() << "exit code measured under Wine only";
  fixture_.SetDocument(L"");
  ASSERT_EQ(S_OK, viewer()->put_Server(NewBstr(L"zevnoproto://nowhere").get()));
  ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"true").get()));
  const ULONGLONG begin = GetTickCount64();
  ASSERT_EQ(S_OK, viewer()->Show());
  // Under emulation cmd may outlast the wait; Show then rightly says 0.
  if (ReturnCode() == 0 && GetTickCount64() - begin >= kStartCommandExitWaitMs) {
    GTEST_SKIP() << "cmd ran longer than Show waits for it";
  }
  EXPECT_EQ(745, ReturnCode());
  EXPECT_EQ(L"Unable to open the url:\r\n'cmd /V:ON /C  START \"\" \"zevnoproto://nowhere/r/"
            L".archiveLink?viewDoc&contRep=A1&docID=A%20B\"'\r\nSTART failed: cmd ended with exit code 1",
            LastErrorText());
}

// A URL of 1000 characters through START. Wine's start.exe overruns its stack
// on one of more than 279 characters and ends with exit code 0 (README's Wine
// list): cmd ends with 0, nothing starts, and Show cannot tell. Windows hands
// it on. A short URL after it shows which of the two ran.
TEST_F(ShowTest, StartCommandWithALongUrl) {
  RegisterRecorderProtocol();
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  const std::wstring head = std::wstring(kScheme) + L"://host/r/.archiveLink?viewDoc&contRep=A1&docID=";
  const std::wstring longId(1000 - head.size(), L'a');
  const struct {
    std::wstring did;
    bool starts;
  } shows[] = {{longId, !RunsUnderWine()}, {L"AB", true}};
  std::vector<std::wstring> expected;
  for (const auto& show : shows) {
    fixture_.SetDocument(L"");
    ASSERT_EQ(S_OK, viewer()->put_DID(NewBstr(show.did).get()));
    ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"true").get()));
    ASSERT_EQ(S_OK, viewer()->Show());
    EXPECT_EQ(0, ReturnCode()) << testing::PrintToString(LastErrorText());
    if (show.starts) expected.push_back(Quoted(recorder) + L" " + Quoted(head + show.did));
  }
  EXPECT_EQ(expected, recorder_.WaitForLines(expected.size()));
}

TEST_F(ShowTest, ShellOpenReachesTheProtocolHandler) {
  RegisterRecorderProtocol();
  fixture_.SetDocument(L"");
  ASSERT_EQ(S_OK, viewer()->put_ShowFlag(NewBstr(L"SW_SHOWNORMAL").get()));
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_EQ(0, ReturnCode());
  EXPECT_EQ(L"", LastErrorText());
  std::vector<std::wstring> lines = recorder_.WaitForLines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::wstring::npos, lines[0].find(kDocumentUrl)) << testing::PrintToString(lines[0]);
}

TEST_F(ShowTest, QuoteInServerCannotStartASecondProgram) {
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  // Through START the command interpreter would run "&" commands outside quotes.
  fixture_.SetDocument(L"");
  ASSERT_EQ(S_OK, viewer()->put_Server(NewBstr(L"x\" & " + Quoted(recorder) + L" injected & \"").get()));
  ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"true").get()));
  ASSERT_EQ(S_OK, viewer()->Show());
  // Wait a while for a program that must not come.
  std::vector<std::wstring> lines = recorder_.WaitForLines(1, 3000);
  EXPECT_TRUE(lines.empty()) << testing::PrintToString(lines.empty() ? L"" : lines[0]);
}

TEST_F(ShowTest, MissingProgramIsReportedNotReturned) {
  fixture_.SetDocument(L"\"C:\\no\\such\\viewer.exe\" {0}");
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_EQ(745, ReturnCode());
  // The system's own text for the code, in the user's default language, its
  // line breaks turned into blanks and nothing trimmed.
  UniqueLocalMemory<wchar_t> message;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(message.put()), 0,
      nullptr);
  ASSERT_NE(0u, length);
  std::wstring systemText(message.get(), length);
  std::replace(systemText.begin(), systemText.end(), L'\r', L' ');
  std::replace(systemText.begin(), systemText.end(), L'\n', L' ');
  EXPECT_EQ(L"Unable to open the url:\r\n'\"C:\\no\\such\\viewer.exe\" " + Quoted(kDocumentUrl) +
                L"'\r\nSystemError: 2 " + systemText,
            LastErrorText());

  // The next successful launch resets the report.
  fixture_.SetDocument(Quoted(testing_paths::ToolPath(L"recorder")) + L" {0}");
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_EQ(0, ReturnCode());
  EXPECT_EQ(L"", LastErrorText());
  EXPECT_EQ(1u, recorder_.WaitForLines(1).size()) << "only the second launch started a program";
}

TEST_F(ShowTest, KeepFocusWaitsBeforeReturning) {
  fixture_.SetDocument(Quoted(testing_paths::ToolPath(L"recorder")) + L" {0}");
  ASSERT_EQ(S_OK, viewer()->put_KeepFocusOnSap(NewBstr(L"true").get()));
  ASSERT_EQ(S_OK, viewer()->put_FocusWaitMS(NewBstr(L"1500").get()));
  const ULONGLONG start = GetTickCount64();
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_GE(GetTickCount64() - start, 1500u);

  // A negative wait does not wait at all.
  ASSERT_EQ(S_OK, viewer()->put_FocusWaitMS(NewBstr(L"-1").get()));
  const ULONGLONG again = GetTickCount64();
  ASSERT_EQ(S_OK, viewer()->Show());
  EXPECT_LT(GetTickCount64() - again, 1500u);
  EXPECT_EQ(2u, recorder_.WaitForLines(2).size());
}

// Stands in for a viewer that wants to know how it was asked to show its
// window: appends the STARTUPINFO flags and show state it was started with,
// as one line, to the recorder's file.
CHILD_SCENARIO(record_startup) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  wchar_t path[MAX_PATH] = {};
  const DWORD pathLength = GetEnvironmentVariableW(L"RECORDER_OUTPUT", path, MAX_PATH);
  if (pathLength == 0 || pathLength >= MAX_PATH) return 1;
  char line[64];
  const int length = snprintf(line, sizeof line, "flags=%lu show=%u\n", startup.dwFlags,
                              static_cast<unsigned>(startup.wShowWindow));
  const UniqueHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(file.get(), line, static_cast<DWORD>(length), &written, nullptr);
  return ok ? 0 : 1;
}

// Wine's shell starts a protocol handler shown normally whatever nShow says,
// so only the process launch is checked here.
TEST_F(ShowTest, CustomViewerIsShownAsShowFlagSays) {
  fixture_.SetDocument(ChildCommandLine(L"record_startup") + L" {0}");
  const struct {
    const wchar_t* showFlag;
    const wchar_t* expected;
  } cases[] = {
      {L"SW_SHOWMINNOACTIVE", L"flags=1 show=7"},
      {L"65539", L"flags=1 show=3"},  // the low 16 bits of the number
  };
  size_t launched = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.showFlag)));
    ASSERT_EQ(S_OK, viewer()->put_ShowFlag(NewBstr(c.showFlag).get()));
    ASSERT_EQ(S_OK, viewer()->Show());
    EXPECT_EQ(0, ReturnCode()) << testing::PrintToString(LastErrorText());
    const std::vector<std::wstring> lines = recorder_.WaitForLines(++launched);
    ASSERT_EQ(launched, lines.size());
    EXPECT_EQ(c.expected, lines.back());
  }
}

// Handles open in this process: the handle values that name an object.
// Wine's GetProcessHandleCount always answers 0.
size_t OpenHandles() {
  constexpr ULONG_PTR kHandleValueLimit = 0x10000;
  size_t count = 0;
  DWORD flags = 0;
  for (ULONG_PTR value = 4; value < kHandleValueLimit; value += 4) {
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

TEST_F(ShowTest, LaunchesLeaveNoHandleOpen) {
  RegisterRecorderProtocol();
  const struct {
    const char* name;
    std::wstring customCommand;  // empty: the shell's "open"
  } cases[] = {
      {"process", Quoted(testing_paths::ToolPath(L"recorder")) + L" {0}"},
      {"shell", L""},
  };
  constexpr size_t kShows = 4;
  size_t launched = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixture_.SetDocument(c.customCommand);
    // The custom command of the case before switched UseStartCmd on.
    ASSERT_EQ(S_OK, viewer()->put_UseStartCmd(NewBstr(L"false").get()));
    // The first launch loads and sets up what the platform keeps for later ones.
    ASSERT_EQ(S_OK, viewer()->Show());
    ++launched;
    ASSERT_EQ(launched, recorder_.WaitForLines(launched).size());
    const size_t before = OpenHandles();
    for (size_t i = 0; i < kShows; ++i) ASSERT_EQ(S_OK, viewer()->Show());
    launched += kShows;
    ASSERT_EQ(launched, recorder_.WaitForLines(launched).size());
    EXPECT_EQ(0, ReturnCode());
    EXPECT_EQ(before, OpenHandles()) << "handles left open by " << kShows << " launches";
  }
}

// The trace of one Show with a custom command and the user name, as the debug
// output carries it. A debuggee in a single-threaded apartment stalls under
// Wine, so the child stays in the multithreaded one.
CHILD_SCENARIO(show_with_trace) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  int result = 0;
  {
    ViewerFixture fixture;
    if (fixture.viewer() == nullptr) return 10;
    fixture.SetDocument(Quoted(testing_paths::ToolPath(L"recorder")) + L" {0}");
    fixture.viewer()->put_SendUser(VARIANT_TRUE);
    if (fixture.viewer()->Show() != S_OK) result = 11;
  }
  CoUninitialize();
  return result;
}

TEST_F(ShowTest, TraceLinesOfOneShow) {
  CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"show_with_trace"), 60000);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(0u, run.exitCode);

  // Wine has no principal name for a local account (1332); the lookup goes on
  // to the account name, which the URL then carries escaped.
  wchar_t account[350];
  ULONG size = 350;
  ASSERT_TRUE(GetUserNameExW(NameSamCompatible, account, &size));
  std::wstring escaped;
  for (const wchar_t* c = account; *c; ++c) escaped += *c == L'\\' ? std::wstring(L"%5c") : std::wstring(1, *c);
  const std::wstring url = kDocumentUrl + L"&user=" + escaped;
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");

  const std::vector<std::wstring> expected = {
      L"Server:      " + std::wstring(kScheme) + L"://host",
      L"UrlRoot:     /r",
      L"ContRep:     A1",
      L"SapDocid:    A B",
      L"Unable to get NameUserPrincipal, trying NameSamCompatible (Error: 1332)",
      L"Show:        '" + Quoted(recorder) + L" " + Quoted(url) + L"'",
      L"exit Show",
  };
  EXPECT_EQ(expected, TraceMessages(run));
  for (const std::wstring& line : run.lines) {
    if (line.rfind(L": (TID=", 0) != 0) continue;
    EXPECT_EQ(L"\r\n", line.substr(line.size() - 2)) << "every trace line ends its own line";
  }
  std::vector<std::wstring> lines = recorder_.WaitForLines(1);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(Quoted(recorder) + L" " + Quoted(url), lines[0]);
}

}  // namespace
