' scripts/bench's script row: a Show from a SAP-like script (the viewer set up
' as SAP does, a custom command starting PROGRAM) against WScript.Shell.Run of
' the very line that Show launches, alternated over ROUNDS rounds.
'   cscript //nologo sap_like_bench.vbs PROGRAM ROUNDS
' Prints: row<TAB>median<TAB>first-third quartile<TAB>rounds
Option Explicit

Const kCallsPerSide = 2

Dim program, rounds
program = WScript.Arguments(0)
rounds = CInt(WScript.Arguments(1))

Dim viewer, shell
Set viewer = CreateObject("DorvexZevEvov.Dorvex_ZevEvover")
Set shell = CreateObject("WScript.Shell")
viewer.ClearServer
viewer.AddServer "zevbench://"
viewer.AddServer "archive"
viewer.ClearUrlRoot
viewer.AddUrlRoot "/sap/bc/contentserver"
viewer.ContRep = "A1"
viewer.DID = "4711ABCDEF"
viewer.ShowFlag = "0"
viewer.ClearCC
viewer.AddCC """" & program & """ child {0}"
Dim line
line = """" & program & """ child ""zevbench://archive/sap/bc/contentserver/.archiveLink?viewDoc&contRep=A1&docID=4711ABCDEF"""

Function TimeShow()
  Dim start, i
  start = Timer
  For i = 1 To kCallsPerSide
    viewer.Show
  Next
  TimeShow = Timer - start
End Function

Function TimeRun()
  Dim start, i
  start = Timer
  For i = 1 To kCallsPerSide
    shell.Run line, 0, False
  Next
  TimeRun = Timer - start
End Function

' Dim x() with a later ReDim crashes Wine's VBScript; a plain variable does not.
Dim ratios, round, a, b
ReDim ratios(rounds - 1)
For round = 0 To rounds - 1
  If round Mod 2 = 0 Then
    a = TimeRun : b = TimeShow
  Else
    b = TimeShow : a = TimeRun
  End If
  If a <= 0 Then a = 0.001
  ratios(round) = b / a
Next
If viewer.ReturnCode <> 0 Then WScript.Echo "ReturnCode " & viewer.ReturnCode & ": " & viewer.LastErrorText

' Insertion sort: a few dozen rounds.
Dim i, j, v
For i = 1 To rounds - 1
  v = ratios(i)
  j = i - 1
  Do While j >= 0
    If ratios(j) <= v Then Exit Do
    ratios(j + 1) = ratios(j)
    j = j - 1
  Loop
  ratios(j + 1) = v
Next
WScript.Echo "Show from a SAP-like script / WScript.Shell.Run" & vbTab & _
  FormatNumber(ratios(Int(0.5 * (rounds - 1))), 3, -1, 0, 0) & vbTab & _
  FormatNumber(ratios(Int(0.25 * (rounds - 1))), 3, -1, 0, 0) & "-" & _
  FormatNumber(ratios(Int(0.75 * (rounds - 1))), 3, -1, 0, 0) & vbTab & rounds
