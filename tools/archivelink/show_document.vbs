' Shows archived documents the way the SAP front end does: for each, a new
' viewer gets the ArchiveLink server, the URL root, the content repository, the
' document id and whether to send the user name, keeps every other option as a
' new viewer has it, and calls Show.
'   cscript //nologo show_document.vbs SERVER URLROOT CONTREP DID SENDUSER [LAUNCH]
'   cscript //nologo show_document.vbs SERVER URLROOT CASES_FILE
' SENDUSER is true or false. LAUNCH is "shell" (the default, the shell's
' "open"), "start" (cmd START) or a custom command with {0} for the URL. A
' cases file is UTF-16 text with one document per line: CONTREP, DID, SENDUSER
' and LAUNCH, separated by tabs. Values that are not Latin-1 belong in such a
' file: this script is read in the ANSI code page and Wine's VBScript has no
' ChrW.
' Prints "ReturnCode N, LastErrorText [...]" per document. Exits 0 when every
' Show returned ReturnCode 0, 1 otherwise (a script error alone would end with
' 0 under Wine, so every step is checked).
Option Explicit
On Error Resume Next

Const ForReading = 1
Const TristateTrue = -1

Dim failures
failures = 0

Function Failed(what)
  Failed = (Err.Number <> 0)
  If Failed Then
    WScript.Echo "FAIL: " & what & " raised 0x" & Hex(Err.Number) & " " & Err.Description
    Err.Clear
    failures = failures + 1
  End If
End Function

Sub ShowDocument(server, urlRoot, contRep, did, sendUser, launch)
  Dim viewer
  Set viewer = CreateObject("DorvexZevEvov.Dorvex_ZevEvover")
  If Failed("CreateObject") Then Exit Sub
  viewer.Server = server
  viewer.UrlRoot = urlRoot
  viewer.ContRep = contRep
  viewer.DID = did
  viewer.SendUser = (LCase(sendUser) = "true")
  If launch = "start" Then
    viewer.UseStartCmd = "true"
  ElseIf launch <> "shell" Then
    viewer.AddCC launch
  End If
  If Failed("setting the document") Then Exit Sub
  viewer.Show
  If Failed("Show") Then Exit Sub
  WScript.Echo "ReturnCode " & viewer.ReturnCode & ", LastErrorText [" & viewer.LastErrorText & "]"
  If Failed("reading the result") Then Exit Sub
  If viewer.ReturnCode <> 0 Then failures = failures + 1
End Sub

Dim args
Set args = WScript.Arguments
If args.Count = 3 Then
  Dim cases, fields
  Set cases = CreateObject("Scripting.FileSystemObject").OpenTextFile(args(2), ForReading, False, TristateTrue)
  If Failed("opening " & args(2)) Then WScript.Quit 1
  Do Until cases.AtEndOfStream
    fields = Split(cases.ReadLine, vbTab)
    If UBound(fields) = 3 Then
      ShowDocument args(0), args(1), fields(0), fields(1), fields(2), fields(3)
    Else
      WScript.Echo "FAIL: a case line without four fields"
      failures = failures + 1
    End If
  Loop
  cases.Close
ElseIf args.Count = 5 Or args.Count = 6 Then
  Dim launch
  launch = "shell"
  If args.Count = 6 Then launch = args(5)
  ShowDocument args(0), args(1), args(2), args(3), args(4), launch
Else
  WScript.Echo "usage: show_document.vbs SERVER URLROOT (CONTREP DID SENDUSER [LAUNCH] | CASES_FILE)"
  WScript.Quit 2
End If
If failures > 0 Then WScript.Quit 1
WScript.Quit 0
