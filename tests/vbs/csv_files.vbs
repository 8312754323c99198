' The CSV members late-bound, as macro code calls them, with their optional arguments left out.
' Expected values worked out by hand from the files written here.
Dim vba, fso, folder, rows, text, count

Set vba = CreateObject("KorvelCOM.VBA")
CheckOk "CreateObject"
Set fso = CreateObject("Scripting.FileSystemObject")
folder = Scratch()

Sub WriteText(name, content)
  Dim f
  Set f = fso.CreateTextFile(folder & name, True, False)
  f.Write content
  f.Close
End Sub

Function ReadText(name)
  Dim f
  Set f = fso.OpenTextFile(folder & name, 1, False, 0)
  If f.AtEndOfStream Then ReadText = "" Else ReadText = f.ReadAll
  f.Close
End Function

WriteText "rows.csv", "x1" & vbLf & "ab" & vbLf & "y2" & vbCrLf & "ab,c"
count = vba.GetRowsCountCSVansi(folder & "rows.csv")
CheckEq "row count", count, 4
count = vba.GetRowsCountCSVansi(folder & "rows.csv", 1)
CheckEq "row count, unbuffered", count, 4
text = vba.GetRowCSVansi(folder & "rows.csv", 3)
CheckEq "row 3 keeps CR LF", text, "y2" & vbCrLf
text = vba.GetRowCSVansi(folder & "rows.csv", 4, 1)
CheckEq "last row without line feed", text, "ab,c"
text = vba.GetRowCSVansi(folder & "rows.csv", 9)
CheckEq "row beyond the end", text, ""
text = vba.FindRowsInCSVansi(folder & "rows.csv", "ab")
CheckEq "first match", text, "ab" & vbLf
text = vba.FindRowsInCSVansi(folder & "rows.csv", "ab", 1)
CheckEq "every match", text, "ab" & vbLf & "ab,c"
text = vba.FindRowsInCSVansi(folder & "rows.csv", "", 1, 1)
CheckEq "empty search text, every row", text, "x1" & vbLf & "ab" & vbLf & "y2" & vbCrLf & "ab,c"

count = vba.GetRowsCountCSVansi(folder & "missing.csv")
CheckErr "count of a missing file", 5
text = vba.GetRowCSVansi(folder & "missing.csv", 1)
CheckErr "row of a missing file", 5
text = vba.FindRowsInCSVansi(folder & "missing.csv", "a")
CheckErr "search in a missing file", 5

WriteText "sort.csv", "h" & vbLf & "b" & vbLf & "a" & vbLf & "b" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "sort.csv", folder & "sorted.csv")
CheckEq "sort count, header row sorted too", rows, 3
CheckEq "sorted", ReadText("sorted.csv"), "a" & vbLf & "b" & vbLf & "h" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "sort.csv", folder & "sorted.csv", 1, 1, 1)
CheckEq "header, only sort, descending: count", rows, 4
CheckEq "header, only sort, descending", ReadText("sorted.csv"), "h" & vbLf & "b" & vbLf & "b" & vbLf & "a" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "sort.csv", folder & "sort.csv", 1)
CheckEq "in place: count", rows, 3
CheckEq "in place", ReadText("sort.csv"), "h" & vbLf & "a" & vbLf & "b" & vbLf
WriteText "locale.csv", "b" & vbLf & "B" & vbLf & "a" & vbLf & "A" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "locale.csv", folder & "locale-out.csv", 0, 0, 0, 0, 1, "English_United States.1252")
CheckEq "collated", ReadText("locale-out.csv"), "a" & vbLf & "A" & vbLf & "b" & vbLf & "B" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "locale.csv", folder & "locale-out.csv", 0, 0, 0, 0, 1, "C")
CheckEq "C collation", ReadText("locale-out.csv"), "A" & vbLf & "B" & vbLf & "a" & vbLf & "b" & vbLf
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "locale.csv", folder & "bad.csv", 0, 0, 0, 0, 1, "en-US")
CheckErr "unknown locale name", 5
CheckEq "no output for an unknown locale", fso.FileExists(folder & "bad.csv"), False
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "locale.csv", folder & "bad.csv", 5)
CheckErr "more header rows than rows", 5
rows = vba.SortDeleteDuplicateRowsCSVansi(folder & "missing.csv", folder & "bad.csv")
CheckErr "sort of a missing file", 5
CheckEq "no output for a missing input", fso.FileExists(folder & "bad.csv"), False

Finish
