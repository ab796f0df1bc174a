' Drives the viewer the way the SAP front end does: create it by ProgID, build
' Server and UrlRoot in parts, set the document and the options, Show, read the
' result, ShowEx, and a launch that must fail.
'   cscript //nologo sap_client.vbs VIEWER_PROGRAM [SECOND_VIEWER_PROGRAM]
' ShowEx starts the second program when one is given (a viewer of the other
' bitness, say), else the first.
' Every step is checked: a failed check prints FAIL and the script ends with
' exit code 1 (a script error alone would end with 0 under Wine).
Option Explicit
On Error Resume Next

Dim failures
failures = 0

Sub Fail(what)
  WScript.Echo "FAIL: " & what
  failures = failures + 1
End Sub

Sub Step(what)
  If Err.Number <> 0 Then
    Fail what & " raised 0x" & Hex(Err.Number) & " " & Err.Description
    Err.Clear
  End If
End Sub

Sub Expect(what, actual, expected)
  If CStr(actual) <> CStr(expected) Then Fail what & ": got [" & actual & "], expected [" & expected & "]"
End Sub

If WScript.Arguments.Count < 1 Or WScript.Arguments.Count > 2 Then
  WScript.Echo "usage: sap_client.vbs VIEWER_PROGRAM [SECOND_VIEWER_PROGRAM]"
  WScript.Quit 2
End If
Dim program, secondProgram
program = WScript.Arguments(0)
secondProgram = program
If WScript.Arguments.Count = 2 Then secondProgram = WScript.Arguments(1)

Dim viewer
Set viewer = CreateObject("DorvexZevEvov.Dorvex_ZevEvover")
Step "CreateObject"
If viewer Is Nothing Then
  Fail "no viewer object"
  WScript.Quit 1
End If

viewer.ClearServer
viewer.AddServer "zevtest:"
viewer.AddServer "//archive.example:8080"
Step "AddServer"
viewer.ClearUrlRoot
viewer.AddUrlRoot "/sap/bc"
viewer.AddUrlRoot "/contentserver"
Step "AddUrlRoot"
viewer.ContRep = "A1"
viewer.DID = "DOC 1&2"
viewer.SendUser = False
viewer.ShowFlag = "sw_shownormal"
viewer.KeepFocusOnSap = "Yes"
viewer.FocusWaitMS = "250"
viewer.ClearCC
viewer.AddCC """" & program & """ {0}"
Step "properties"

Expect "Server", viewer.Server, "zevtest://archive.example:8080"
Expect "UrlRoot", viewer.UrlRoot, "/sap/bc/contentserver"
Expect "ShowFlag", viewer.ShowFlag, "SW_SHOWNORMAL"
Expect "KeepFocusOnSap", viewer.KeepFocusOnSap, "true"
Expect "FocusWaitMS", viewer.FocusWaitMS, "250"
Expect "CustomCommand", viewer.CustomCommand, """" & program & """ {0}"
Step "reading properties"

viewer.Show
Step "Show"
WScript.Echo "Show: ReturnCode " & viewer.ReturnCode & ", LastErrorText [" & viewer.LastErrorText & "]"
Expect "ReturnCode after Show", viewer.ReturnCode, 0
Expect "LastErrorText after Show", viewer.LastErrorText, ""
Expect "UseStartCmd after a custom command", viewer.UseStartCmd, "true"

viewer.KeepFocusOnSap = "no"
viewer.ClearCC
viewer.AddCC """" & secondProgram & """ {0}"
viewer.ShowEx "DOC 2"
Step "ShowEx"
WScript.Echo "ShowEx: ReturnCode " & viewer.ReturnCode & ", DID " & viewer.DID
Expect "ReturnCode after ShowEx", viewer.ReturnCode, 0
Expect "DID after ShowEx", viewer.DID, "DOC 2"

viewer.ClearCC
viewer.AddCC """C:\no\such\viewer.exe"" {0}"
viewer.Show
Step "Show with a missing program"
WScript.Echo "missing program: ReturnCode " & viewer.ReturnCode
Expect "ReturnCode of a failed launch", viewer.ReturnCode, 745
If InStr(viewer.LastErrorText, "Unable to open the url:") <> 1 Then Fail "LastErrorText: " & viewer.LastErrorText

Set viewer = Nothing
If failures > 0 Then
  WScript.Echo failures & " check(s) failed"
  WScript.Quit 1
End If
WScript.Echo "all checks passed"
WScript.Quit 0
