' QRcodePrint and ConvertFormatImage late-bound, as macro code calls them: results, errors, names and files.
' The pictures themselves are decoded by tests/images/check-qr-images.sh.
Dim vba, fso, shell, temp, p, p2, i, rules, bad, a, before, f

Set vba = CreateObject("KorvelCOM.VBA")
CheckOk "CreateObject"
Set fso = CreateObject("Scripting.FileSystemObject")
Set shell = CreateObject("WScript.Shell")
' Wine's ExpandEnvironmentStrings counts the terminating U+0000 into the string.
temp = Replace(shell.ExpandEnvironmentStrings("%TEMP%"), Chr(0), "")

Function FileCount()
  FileCount = fso.GetFolder(Scratch()).Files.Count
End Function

' Only the text: a PNG under a new GUID name in TEMP; a second call gives another file.
p = vba.QRcodePrint("Hello")
CheckEq "only the text: in TEMP", Left(p, Len(temp) + 2), temp & "\{"
CheckEq "only the text: GUID name and .PNG", Len(p) - Len(temp) - 1, 38 + 4
CheckEq "only the text: extension", Right(p, 5), "}.PNG"
CheckEq "only the text: file written", fso.FileExists(p), True
p2 = vba.QRcodePrint("Hello", "")
CheckEq "empty FileOut: another name", p2 <> p, True
CheckEq "empty FileOut: file written", fso.FileExists(p2), True
fso.DeleteFile p
fso.DeleteFile p2

' Every argument: version 5 is 37 modules, plus 8 of quiet zone, 3 pixels each: 135 pixels a side. A 1-bit
' BMP of that is 14 + 40 bytes of headers, 2 palette entries of 4 and 135 rows of 20 bytes.
p = vba.QRcodePrint("Hello", Scratch() & "all", 0, 3, 200, 10, 30, 5, 3)
CheckEq "every argument: path", p, Scratch() & "all.BMP"
CheckEq "every argument: file size", fso.GetFile(p).Size, 14 + 40 + 8 + 135 * 20

' Path rules: FileOut, format, the name saved.
rules = Array("pic", 0, "pic.BMP", "pic2.bmp", 0, "pic2.bmp", "pic3.png", 0, "pic3.png.BMP", "a", 1, "a.JPEG", _
              "b.Jpeg", 1, "b.Jpeg", "t.tif", 3, "t.tif.TIFF", "P.TIFF", 3, "P.TIFF", "png", 4, "png.PNG")
For i = 0 To UBound(rules) Step 3
  p = vba.QRcodePrint("rules", Scratch() & rules(i), rules(i + 1))
  CheckEq "FileOut " & rules(i) & " as format " & rules(i + 1), p, Scratch() & rules(i + 2)
  CheckEq "saved as " & rules(i + 2), fso.FileExists(Scratch() & rules(i + 2)), True
Next

' Rejected arguments: text, format, size, red, green, blue, version, level. 4294967297 is 2^32 + 1, a module
' size that would wrap to a 29-pixel picture in 32 bits; a text of 3000 bytes fits no version at level L.
bad = Array(Array("", 4, 4, 0, 0, 0, 0, 1), Array("x", -1, 4, 0, 0, 0, 0, 1), Array("x", 5, 4, 0, 0, 0, 0, 1), _
            Array("x", 4, 0, 0, 0, 0, 0, 1), Array("x", 4, -3, 0, 0, 0, 0, 1), Array("x", 4, 4294967297, 0, 0, 0, 0, 1), _
            Array("x", 4, 4, 256, 0, 0, 0, 1), Array("x", 4, 4, 0, -1, 0, 0, 1), Array("x", 4, 4, 0, 0, 999, 0, 1), _
            Array("x", 4, 4, 0, 0, 0, 41, 1), Array("x", 4, 4, 0, 0, 0, -1, 1), Array("x", 4, 4, 0, 0, 0, 0, 4), _
            Array(String(3000, "a"), 4, 4, 0, 0, 0, 0, 0))
before = FileCount()
For i = 0 To UBound(bad)
  a = bad(i)
  p = "unchanged"
  p = vba.QRcodePrint(a(0), Scratch() & "rejected" & i, a(1), a(2), a(3), a(4), a(5), a(6), a(7))
  CheckErr "rejected case " & i, ErrInvalidArgument
  CheckEq "rejected case " & i & " returns nothing", p, "unchanged"
Next
CheckEq "rejected calls write no file", FileCount(), before

' GIF: Wine's GDI+ cannot save a 1-bit bitmap as GIF; Windows can.
p = vba.QRcodePrint("gif", Scratch() & "g", 2)
If Err.Number = 0 Then
  CheckEq "GIF saved", p, Scratch() & "g.GIF"
Else
  Err.Clear
  WScript.Echo "SKIP: 1-bit GIF (Wine's GDI+ cannot write it; seen only on Windows)"
  CheckEq "the failed GIF save leaves no file", fso.FileExists(Scratch() & "g.GIF"), False
End If

' Conversion writes exactly the name given.
vba.ConvertFormatImage Scratch() & "all.BMP", Scratch() & "conv.png", 4
CheckOk "BMP to PNG"
CheckEq "PNG written", fso.FileExists(Scratch() & "conv.png"), True
vba.ConvertFormatImage Scratch() & "conv.png", Scratch() & "conv", 1
CheckOk "PNG to JPEG"
CheckEq "no extension added", fso.FileExists(Scratch() & "conv") And Not fso.FileExists(Scratch() & "conv.JPEG"), True
vba.ConvertFormatImage Scratch() & "conv.png", Scratch() & "conv.tif", 3
CheckOk "PNG to TIFF"
vba.ConvertFormatImage Scratch() & "conv.tif", Scratch() & "back.bmp", 0
CheckOk "TIFF to BMP"
CheckEq "TIFF to BMP keeps the 1-bit picture", fso.GetFile(Scratch() & "back.bmp").Size, fso.GetFile(Scratch() & "all.BMP").Size

Set f = fso.CreateTextFile(Scratch() & "text.png", True)
f.WriteLine "not an image"
f.Close
before = FileCount()
vba.ConvertFormatImage Scratch() & "text.png", Scratch() & "o1", 4
CheckErr "not an image", ErrInvalidArgument
vba.ConvertFormatImage Scratch() & "missing.png", Scratch() & "o2", 4
CheckErr "missing input", ErrInvalidArgument
vba.ConvertFormatImage Scratch() & "all.BMP", Scratch() & "o3", 5
CheckErr "format 5", ErrInvalidArgument
vba.ConvertFormatImage Scratch() & "all.BMP", Scratch() & "o4", 255
CheckErr "format 255", ErrInvalidArgument
vba.ConvertFormatImage Scratch() & "all.BMP", Scratch() & "o5", 256
CheckErr "format 256 is no byte", ErrOverflow
CheckEq "failed conversions write no file", FileCount(), before

Finish
