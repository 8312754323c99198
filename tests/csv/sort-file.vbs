' Sorts one file through the registered server: sort-file.vbs FileIn FileOut OnlySort FileFlagNoBuffering.
' Prints the row count, or "error N" and exits 1.
On Error Resume Next
Dim vba, rows
Set vba = CreateObject("KorvelCOM.VBA")
rows = vba.SortDeleteDuplicateRowsCSVansi(WScript.Arguments(0), WScript.Arguments(1), 0, CLng(WScript.Arguments(2)), 0, CLng(WScript.Arguments(3)))
If Err.Number <> 0 Then
  WScript.Echo "error " & Err.Number
  WScript.Quit 1
End If
WScript.Echo rows
WScript.Quit 0
