// Scripts as SAP's front end uses the server: late-bound, by ProgID, from a
// single-threaded client. Wine's 32-bit cscript runs a VBScript and a JScript
// that create the viewer, set and read its properties and check each step.
// A script error ends cscript with 0 in Wine, so the scripts report success
// with an exit code of their own and failure with 1.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/win/unique_handle.h"
#include "process_runner.h"
#include "test_registration.h"
#include "tests/support/hresult_check.h"

namespace {

constexpr long kScriptPassed = 42;
constexpr unsigned long kScriptTimeoutMs = 60000;

const char kVbScript[] = R"(Option Explicit
On Error Resume Next
Dim failures, viewer, value, refused
failures = 0

Sub Expect(stepName, errorNumber, ok, got)
  If errorNumber <> 0 Then
    WScript.Echo stepName & ": error 0x" & Hex(errorNumber)
    failures = failures + 1
  ElseIf Not ok Then
    WScript.Echo stepName & ": got [" & got & "]"
    failures = failures + 1
  End If
End Sub

Set viewer = CreateObject("DorvexZevEvov.Dorvex_ZevEvover")
Expect "CreateObject", Err.Number, IsObject(viewer), "" : Err.Clear
If failures > 0 Then WScript.Quit 1

viewer.ContRep = "A1" : Expect "put ContRep", Err.Number, True, "" : Err.Clear
value = viewer.ContRep : Expect "get ContRep", Err.Number, value = "A1", value : Err.Clear
viewer.DID = "4711 X" : Expect "put DID", Err.Number, True, "" : Err.Clear
value = viewer.DID : Expect "get DID", Err.Number, value = "4711 X", value : Err.Clear
viewer.ClearServer : Expect "ClearServer", Err.Number, True, "" : Err.Clear
viewer.AddServer "http://srv" : Expect "AddServer 1", Err.Number, True, "" : Err.Clear
viewer.AddServer ":8080" : Expect "AddServer 2", Err.Number, True, "" : Err.Clear
value = viewer.Server : Expect "get Server", Err.Number, value = "http://srv:8080", value : Err.Clear
viewer.UrlRoot = "/archive" : Expect "put UrlRoot", Err.Number, True, "" : Err.Clear
viewer.ClearUrlRoot : Expect "ClearUrlRoot", Err.Number, True, "" : Err.Clear
value = viewer.UrlRoot : Expect "get UrlRoot", Err.Number, value = "", value : Err.Clear
viewer.SendUser = True : Expect "put SendUser", Err.Number, True, "" : Err.Clear
value = viewer.SendUser : Expect "get SendUser", Err.Number, value = True, value : Err.Clear
viewer.UseStartCmd = "YES" : Expect "put UseStartCmd", Err.Number, True, "" : Err.Clear
value = viewer.UseStartCmd : Expect "get UseStartCmd", Err.Number, value = "true", value : Err.Clear
viewer.ShowFlag = "sw_shownormal" : Expect "put ShowFlag", Err.Number, True, "" : Err.Clear
value = viewer.ShowFlag : Expect "get ShowFlag", Err.Number, value = "SW_SHOWNORMAL", value : Err.Clear
viewer.FocusWaitMS = "250" : Expect "put FocusWaitMS", Err.Number, True, "" : Err.Clear
value = viewer.FocusWaitMS : Expect "get FocusWaitMS", Err.Number, value = "250", value : Err.Clear
viewer.AddCC "viewer.exe {0}" : Expect "AddCC", Err.Number, True, "" : Err.Clear
value = viewer.CustomCommand : Expect "get CustomCommand", Err.Number, value = "viewer.exe {0}", value : Err.Clear
value = viewer.ReturnCode : Expect "get ReturnCode", Err.Number, value = 0, value : Err.Clear
value = viewer.LastErrorText : Expect "get LastErrorText", Err.Number, value = "", value : Err.Clear
viewer.ReturnCode = 5
refused = Err.Number : Err.Clear
Expect "put ReturnCode refused", 0, refused <> 0, refused
Set viewer = Nothing : Expect "release", Err.Number, True, "" : Err.Clear

If failures > 0 Then WScript.Quit 1
WScript.Quit 42
)";

const char kJScript[] = R"(var failures = 0;
function expect(step, got, expected) {
  if (got !== expected) {
    WScript.Echo(step + ": got [" + got + "] expected [" + expected + "]");
    failures++;
  }
}
function attempt(step, action) {
  try {
    action();
  } catch (e) {
    WScript.Echo(step + ": error 0x" + (e.number >>> 0).toString(16));
    failures++;
  }
}
var viewer = null;
attempt("create", function () { viewer = new ActiveXObject("DorvexZevEvov.Dorvex_ZevEvover"); });
if (viewer === null) WScript.Quit(1);
attempt("ContRep", function () { viewer.ContRep = "A1"; expect("ContRep", viewer.ContRep, "A1"); });
attempt("DID", function () { viewer.DID = "D 2"; expect("DID", viewer.DID, "D 2"); });
attempt("Server", function () {
  viewer.ClearServer();
  viewer.AddServer("http://srv");
  viewer.AddServer(":8080");
  expect("Server", viewer.Server, "http://srv:8080");
});
attempt("SendUser", function () { viewer.SendUser = true; expect("SendUser", viewer.SendUser, true); });
attempt("KeepFocusOnSap", function () { viewer.KeepFocusOnSap = "1"; expect("KeepFocusOnSap", viewer.KeepFocusOnSap, "true"); });
attempt("ShowFlag", function () { viewer.ShowFlag = "3"; expect("ShowFlag", viewer.ShowFlag, "SW_SHOWMAXIMIZED"); });
attempt("ReturnCode", function () { expect("ReturnCode", viewer.ReturnCode, 0); });
var refused = false;
try { viewer.LastErrorText = "x"; } catch (e) { refused = true; }
expect("LastErrorText is read-only", refused, true);
viewer = null;
WScript.Quit(failures > 0 ? 1 : 42);
)";

// Writes text as is (ANSI, as cscript wants its scripts) to a temporary file.
std::wstring WriteScript(const wchar_t* name, const char* text) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  DWORD written = 0;
  WriteFile(file.get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  return path;
}

class ScriptClientTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_HR(S_OK, registration_.result()); }

  long RunScript(const wchar_t* name, const char* text) {
    const std::wstring path = WriteScript(name, text);
    if (path.empty()) return -2;
    const long exitCode = RunProcess(SystemProgram(L"cscript.exe") + L" //nologo \"" + path + L"\"", kScriptTimeoutMs);
    DeleteFileW(path.c_str());
    return exitCode;
  }

  ScopedTestRegistration registration_;
};

TEST_F(ScriptClientTest, VBScript) { EXPECT_EQ(kScriptPassed, RunScript(L"server_client_test.vbs", kVbScript)); }

TEST_F(ScriptClientTest, JScript) { EXPECT_EQ(kScriptPassed, RunScript(L"server_client_test.js", kJScript)); }

}  // namespace
