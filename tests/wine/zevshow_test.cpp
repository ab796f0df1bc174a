// zevshow.exe as administrators run it, with its output redirected to files:
// a test Show against the regsvr32 registration (the recorder stands in for
// the viewer program), the registration checklist with one thing broken at a
// time, and arguments it refuses.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win/unique_handle.h"
#include "process_runner.h"
#include "recorder_output.h"
#include "test_bitness.h"
#include "test_paths.h"
#include "test_registration.h"
#include "time_scale.h"

namespace {

constexpr DWORD kRunTimeoutMs = 60000;
constexpr wchar_t kProgId[] = L"DorvexZevEvov.Dorvex_ZevEvover";
constexpr wchar_t kClassKey[] = L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}";

std::wstring NeutralTypeLibraryKey() {
  return std::wstring(L"TypeLib\\{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}\\1.0\\0\\") + test_bitness::kPlatformKey;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// One argument quoted the way CommandLineToArgvW and the C run-time read it
// back: backslashes are doubled only before a quote.
std::wstring QuotedArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::wstring ReadUtf8File(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return L"<no file>";
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  std::wstring text(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                      static_cast<int>(text.size()));
  return text;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

struct ProgramRun {
  long exitCode = -1;
  std::wstring out;
  std::wstring err;
};

// A new empty file of its own in the temporary folder.
std::wstring NewTemporaryFile() {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return GetTempFileNameW(folder, L"zvs", 0, path) != 0 ? path : L"";
}

// zevshow started with its standard output and error redirected to files, as
// an administrator's "zevshow ... > ticket.txt" does. Each run gets new
// files: with one fixed name, a run whose file could not be made afresh (an
// earlier run's viewer program may still be starting) read the earlier run's
// output.
class ZevshowProcess {
 public:
  explicit ZevshowProcess(const std::vector<std::wstring>& arguments)
      : outPath_(NewTemporaryFile()), errPath_(NewTemporaryFile()) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    UniqueHandle out(CreateFileW(outPath_.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr));
    UniqueHandle err(CreateFileW(errPath_.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, 0, nullptr));
    if (!out || !err) return;
    std::wstring commandLine = Quoted(testing_paths::ToolPath(L"zevshow"));
    for (const std::wstring& argument : arguments) commandLine += L" " + QuotedArgument(argument);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.get();
    si.hStdError = err.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return;
    process_.reset(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
  }
  ZevshowProcess(const ZevshowProcess&) = delete;
  ZevshowProcess& operator=(const ZevshowProcess&) = delete;

  // Waits for the end and reads both files; exit code -1 when it did not
  // start or end in time.
  ProgramRun Finish(DWORD timeoutMs = kRunTimeoutMs) {
    ProgramRun run;
    if (process_ && WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process_.get(), 1);
    } else if (process_) {
      DWORD code = 0;
      GetExitCodeProcess(process_.get(), &code);
      run.exitCode = static_cast<long>(code);
    }
    process_.reset();
    run.out = ReadUtf8File(outPath_);
    run.err = ReadUtf8File(errPath_);
    DeleteFileW(outPath_.c_str());
    DeleteFileW(errPath_.c_str());
    return run;
  }

 private:
  std::wstring outPath_;
  std::wstring errPath_;
  UniqueHandle process_;
};

ProgramRun RunZevshow(const std::vector<std::wstring>& arguments) { return ZevshowProcess(arguments).Finish(); }

// True when every expected text occurs in the output's lines, each within a
// later line than the one before.
::testing::AssertionResult HasInOrder(const std::wstring& output, const std::vector<std::wstring>& expected) {
  const std::vector<std::wstring> lines = Lines(output);
  size_t at = 0;
  for (const std::wstring& want : expected) {
    while (at < lines.size() && lines[at].find(want) == std::wstring::npos) ++at;
    if (at == lines.size()) {
      return ::testing::AssertionFailure() << "missing, or out of order: " << ::testing::PrintToString(want)
                                           << "\noutput:\n" << ::testing::PrintToString(output);
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

std::vector<std::wstring> FaultLines(const std::wstring& output) {
  std::vector<std::wstring> faults;
  for (const std::wstring& line : Lines(output)) {
    if (line.rfind(L"FAULT", 0) == 0) faults.push_back(line);
  }
  return faults;
}

TEST(Zevshow, TestShowReportsTheLaunch) {
  ScopedTestRegistration registration;
  ASSERT_EQ(S_OK, registration.result());
  const std::wstring recorder = testing_paths::ToolPath(L"recorder");
  const std::wstring toRecorder = Quoted(recorder) + L" {0}";
  const std::wstring missing = L"\"C:\\no\\such\\viewer.exe\" {0}";
  const std::wstring url = L"zevtest://archive.example:8080/sap/bc/contentserver/.archiveLink?viewDoc&contRep=A1"
                           L"&docID=DOC%201%262";
  // The server is not escaped: its characters reach LastErrorText as they are,
  // and Ω is outside every ANSI code page of Western Windows.
  const std::wstring wideServer = L"http://b\u00fccher\u20ac\u03a9.example";
  const std::wstring wideUrl = wideServer + L"/sap/bc/contentserver/.archiveLink?viewDoc&contRep=A1&docID=DOC%201%262";

  struct Case {
    const char* what;
    std::wstring server;
    std::vector<std::wstring> options;
    bool unregister;
    long exitCode;
    std::vector<std::wstring> output;
    std::wstring recorded;  // the recorder's command line, or empty: no start
  };
  const Case cases[] = {
      {"custom command reaches the recorder", L"zevtest://archive.example:8080",
       {L"--command", toRecorder}, false, 0,
       {L"Viewer: DorvexZevEvov.Dorvex_ZevEvover", L"ReturnCode: 0", L"LastErrorText: "},
       Quoted(recorder) + L" " + Quoted(url)},
      {"missing program: 745 and its error text", L"zevtest://archive.example:8080",
       {L"--command", missing}, false, 2,
       {L"ReturnCode: 745", L"LastErrorText: Unable to open the url:",
        L"  '\"C:\\no\\such\\viewer.exe\" " + Quoted(url) + L"'", L"  SystemError: 2 "},
       L""},
      {"--trace prints the run's lines, option words as given", L"zevtest://archive.example:8080",
       {L"--command", toRecorder, L"--show-flag", L"sw_shownormal", L"--keep-focus", L"--focus-wait", L"0",
        L"--trace"},
       false, 0,
       {L"Trace:", L"Vexdor.ZevEvov : AddServer:      zevtest://archive.example:8080",
        L"Vexdor.ZevEvov : SapDocid:    DOC 1&2", L"Vexdor.ZevEvov : ShowFlag: sw_shownormal => 1",
        L"Vexdor.ZevEvov : KeepFocusOnSap: true => true", L"Vexdor.ZevEvov : FocusWaitMS: 0 => 0 ms",
        L"Vexdor.ZevEvov : Show:        '" + Quoted(recorder) + L" " + Quoted(url) + L"'",
        L"Vexdor.ZevEvov : exit Show", L"Vexdor.ZevEvov : exit get_LastErrorText", L"ReturnCode: 0"},
       Quoted(recorder) + L" " + Quoted(url)},
      {"non-ASCII text reaches a redirected file whole", wideServer, {L"--command", missing}, false, 2,
       {L"ReturnCode: 745", L"  '\"C:\\no\\such\\viewer.exe\" " + Quoted(wideUrl) + L"'"}, L""},
      {"unregistered: cannot create, says how to register", L"zevtest://archive.example:8080",
       {L"--command", toRecorder}, true, 3,
       {std::wstring(L"Cannot find ") + kProgId, L"regsvr32", L"msiexec /i Veltara.Desk.ZevEvov.x"}, L""},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecorderOutput recorderOutput(L"zevshow-show");
    if (c.unregister) UnregisterServerForTests();
    std::vector<std::wstring> arguments = {L"--server", c.server, L"--url-root", L"/sap/bc/contentserver",
                                           L"--contrep", L"A1", L"--did", L"DOC 1&2"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const ProgramRun run = RunZevshow(arguments);
    if (c.unregister) {
      ASSERT_EQ(S_OK, RegisterServerForTests());
    }

    EXPECT_EQ(c.exitCode, run.exitCode) << testing::PrintToString(run.out);
    EXPECT_TRUE(HasInOrder(run.out, c.output));
    EXPECT_EQ(L"", run.err);
    if (c.recorded.empty()) {
      EXPECT_EQ(0u, recorderOutput.Lines().size());
    } else {
      EXPECT_EQ(std::vector<std::wstring>{c.recorded}, recorderOutput.WaitForLines(1));
    }
  }
}

// The watch owns the session's debug-output buffer once its events exist.
bool WaitUntilWatching(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    UniqueHandle ready(OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY"));
    if (ready) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

// The SAP-like script under the system's cscript of the test's bitness, its
// custom command the recorder. Gives its process id, 0 when it failed.
DWORD RunScriptClient() {
  std::wstring commandLine = SystemProgram(L"cscript.exe") + L" //nologo " +
                             Quoted(testing_paths::ProgramDirectory() + L"sap_client.vbs") + L" " +
                             Quoted(testing_paths::ToolPath(L"recorder"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  UniqueHandle process(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(process.get(), time_scale::Scaled(kRunTimeoutMs)) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
  } else {
    GetExitCodeProcess(process.get(), &code);
  }
  return code == 0 ? pi.dwProcessId : 0;
}

std::wstring ReplacedAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::wstring::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

// Each case watches for a while (--for, so every case also shows that the
// watch ends by itself), writes a line of its own that is not the viewer's,
// does its part meanwhile, and checks what the watch printed. "{client}"
// stands for the script client's process id and program name, "{self}" for
// this program's.
TEST(Zevshow, WatchPrintsTheSessionsViewerLines) {
  ScopedTestRegistration registration;
  ASSERT_EQ(S_OK, registration.result());
  constexpr wchar_t kOwnLine[] = L"zevshow test: not the viewer's";
  const std::wstring viewerPrefix = L": (TID=   1): Vexdor.ZevEvov : ";
  // What the buffer holds of a line: 4096 bytes less the process id and the
  // terminator.
  constexpr size_t kLongestLine = 4091;
  const std::wstring longLine = viewerPrefix + std::wstring(5000 - viewerPrefix.size(), L'x');

  enum class Part { kNothing, kClientShow, kLongLine, kSecondWatch };
  struct Case {
    const char* what;
    Part part;
    std::vector<std::wstring> options;
    std::vector<std::wstring> output;  // in order
    std::wstring absent;
  };
  const Case cases[] = {
      {"a client's Show: its lines with its process id and name, nothing else", Part::kClientShow, {},
       {L"zevshow --watch: started ", L"{client}: (TID=", L"{client}: (TID=", L"Vexdor.ZevEvov : Show:",
        L"Vexdor.ZevEvov : exit Show", L"lines caught, 1 processes seen, 0 lines cut at the buffer's size"},
       kOwnLine},
      {"--all: every line, with its writer", Part::kNothing, {L"--all"},
       {std::wstring(L"{self}") + kOwnLine, L"lines caught, "}, L"left out"},
      {"a line of 5000 characters is reported as cut", Part::kLongLine, {},
       {L"{self}" + longLine.substr(0, kLongestLine) + L" [cut]",
        L"zevshow --watch: 1 lines caught, 1 processes seen, 1 lines cut at the buffer's size"},
       kOwnLine},
      {"a second watcher is refused, the first goes on", Part::kSecondWatch, {},
       {L"zevshow --watch: 0 lines caught, 0 processes seen, 0 lines cut at the buffer's size"}, kOwnLine},
  };
  const std::wstring self = L"  " + std::to_wstring(GetCurrentProcessId()) + L"  zevshow_test.exe  ";

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecorderOutput recorderOutput(L"zevshow-watch");
    // The script's three Shows take a few seconds here, half a minute in the
    // x86 guest: the watch must outlast them.
    const DWORD seconds = time_scale::Scaled(c.part == Part::kClientShow ? 20000 : 3000) / 1000;
    std::vector<std::wstring> arguments = {L"--watch", L"--for", std::to_wstring(seconds)};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ZevshowProcess watch(arguments);
    ASSERT_TRUE(WaitUntilWatching(time_scale::Scaled(20000)));
    OutputDebugStringW((std::wstring(kOwnLine) + L"\n").c_str());
    std::wstring client;
    switch (c.part) {
      case Part::kNothing:
        break;
      case Part::kClientShow: {
        const DWORD clientId = RunScriptClient();
        EXPECT_NE(0u, clientId);
        client = L"  " + std::to_wstring(clientId) + L"  cscript.exe  ";
        break;
      }
      case Part::kLongLine:
        OutputDebugStringW(longLine.c_str());
        break;
      case Part::kSecondWatch: {
        const ProgramRun second = RunZevshow({L"--watch", L"--for", L"1"});
        EXPECT_EQ(3, second.exitCode);
        EXPECT_EQ(0u, second.err.find(L"zevshow: cannot watch: another debug-output viewer")) << testing::PrintToString(second.err);
        EXPECT_NE(std::wstring::npos, second.err.find(L"(DBWIN_BUFFER)"));
        EXPECT_EQ(L"", second.out);
        break;
      }
    }
    const ProgramRun run = watch.Finish(time_scale::Scaled(seconds * 1000 + kRunTimeoutMs));

    EXPECT_EQ(0, run.exitCode) << testing::PrintToString(run.out);
    EXPECT_NE(std::wstring::npos, run.err.find(L"zevshow --watch: listening for ")) << testing::PrintToString(run.err);
    std::vector<std::wstring> expected;
    for (const std::wstring& want : c.output) {
      expected.push_back(ReplacedAll(ReplacedAll(want, L"{client}", client), L"{self}", self));
    }
    EXPECT_TRUE(HasInOrder(run.out, expected));
    EXPECT_EQ(std::wstring::npos, run.out.find(c.absent)) << testing::PrintToString(run.out);
    if (c.part == Part::kClientShow) {
      // Between the first line and the summary, the client's lines only.
      const std::vector<std::wstring> lines = Lines(run.out);
      for (size_t i = 1; i + 1 < lines.size(); ++i) {
        EXPECT_NE(std::wstring::npos, lines[i].find(client + viewerPrefix.substr(0, 7))) << testing::PrintToString(lines[i]);
      }
    }
  }
}

// The check runs against a registration of a copy of the DLL, which a case
// may delete; after each case regsvr32 writes the registration whole again.
class ZevshowCheck : public testing::Test {
 public:
  void SetUp() override {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    folder_ = std::wstring(folder) + L"zevshow check\\";
    const std::wstring dll = testing_paths::DllPath();
    copy_ = folder_ + dll.substr(dll.find_last_of(L'\\') + 1);
    CreateDirectoryW(folder_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(dll.c_str(), copy_.c_str(), FALSE));
    ASSERT_EQ(0, Regsvr32(L"/s"));
  }
  void TearDown() override {
    CopyFileW(testing_paths::DllPath().c_str(), copy_.c_str(), FALSE);
    Regsvr32(L"/u /s");
    DeleteFileW(copy_.c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  long Regsvr32(const wchar_t* options) const {
    return RunProcess(SystemProgram(L"regsvr32.exe") + L" " + options + L" " + Quoted(copy_));
  }

  std::wstring folder_;
  std::wstring copy_;
};

TEST_F(ZevshowCheck, NamesEachFaultOfTheRegistration) {
  struct Case {
    const char* what;
    // Breaks one thing; true when it could.
    bool (*breakIt)(const ZevshowCheck& test);
    long exitCode;
    const wchar_t* fault;  // the first FAULT line starts with this, or null: none
    bool onlyFault;        // no other FAULT line
    std::vector<std::wstring> output;
  };
  const Case cases[] = {
      {"whole registration", [](const ZevshowCheck&) { return true; }, 0, nullptr, true,
       {std::wstring(L"OK     ProgID ") + kProgId + L": {5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}",
        L"OK     InprocServer32: ", L"OK     ThreadingModel: Free", L"OK     TypeLib locale 0: ",
        L"OK     Interface marshaler: {00020424-0000-0000-C000-000000000046}", L"OK     CreateInstance in process",
        L"-bit view: ", L"All checks OK."}},
      {"ProgID removed",
       [](const ZevshowCheck&) { return RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId) == ERROR_SUCCESS; }, 3,
       L"FAULT  ProgID DorvexZevEvov.Dorvex_ZevEvover: not registered", true,
       {L"--     CurVer: needs the ProgID", L"1 fault(s)", L"regsvr32"}},
      {"InprocServer32 value removed",
       [](const ZevshowCheck&) {
         return RegDeleteKeyValueW(HKEY_CLASSES_ROOT, (std::wstring(kClassKey) + L"\\InprocServer32").c_str(),
                                   nullptr) == ERROR_SUCCESS;
       },
       3, L"FAULT  InprocServer32: no DLL path", true,
       {L"--     DLL file: needs the DLL path", L"OK     ThreadingModel"}},
      {"DLL file removed", [](const ZevshowCheck& test) { return DeleteFileW(test.copy_.c_str()) != FALSE; }, 3,
       L"FAULT  DLL file: missing: ", true, {L"--     DLL bitness: needs the DLL file", L"msiexec /i"}},
      {"type library's locale 0 removed",
       [](const ZevshowCheck&) {
         return RegDeleteTreeW(HKEY_CLASSES_ROOT, NeutralTypeLibraryKey().c_str()) == ERROR_SUCCESS;
       },
       3, L"FAULT  TypeLib locale 0: not registered", true, {L"OK     TypeLib locale 409: "}},
      {"unregistered", [](const ZevshowCheck& test) { return test.Regsvr32(L"/u /s") == 0; }, 3,
       L"FAULT  ProgID DorvexZevEvov.Dorvex_ZevEvover: not registered", false,
       {L"The viewer is not registered for ", L"regsvr32", L"msiexec /i Veltara.Desk.ZevEvov.x"}},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.breakIt(*this));
    const ProgramRun run = RunZevshow({L"--check"});
    ASSERT_TRUE(CopyFileW(testing_paths::DllPath().c_str(), copy_.c_str(), FALSE));
    ASSERT_EQ(0, Regsvr32(L"/s"));

    EXPECT_EQ(c.exitCode, run.exitCode) << testing::PrintToString(run.out);
    const std::vector<std::wstring> faults = FaultLines(run.out);
    if (c.fault == nullptr) {
      EXPECT_TRUE(faults.empty()) << testing::PrintToString(faults);
    } else {
      ASSERT_FALSE(faults.empty()) << testing::PrintToString(run.out);
      EXPECT_EQ(0u, faults[0].rfind(c.fault, 0)) << testing::PrintToString(faults[0]);
      if (c.onlyFault) {
        EXPECT_EQ(1u, faults.size()) << testing::PrintToString(faults);
      }
    }
    EXPECT_TRUE(HasInOrder(run.out, c.output));
  }
}

TEST(Zevshow, RefusesBadArgumentsWithTheUsageText) {
  const std::vector<std::wstring> show = {L"--server", L"http://srv", L"--url-root", L"/r", L"--contrep", L"A1",
                                          L"--did", L"4711"};
  auto with = [&show](std::vector<std::wstring> more) {
    std::vector<std::wstring> arguments = show;
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  };
  struct Case {
    std::vector<std::wstring> arguments;
    long exitCode;
    std::wstring reason;  // the first line on standard error; empty: --help
  };
  const Case cases[] = {
      {{L"--help"}, 0, L""},
      {{}, 1, L"zevshow: no arguments"},
      {{L"--bogus"}, 1, L"zevshow: unknown argument: --bogus"},
      {{L"4711"}, 1, L"zevshow: unknown argument: 4711"},
      {{L"--server", L"http://srv", L"--url-root", L"/r", L"--contrep", L"A1"}, 1, L"zevshow: missing --did"},
      {{L"--contrep", L"A1", L"--did"}, 1, L"zevshow: --did needs a value"},
      {with({L"--did", L"4712"}), 1, L"zevshow: --did is given twice"},
      {with({L"--start-cmd", L"--command", L"x {0}"}), 1, L"zevshow: --start-cmd and --command exclude each other"},
      {with({L"--focus-wait", L"250"}), 1, L"zevshow: --focus-wait needs --keep-focus"},
      {{L"--check", L"--trace"}, 1, L"zevshow: --check takes no other option"},
      {{L"--watch", L"--for", L"0"}, 1, L"zevshow: --for needs whole seconds from 1 to 604800"},
      {{L"--watch", L"--check"}, 1, L"zevshow: --watch takes only --for and --all"},
      {{L"--all"}, 1, L"zevshow: --for and --all need --watch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ProgramRun run = RunZevshow(c.arguments);
    EXPECT_EQ(c.exitCode, run.exitCode);
    const std::wstring& usage = c.reason.empty() ? run.out : run.err;
    EXPECT_NE(std::wstring::npos, usage.find(L"usage:\r\n  zevshow --watch [--for SECONDS] [--all]\r\n  zevshow --server URL")) << testing::PrintToString(usage);
    if (c.reason.empty()) {
      EXPECT_EQ(L"", run.err);
    } else {
      EXPECT_EQ(c.reason, run.err.substr(0, run.err.find(L"\r\n")));
      EXPECT_EQ(L"", run.out);
    }
  }
}

}  // namespace
