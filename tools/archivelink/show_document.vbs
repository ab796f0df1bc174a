' Shows one archived document the way the SAP front end does: it sets the
' ArchiveLink server, the URL root, the content repository, the document id
' and whether to send the user name, leaves every other option as a new viewer
' has it, calls Show and reports the result.
'   cscript //nologo show_document.vbs SERVER URLROOT CONTREP DID SENDUSER [LAUNCH]
' SENDUSER is true or false. LAUNCH is "shell" (the default, the shell's
' "open"), "start" (cmd START) or a custom command with {0} for the URL.
' The values come as arguments, not in this file, because a script file is read
' in the ANSI code page and Wine's VBScript has no ChrW.
' Exits 0 when Show returned ReturnCode 0, 1 otherwise (a script error alone
' would end with 0 under Wine, so every step is checked).
Option Explicit
On Error Resume Next

Sub Check(what)
  If Err.Number <> 0 Then
    WScript.Echo "FAIL: " & what & " raised 0x" & Hex(Err.Number) & " " & Err.Description
    WScript.Quit 1
  End If
End Sub

Dim args
Set args = WScript.Arguments
If args.Count < 5 Or args.Count > 6 Then
  WScript.Echo "usage: show_document.vbs SERVER URLROOT CONTREP DID SENDUSER [shell|start|COMMAND]"
  WScript.Quit 2
End If
Dim launch
launch = "shell"
If args.Count = 6 Then launch = args(5)

Dim viewer
Set viewer = CreateObject("DorvexZevEvov.Dorvex_ZevEvover")
Check "CreateObject"

viewer.Server = args(0)
viewer.UrlRoot = args(1)
viewer.ContRep = args(2)
viewer.DID = args(3)
viewer.SendUser = (LCase(args(4)) = "true")
Check "setting the document"
If launch = "start" Then
  viewer.UseStartCmd = "true"
ElseIf launch <> "shell" Then
  viewer.AddCC launch
End If
Check "setting the launch"

viewer.Show
Check "Show"
WScript.Echo "ReturnCode " & viewer.ReturnCode & ", LastErrorText [" & viewer.LastErrorText & "]"
Check "reading the result"
If viewer.ReturnCode <> 0 Then WScript.Quit 1
WScript.Quit 0
