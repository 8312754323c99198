' Writes the pictures that check-qr-images.sh reads back, late-bound as macro code calls the server.
' Arguments: the output folder, then commands, each one argument with fields split by "|":
'   qr|FileOut|FormatImageOut|SizePixel|R|G|B|VersionSymbol|LevelErrCorrect|tail   followed by the text
'     (FileOut is a name in the folder, empty for a new file in TEMP; tail "nul" appends U+0000 and more text)
'   text                                                                         followed by the text
'     (QRcodePrint with only its text)
'   convert|FileIn|FileOut|FormatImageOut                                        (names in the folder)
' Prints one line per command: "ok N path" or "err N number".
Option Explicit
On Error Resume Next

Dim vba, folder, i, n, fields, text, path, outcome
Set vba = CreateObject("KorvelCOM.VBA")
If Err.Number <> 0 Then
  WScript.Echo "cannot create KorvelCOM.VBA: " & Err.Number
  WScript.Quit 1
End If
folder = WScript.Arguments(0) & "\"

Function InFolder(name)
  If name = "" Then InFolder = "" Else InFolder = folder & name
End Function

i = 1
n = 0
Do While i < WScript.Arguments.Count
  fields = Split(WScript.Arguments(i), "|")
  n = n + 1
  path = ""
  Err.Clear
  Select Case fields(0)
    Case "qr"
      text = WScript.Arguments(i + 1)
      If fields(9) = "nul" Then text = text & Chr(0) & "not encoded"
      path = vba.QRcodePrint(text, InFolder(fields(1)), CLng(fields(2)), CLng(fields(3)), CLng(fields(4)), _
                             CLng(fields(5)), CLng(fields(6)), CLng(fields(7)), CLng(fields(8)))
      i = i + 2
    Case "text"
      path = vba.QRcodePrint(WScript.Arguments(i + 1))
      i = i + 2
    Case "convert"
      vba.ConvertFormatImage InFolder(fields(1)), InFolder(fields(2)), CByte(fields(3))
      path = InFolder(fields(2))
      i = i + 1
    Case Else
      WScript.Echo "unknown command " & fields(0)
      WScript.Quit 1
  End Select
  outcome = Err.Number
  If outcome = 0 Then
    WScript.Echo "ok " & n & " " & path
  Else
    WScript.Echo "err " & n & " " & outcome
  End If
Loop
WScript.Quit 0
