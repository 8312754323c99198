' Shared checks of the VBScript suites. Each suite runs with On Error Resume Next, as a macro that
' inspects Err.Number after each call; it ends with Finish, which prints the totals and sets the exit code.
Option Explicit
On Error Resume Next

Dim passed, failed
passed = 0
failed = 0

' The scratch folder of this run (a Windows path), passed as the first script argument.
Function Scratch()
  Scratch = WScript.Arguments(0) & "\"
End Function

Sub Pass()
  passed = passed + 1
End Sub

Sub Fail(what)
  failed = failed + 1
  WScript.Echo "FAIL: " & what
End Sub

' A call succeeded and returned the expected value.
Sub CheckEq(what, actual, expected)
  If Err.Number <> 0 Then
    Fail what & ": error " & Err.Number & " (" & Err.Description & ")"
    Err.Clear
  ElseIf CStr(actual) <> CStr(expected) Then
    Fail what & ": got '" & actual & "', expected '" & expected & "'"
  Else
    Pass
  End If
End Sub

' The last call failed with the expected error number; the script goes on.
Sub CheckErr(what, expected)
  If Err.Number = expected Then
    Pass
  Else
    Fail what & ": error " & Err.Number & ", expected " & expected
  End If
  Err.Clear
End Sub

' The last call succeeded.
Sub CheckOk(what)
  If Err.Number <> 0 Then
    Fail what & ": error " & Err.Number & " (" & Err.Description & ")"
    Err.Clear
  Else
    Pass
  End If
End Sub

Sub Finish()
  WScript.Echo passed & " passed, " & failed & " failed"
  WScript.Quit failed
End Sub

' VBScript's own error numbers for the server's HRESULTs (the server sets no error information).
Const ErrInvalidArgument = 5      ' E_INVALIDARG
Const ErrPermissionDenied = 70    ' E_ACCESSDENIED
Const ErrOverflow = 6             ' DISP_E_OVERFLOW: a register outside 0..255

' "x64" or "x86": the architecture of the server under test, passed as the second script argument.
Function Arch()
  Arch = WScript.Arguments(1)
End Function
