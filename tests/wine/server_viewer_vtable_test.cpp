// A real viewer object through its table of functions: puts and gets with
// real BSTRs, the trace lines as the debug output carries them, and Show's
// launches through the platform (a program that is missing, a program that
// starts, a URL handed to the shell). Trace lines are read by running the
// client as a debuggee, in the multithreaded apartment.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#define SECURITY_WIN32
#include <secext.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_bstr.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_reg_key.h"
#include "child_process.h"
#include "loaded_server.h"
#include "test_bstr.h"
#include "test_paths.h"
#include "tests/support/hresult_check.h"
#include "tools/trace_capture/debug_capture.h"

namespace {

constexpr unsigned long kDebuggeeTimeoutMs = 60000;
constexpr DWORD kRecorderWaitMs = 10000;
constexpr wchar_t kResultMarker[] = L"result ";
constexpr wchar_t kMissingViewer[] = L"C:\\windows\\no-such-viewer.exe";
constexpr wchar_t kShellScheme[] = L"zevevovtest";

// The out slot of a getter, pre-filled with a sentinel: a getter that leaves
// it untouched shows (and the owner then fails to free it).
BSTR* Prefilled(UniqueBstr& value) {
  BSTR* slot = value.put();
  *slot = reinterpret_cast<BSTR>(0xdeadbeef);
  return slot;
}

// A fresh server and one plain viewer through its interface.
class Viewer {
 public:
  Viewer() {
    ComRef<IClassFactory> factory;
    *factory.put() = server_.ViewerClassObject();
    if (factory) factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer_.put()));
  }
  IDorvex_ZevEvover* operator->() const { return viewer_.get(); }
  explicit operator bool() const { return static_cast<bool>(viewer_); }

 private:
  LoadedServer server_;
  ComRef<IDorvex_ZevEvover> viewer_;
};

using StringGetter = HRESULT (STDMETHODCALLTYPE IDorvex_ZevEvover::*)(BSTR*);
using StringSetter = HRESULT (STDMETHODCALLTYPE IDorvex_ZevEvover::*)(BSTR);

std::wstring Get(const Viewer& viewer, StringGetter getter) {
  UniqueBstr value;
  const HRESULT result = (viewer.operator->()->*getter)(Prefilled(value));
  if (FAILED(result)) return L"<failed>";
  return BstrText(value.get());
}

// Writes a line for the parent of a debuggee.
void Report(const std::wstring& text) { OutputDebugStringW((kResultMarker + text).c_str()); }

std::vector<std::wstring> Results(const CapturedRun& run) {
  std::vector<std::wstring> results;
  for (const std::wstring& line : run.lines) {
    if (line.rfind(kResultMarker, 0) == 0) results.push_back(line.substr(wcslen(kResultMarker)));
  }
  return results;
}

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// The recorder's output, once it is there, as UTF-8 turned back into text.
std::wstring WaitForRecorderLine(const std::wstring& path) {
  const ULONGLONG deadline = GetTickCount64() + kRecorderWaitMs;
  std::string bytes;
  while (GetTickCount64() < deadline) {
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    if (file) {
      char chunk[4096];
      DWORD read = 0;
      bytes.clear();
      while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
      if (!bytes.empty() && bytes.back() == '\n') break;
    }
    Sleep(50);
  }
  if (bytes.empty() || bytes.back() != '\n') return L"<no recorder output>";
  bytes.pop_back();
  std::wstring text(bytes.size(), L'\0');
  text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                  static_cast<int>(text.size())));
  return text;
}

// Sets up the debuggee's apartment and reports what Show left behind.
class DebuggeeClient {
 public:
  DebuggeeClient() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~DebuggeeClient() { CoUninitialize(); }

  void ReportOutcome(HRESULT showResult) {
    LONG code = -1;
    viewer->get_ReturnCode(&code);
    UniqueBstr text;
    viewer->get_LastErrorText(Prefilled(text));
    Report(L"hr=" + std::to_wstring(showResult));
    Report(L"ReturnCode=" + std::to_wstring(code));
    Report(L"LastErrorText=" + BstrText(text.get()));
    Report(L"UseStartCmd=" + Get(viewer, &IDorvex_ZevEvover::get_UseStartCmd));
  }

  Viewer viewer;
};

// ---- In process ----

TEST(ViewerVtable, FreshObject) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  const struct {
    const char* name;
    StringGetter getter;
    const wchar_t* expected;
  } cases[] = {
      {"ContRep", &IDorvex_ZevEvover::get_ContRep, L"<null>"},
      {"DID", &IDorvex_ZevEvover::get_DID, L"<null>"},
      {"Server", &IDorvex_ZevEvover::get_Server, L"<null>"},
      {"UrlRoot", &IDorvex_ZevEvover::get_UrlRoot, L"<null>"},
      {"LastErrorText", &IDorvex_ZevEvover::get_LastErrorText, L""},
      {"CustomCommand", &IDorvex_ZevEvover::get_CustomCommand, L""},
      {"UseStartCmd", &IDorvex_ZevEvover::get_UseStartCmd, L"false"},
      {"KeepFocusOnSap", &IDorvex_ZevEvover::get_KeepFocusOnSap, L"false"},
      {"FocusWaitMS", &IDorvex_ZevEvover::get_FocusWaitMS, L"0"},
      {"ShowFlag", &IDorvex_ZevEvover::get_ShowFlag, L"SW_HIDE"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Get(viewer, c.getter)) << c.name;
  LONG code = 0x7eadbeef;
  EXPECT_HR(S_OK, viewer->get_ReturnCode(&code));
  EXPECT_EQ(0, code);
  VARIANT_BOOL sendUser = 0x7ead;
  EXPECT_HR(S_OK, viewer->get_SendUser(&sendUser));
  EXPECT_EQ(VARIANT_FALSE, sendUser);
}

TEST(ViewerVtable, StringPropertiesRoundTrip) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  const struct {
    const char* name;
    StringSetter setter;
    StringGetter getter;
  } properties[] = {
      {"ContRep", &IDorvex_ZevEvover::put_ContRep, &IDorvex_ZevEvover::get_ContRep},
      {"DID", &IDorvex_ZevEvover::put_DID, &IDorvex_ZevEvover::get_DID},
      {"Server", &IDorvex_ZevEvover::put_Server, &IDorvex_ZevEvover::get_Server},
      {"UrlRoot", &IDorvex_ZevEvover::put_UrlRoot, &IDorvex_ZevEvover::get_UrlRoot},
  };
  const struct {
    const char* what;
    bool null;
    std::wstring put;
    const wchar_t* got;
  } values[] = {
      {"plain text", false, L"A1 \x00e4\x20ac", L"A1 \x00e4\x20ac"},
      {"text with a NUL inside: stored up to it", false, std::wstring(L"ab\0cd", 5), L"ab"},
      {"empty: stored empty, not null", false, L"", L""},
      {"null", true, L"", L"<null>"},
  };
  for (const auto& p : properties) {
    for (const auto& v : values) {
      SCOPED_TRACE(testing::Message() << p.name << ", " << v.what);
      UniqueBstr value = NewBstr(v.put);
      EXPECT_HR(S_OK, ((*viewer.operator->()).*p.setter)(v.null ? nullptr : value.get()));
      EXPECT_EQ(v.got, Get(viewer, p.getter));
    }
  }
}

TEST(ViewerVtable, GettersHandOutFreshCopies) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  UniqueBstr value = NewBstr(L"R1");
  ASSERT_HR(S_OK, viewer->put_ContRep(value.get()));
  UniqueBstr first, second;
  ASSERT_HR(S_OK, viewer->get_ContRep(Prefilled(first)));
  ASSERT_HR(S_OK, viewer->get_ContRep(Prefilled(second)));
  EXPECT_NE(first.get(), second.get());
  EXPECT_NE(value.get(), first.get());
  EXPECT_EQ(L"R1", BstrText(first.get()));
  EXPECT_EQ(L"R1", BstrText(second.get()));

  // Putting back the very string the object would hand out changes nothing.
  ASSERT_HR(S_OK, viewer->put_ContRep(first.get()));
  EXPECT_EQ(L"R1", Get(viewer, &IDorvex_ZevEvover::get_ContRep));
}

TEST(ViewerVtable, AddAndClear) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  UniqueBstr part1 = NewBstr(L"http://srv"), part2 = NewBstr(std::wstring(L":80\0x", 5)), empty = NewBstr(L"");
  EXPECT_HR(S_OK, viewer->AddServer(part1.get()));
  EXPECT_HR(S_OK, viewer->AddServer(empty.get()));
  EXPECT_HR(S_OK, viewer->AddServer(nullptr));
  EXPECT_HR(S_OK, viewer->AddServer(part2.get()));
  EXPECT_EQ(std::wstring(L"http://srv:80\0x", 15), Get(viewer, &IDorvex_ZevEvover::get_Server))
      << "an appended part keeps its NUL";
  EXPECT_HR(S_OK, viewer->ClearServer());
  EXPECT_EQ(L"<null>", Get(viewer, &IDorvex_ZevEvover::get_Server));

  UniqueBstr root1 = NewBstr(L"/a"), root2 = NewBstr(L"/b");
  EXPECT_HR(S_OK, viewer->AddUrlRoot(root1.get()));
  EXPECT_HR(S_OK, viewer->AddUrlRoot(root2.get()));
  EXPECT_EQ(L"/a/b", Get(viewer, &IDorvex_ZevEvover::get_UrlRoot));
  EXPECT_HR(S_OK, viewer->ClearUrlRoot());
  EXPECT_EQ(L"<null>", Get(viewer, &IDorvex_ZevEvover::get_UrlRoot));

  EXPECT_HR(S_OK, viewer->ClearCC());
  UniqueBstr command1 = NewBstr(L"viewer.exe "), command2 = NewBstr(L"{0}");
  EXPECT_HR(S_OK, viewer->AddCC(command1.get()));
  EXPECT_HR(S_OK, viewer->AddCC(empty.get()));
  EXPECT_HR(S_OK, viewer->AddCC(command2.get()));
  EXPECT_EQ(L"viewer.exe {0}", Get(viewer, &IDorvex_ZevEvover::get_CustomCommand));
  EXPECT_HR(S_OK, viewer->ClearCC());
  EXPECT_EQ(L"", Get(viewer, &IDorvex_ZevEvover::get_CustomCommand));
}

TEST(ViewerVtable, OptionsAndSendUser) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  const struct {
    const char* name;
    StringSetter setter;
    StringGetter getter;
    const wchar_t* put;
    const wchar_t* got;
  } options[] = {
      {"UseStartCmd", &IDorvex_ZevEvover::put_UseStartCmd, &IDorvex_ZevEvover::get_UseStartCmd, L"YES", L"true"},
      {"KeepFocusOnSap", &IDorvex_ZevEvover::put_KeepFocusOnSap, &IDorvex_ZevEvover::get_KeepFocusOnSap, L"1",
       L"true"},
      {"FocusWaitMS", &IDorvex_ZevEvover::put_FocusWaitMS, &IDorvex_ZevEvover::get_FocusWaitMS, L"250", L"250"},
      {"ShowFlag", &IDorvex_ZevEvover::put_ShowFlag, &IDorvex_ZevEvover::get_ShowFlag, L"sw_shownormal",
       L"SW_SHOWNORMAL"},
  };
  for (const auto& o : options) {
    UniqueBstr value = NewBstr(o.put);
    EXPECT_HR(S_OK, ((*viewer.operator->()).*o.setter)(value.get())) << o.name;
    EXPECT_EQ(o.got, Get(viewer, o.getter)) << o.name;
  }

  const struct {
    VARIANT_BOOL put;
    VARIANT_BOOL got;
  } sendUser[] = {{1, VARIANT_TRUE}, {VARIANT_FALSE, VARIANT_FALSE}, {VARIANT_TRUE, VARIANT_TRUE}};
  for (const auto& s : sendUser) {
    EXPECT_HR(S_OK, viewer->put_SendUser(s.put));
    VARIANT_BOOL got = 0x7ead;
    EXPECT_HR(S_OK, viewer->get_SendUser(&got));
    EXPECT_EQ(s.got, got) << "put " << s.put;
  }
}

TEST(ViewerVtable, NullResultPointers) {
  Viewer viewer;
  ASSERT_TRUE(viewer);
  const StringGetter getters[] = {
      &IDorvex_ZevEvover::get_ContRep,     &IDorvex_ZevEvover::get_DID,           &IDorvex_ZevEvover::get_Server,
      &IDorvex_ZevEvover::get_UrlRoot,     &IDorvex_ZevEvover::get_LastErrorText, &IDorvex_ZevEvover::get_UseStartCmd,
      &IDorvex_ZevEvover::get_CustomCommand, &IDorvex_ZevEvover::get_ShowFlag,    &IDorvex_ZevEvover::get_KeepFocusOnSap,
      &IDorvex_ZevEvover::get_FocusWaitMS,
  };
  for (StringGetter getter : getters) EXPECT_HR(E_POINTER, ((*viewer.operator->()).*getter)(nullptr));
  EXPECT_HR(E_POINTER, viewer->get_ReturnCode(nullptr));
  EXPECT_HR(E_POINTER, viewer->get_SendUser(nullptr));
}

// ---- Trace lines and launches, in a debuggee ----

CHILD_SCENARIO(property_traces) {
  DebuggeeClient client;
  Viewer& viewer = client.viewer;
  if (!viewer) return 1;
  Report(L"thread=" + std::to_wstring(GetCurrentThreadId()));
  UniqueBstr r1 = NewBstr(L"R1"), d1 = NewBstr(L"D 1"), empty = NewBstr(L""), root = NewBstr(L"/r");
  UniqueBstr server = NewBstr(L"S"), yes = NewBstr(L"yes"), no = NewBstr(L"no"), show = NewBstr(L"SW_SHOW");
  viewer->put_ContRep(r1.get());
  viewer->put_DID(d1.get());
  viewer->put_Server(nullptr);
  viewer->put_UrlRoot(empty.get());
  viewer->AddUrlRoot(root.get());
  viewer->AddUrlRoot(empty.get());
  viewer->AddServer(server.get());
  viewer->AddCC(root.get());
  viewer->put_UseStartCmd(yes.get());
  viewer->put_KeepFocusOnSap(no.get());
  viewer->put_FocusWaitMS(empty.get());
  viewer->put_ShowFlag(show.get());
  LONG code = 0;
  viewer->get_ReturnCode(&code);
  UniqueBstr text;
  viewer->get_LastErrorText(Prefilled(text));
  return 0;
}

TEST(ViewerTrace, PropertyTraceLines) {
  const CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"property_traces"), kDebuggeeTimeoutMs);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(0u, run.exitCode);
  const std::vector<std::wstring> expected = {
      L"ContRep:     R1",
      L"SapDocid:    D 1",
      L"Server:      (null)",
      L"UrlRoot:     ",
      L"AddUrlRoot:     /r",
      L"AddUrlRoot:     /r",
      L"AddServer:      S",
      L"UseStartCmd: yes => true",
      L"KeepFocusOnSap: no => false",
      L"FocusWaitMS:  => 2000 ms",
      L"ShowFlag: SW_SHOW => 5",
      L"exit get_ReturnCode",
      L"exit get_LastErrorText",
  };
  EXPECT_EQ(expected, TraceMessages(run));

  // Each line whole: the thread's prefix, the message, the line end.
  const std::vector<std::wstring> results = Results(run);
  ASSERT_FALSE(results.empty());
  ASSERT_EQ(0u, results[0].rfind(L"thread=", 0));
  wchar_t prefix[64];
  swprintf(prefix, 64, L": (TID=%4lu): Vexdor.ZevEvov : ", std::stoul(results[0].substr(7)));
  const auto first = std::find_if(run.lines.begin(), run.lines.end(),
                                  [](const std::wstring& line) { return line.find(L"ContRep:") != std::wstring::npos; });
  ASSERT_NE(run.lines.end(), first);
  EXPECT_EQ(std::wstring(prefix) + L"ContRep:     R1\r\n", *first);
}

CHILD_SCENARIO(show_missing_viewer) {
  DebuggeeClient client;
  Viewer& viewer = client.viewer;
  if (!viewer) return 1;
  UniqueBstr command = NewBstr(L"\"" + std::wstring(kMissingViewer) + L"\" {0}"), id = NewBstr(L"D1");
  viewer->AddCC(command.get());
  client.ReportOutcome(viewer->ShowEx(id.get()));
  Report(L"DID=" + Get(viewer, &IDorvex_ZevEvover::get_DID));
  return 0;
}

TEST(ViewerTrace, ShowWithAMissingViewer) {
  const CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"show_missing_viewer"), kDebuggeeTimeoutMs);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(0u, run.exitCode);
  const std::wstring commandLine = L"\"" + std::wstring(kMissingViewer) + L"\" \"/.archiveLink?viewDoc&docID=D1\"";
  const std::vector<std::wstring> expectedTrace = {
      L"ShowEx:      D1", L"Show:        '" + commandLine + L"'", L"exit Show",
      L"exit get_ReturnCode", L"exit get_LastErrorText",
  };
  EXPECT_EQ(expectedTrace, TraceMessages(run));
  const std::vector<std::wstring> results = Results(run);
  ASSERT_EQ(5u, results.size());
  EXPECT_EQ(L"hr=0", results[0]);
  EXPECT_EQ(L"ReturnCode=745", results[1]);
  // The system's words differ between platforms; the shape does not.
  const std::wstring errorStart = L"LastErrorText=Unable to open the url:\r\n'" + commandLine + L"'\r\nSystemError: 2 ";
  EXPECT_EQ(0u, results[2].rfind(errorStart, 0)) << testing::PrintToString(results[2]);
  EXPECT_GT(results[2].size(), errorStart.size() + 2) << "the system's text for error 2";
  EXPECT_EQ(L"UseStartCmd=true", results[3]);
  EXPECT_EQ(L"DID=D1", results[4]);
}

CHILD_SCENARIO(show_starts_recorder) {
  DebuggeeClient client;
  Viewer& viewer = client.viewer;
  if (!viewer) return 1;
  UniqueBstr command = NewBstr(L"\"" + testing_paths::ToolPath(L"recorder") + L"\" {0}");
  UniqueBstr yes = NewBstr(L"yes"), wait = NewBstr(L"100");
  viewer->AddCC(command.get());
  viewer->put_SendUser(VARIANT_TRUE);
  viewer->put_KeepFocusOnSap(yes.get());
  viewer->put_FocusWaitMS(wait.get());
  const ULONGLONG start = GetTickCount64();
  const HRESULT result = viewer->Show();
  Report(L"waited=" + std::to_wstring(GetTickCount64() - start >= 100 ? 1 : 0));
  client.ReportOutcome(result);
  Report(L"foreground=" + std::to_wstring(static_cast<int>(reinterpret_cast<INT_PTR>(GetForegroundWindow()))));
  return 0;
}

// The user name as the platform gives it and the viewer escapes it: the
// domain-qualified account name, whose one backslash becomes %5c.
std::wstring EscapedAccountName() {
  wchar_t name[350];
  ULONG size = 350;
  if (!GetUserNameExW(NameSamCompatible, name, &size)) return L"<no account name>";
  std::wstring escaped;
  for (const wchar_t* c = name; *c != L'\0'; ++c) escaped += *c == L'\\' ? std::wstring(L"%5c") : std::wstring(1, *c);
  return escaped;
}

TEST(ViewerTrace, ShowStartsTheCustomViewer) {
  const std::wstring output = TempPath(L"viewer_vtable_recorder.out");
  DeleteFileW(output.c_str());
  SetEnvironmentVariableW(L"RECORDER_OUTPUT", output.c_str());
  const CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"show_starts_recorder"), kDebuggeeTimeoutMs);
  SetEnvironmentVariableW(L"RECORDER_OUTPUT", nullptr);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(0u, run.exitCode);

  // Wine has no user principal name (it answers 1332, as Windows does for an
  // account outside a domain); the viewer moves on to the account name.
  const std::wstring recorder = L"\"" + testing_paths::ToolPath(L"recorder") + L"\" ";
  const std::wstring launched = WaitForRecorderLine(output);
  DeleteFileW(output.c_str());
  EXPECT_EQ(recorder + L"\"/.archiveLink?viewDoc&user=" + EscapedAccountName() + L"\"", launched);

  std::vector<std::wstring> messages = TraceMessages(run);
  ASSERT_EQ(7u, messages.size()) << testing::PrintToString(messages);
  EXPECT_EQ(L"KeepFocusOnSap: yes => true", messages[0]);
  EXPECT_EQ(L"FocusWaitMS: 100 => 100 ms", messages[1]);
  EXPECT_EQ(L"Unable to get NameUserPrincipal, trying NameSamCompatible (Error: 1332)", messages[2]);
  EXPECT_EQ(L"Show:        '" + launched + L"'", messages[3]);

  const std::vector<std::wstring> results = Results(run);
  ASSERT_EQ(6u, results.size());
  // The window that had the foreground, in decimal, and the wait in
  // milliseconds in front of the word seconds.
  EXPECT_EQ(L"exit Show -> restore old Wnd " + results[5].substr(wcslen(L"foreground=")) + L", after 100 seconds",
            messages[4]);
  EXPECT_EQ(L"waited=1", results[0]);
  EXPECT_EQ(L"hr=0", results[1]);
  EXPECT_EQ(L"ReturnCode=0", results[2]);
  EXPECT_EQ(L"LastErrorText=", results[3]);
  EXPECT_EQ(L"UseStartCmd=true", results[4]);
}

// A URL scheme whose "open" command is the recorder, registered for one test.
class ShellHandler {
 public:
  ShellHandler() {
    const std::wstring command = L"\"" + testing_paths::ToolPath(L"recorder") + L"\" %1";
    UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (KeyPath() + L"\\shell\\open\\command").c_str(), 0, nullptr, 0,
                        KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
      return;
    }
    ok_ = RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    UniqueRegKey scheme;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, KEY_WRITE, scheme.put()) == ERROR_SUCCESS) {
      ok_ = ok_ && RegSetValueExW(scheme.get(), L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                                  sizeof(wchar_t)) == ERROR_SUCCESS;
    }
  }
  ~ShellHandler() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str()); }
  bool ok() const { return ok_; }

 private:
  static std::wstring KeyPath() { return std::wstring(L"Software\\Classes\\") + kShellScheme; }
  bool ok_ = false;
};

CHILD_SCENARIO(show_through_shell) {
  DebuggeeClient client;
  Viewer& viewer = client.viewer;
  if (!viewer) return 1;
  UniqueBstr server = NewBstr(std::wstring(kShellScheme) + L":"), repository = NewBstr(L"A1");
  viewer->put_Server(server.get());
  viewer->put_ContRep(repository.get());
  client.ReportOutcome(viewer->Show());
  return 0;
}

TEST(ViewerTrace, ShowOpensTheUrlThroughTheShell) {
  ShellHandler handler;
  ASSERT_TRUE(handler.ok());
  const std::wstring output = TempPath(L"viewer_vtable_shell.out");
  DeleteFileW(output.c_str());
  SetEnvironmentVariableW(L"RECORDER_OUTPUT", output.c_str());
  const CapturedRun run = RunCapturingDebugOutput(ChildCommandLine(L"show_through_shell"), kDebuggeeTimeoutMs);
  SetEnvironmentVariableW(L"RECORDER_OUTPUT", nullptr);
  ASSERT_TRUE(run.started);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(0u, run.exitCode);

  const std::wstring url = std::wstring(kShellScheme) + L":/.archiveLink?viewDoc&contRep=A1";
  const std::vector<std::wstring> messages = TraceMessages(run);
  const std::vector<std::wstring> expectedTrace = {
      L"Server:      " + std::wstring(kShellScheme) + L":",
      L"ContRep:     A1",
      L"Show:        '\"" + url + L"\"'",
      L"exit Show",
      L"exit get_ReturnCode",
      L"exit get_LastErrorText",
  };
  EXPECT_EQ(expectedTrace, messages);
  const std::vector<std::wstring> results = Results(run);
  ASSERT_EQ(4u, results.size());
  EXPECT_EQ(L"ReturnCode=0", results[1]) << results[2];
  EXPECT_EQ(L"UseStartCmd=false", results[3]);
  EXPECT_NE(std::wstring::npos, WaitForRecorderLine(output).find(url));
  DeleteFileW(output.c_str());
}

}  // namespace
