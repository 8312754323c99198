' The VBA toolbox's string functions, array reshaping and SHA digests late-bound, as macro code calls
' them. Digests are the published FIPS 180-4 / FIPS 202 examples; the rest is worked out by hand.
Dim v, s, a, b, c, d, e, sel, i, ok

Set v = CreateObject("KorvelCOM.VBA")
CheckOk "CreateObject KorvelCOM.VBA"

' Trim: only U+0020 counts.
CheckEq "Trim runs", v.Trim("  a   b  "), "a b"
CheckEq "Trim only spaces", v.Trim("   "), ""
CheckEq "Trim empty", v.Trim(""), ""
CheckEq "Trim keeps tabs", v.Trim(" a" & vbTab & "b "), "a" & vbTab & "b"
s = String(70000, "x")
CheckEq "Trim of 70000 characters", Len(v.Trim(s)), 70000

' FilterUnicodeChar with its optional lists.
CheckEq "Filter ranges", v.FilterUnicodeChar("Abc-123", "a-z0-9"), "bc123"
CheckEq "Filter ranges and a disabled character", v.FilterUnicodeChar("Abc-123", "a-z0-9", "2"), "bc13"
CheckEq "Filter a lone '-'", v.FilterUnicodeChar("Abc-123", "-"), "-"
CheckEq "Filter without lists", v.FilterUnicodeChar("abc"), "abc"
CheckEq "Filter disable only", v.FilterUnicodeChar("abc", "", "b"), "ac"
CheckEq "Filter trailing '-'", v.FilterUnicodeChar("a-b", "a-"), ""
CheckEq "Filter range from '-'", v.FilterUnicodeChar("a-b--c", "--a"), "a---"

' InStr with its optional start.
CheckEq "InStr default start", v.InStr("abcabc", "c"), 3
CheckEq "InStr from 4", v.InStr("abcabc", "c", 4), 6
CheckEq "InStr absent", v.InStr("abc", "d"), 0
CheckEq "InStr start 0", v.InStr("abc", "b", 0), 0
CheckEq "InStr start past the end", v.InStr("abc", "b", 4), 0
CheckEq "InStr empty search text", v.InStr("abc", "", 2), 2

' Replace with its optional start and count.
CheckEq "Replace one from 3", v.Replace("aXbXcX", "X", "-", 3, 1), "aXb-cX"
CheckEq "Replace all from 3", v.Replace("aXbXcX", "X", "-", 3), "aXb-c-"
CheckEq "Replace none", v.Replace("aXbXcX", "X", "-", 3, 0), "aXbXcX"
CheckEq "Replace defaults", v.Replace("aXbXcX", "X", "--"), "a--b--c--"
CheckEq "Replace without overlaps", v.Replace("aaa", "aa", "b"), "ba"
CheckEq "Replace empty search text", v.Replace("abc", "", "x"), "abc"
s = v.Replace("", "a", "b")
CheckErr "Replace in an empty text", ErrInvalidArgument
s = v.Replace("abc", "a", "b", 4)
CheckErr "Replace from past the end", ErrInvalidArgument
s = v.Replace(String(1000000, "a"), "a", String(3000, "z"))
CheckErr "Replace result beyond 2^31 - 1 characters", 7
s = v.Replace(String(1000, "a") & "-" & String(1000, "a"), "-", String(5000, "z"))
CheckEq "Replace to a long result", Len(s), 7000

' HashStringSHA: every selector on "abc".
Dim selectors, abc
selectors = Array(1, 2224, 2256, 2384, 2512, 3224, 3256, 3384, 3512)
abc = Array("A9993E364706816ABA3E25717850C26C9CD0D89D", _
  "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7", _
  "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", _
  "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7", _
  "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F", _
  "E642824C3F8CF24AD09234EE7D3C766FC9A3A5168D0C94AD73B46FDF", _
  "3A985DA74FE225B2045C172D6BD390BD855F086E3E9D525B46BFE24511431532", _
  "EC01498288516FC926459F58E2C6AD8DF9B473CB0FC08C2596DA7CF0E49BE4B298D88CEA927AC7F539F1EDF228376D25", _
  "B751850B1A57168A5693CD924B6B096E08F621827444F70D884F5D0240D2712E10E116E9192AF3C91A7EC57647E3934057340B4CF408D5A56592F8274EEC53F0")
For i = 0 To 8
  CheckEq "HashStringSHA abc " & selectors(i), v.HashStringSHA("abc", selectors(i)), abc(i)
Next
CheckEq "HashStringSHA empty", v.HashStringSHA("", 1), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"
CheckEq "HashStringSHA million a", v.HashStringSHA(String(1000000, "a"), 2256), _
  "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"
CheckEq "HashStringSHA cut at U+0000", v.HashStringSHA("abc" & Chr(0) & "def", 2256), abc(2)
For Each sel In Array(256, 0, 2, 3)
  s = v.HashStringSHA("abc", sel)
  CheckErr "HashStringSHA refuses " & sel, ErrInvalidArgument
Next

' Transpose: an array declared with bounds arrives by reference, a ReDim array by value.
Dim m(1, 2)
For i = 0 To 5
  m(i \ 3, i Mod 3) = "m" & (i \ 3) & (i Mod 3)
Next
v.Transpose m
CheckOk "Transpose of a Dim array"
CheckEq "Transpose rows", UBound(m, 1), 2
CheckEq "Transpose columns", UBound(m, 2), 1
ok = True
For i = 0 To 5
  If m(i Mod 3, i \ 3) <> "m" & (i \ 3) & (i Mod 3) Then ok = False
Next
CheckEq "Transpose moves every element", ok, True
ReDim d(1, 2)
d(1, 2) = 12
d(0, 1) = 1
v.Transpose d
CheckOk "Transpose of a ReDim array"
CheckEq "Transpose ReDim bounds", UBound(d, 1) & "x" & UBound(d, 2), "2x1"
CheckEq "Transpose ReDim elements", d(2, 1) & "," & d(1, 0), "12,1"
a = Array(1, 2, 3)
v.Transpose a
CheckErr "Transpose of a list", ErrInvalidArgument
CheckEq "the list is unchanged", UBound(a), 2

' ReDimArray(array, cDims, cElements1, lLbound1, cElements2, lLbound2, ...).
a = Array("p", "q", "r", "s")
v.ReDimArray a, 2, 0, 0, 0, 1
CheckOk "ReDimArray list to column"
CheckEq "column rows", LBound(a, 1) & ".." & UBound(a, 1), "1..4"
CheckEq "column's single column", LBound(a, 2) & ".." & UBound(a, 2), "0..0"
CheckEq "column elements", a(1, 0) & a(4, 0), "ps"
v.ReDimArray a, 1, 0, 1
CheckOk "ReDimArray column to list"
CheckEq "list bounds", LBound(a) & ".." & UBound(a), "1..4"
CheckEq "list elements", a(1) & a(2) & a(3) & a(4), "pqrs"
v.ReDimArray a, 1, 0, 5
CheckEq "ReDimArray to its own dimension count changes nothing", LBound(a), 1
v.ReDimArray a, 3
CheckErr "ReDimArray to three dimensions", ErrInvalidArgument
ReDim e(0, 4)
e(0, 4) = "last"
v.ReDimArray e, 1, 0, 1
CheckOk "ReDimArray row to list"
CheckEq "row to list", UBound(e) & e(5), "5last"
ReDim e(1, 2)
v.ReDimArray e
CheckErr "ReDimArray of a 2 x 3 array", ErrInvalidArgument
CheckEq "2 x 3 unchanged", UBound(e, 1) & "x" & UBound(e, 2), "1x2"
' An array declared with bounds keeps its descriptor: one to two dimensions is refused, nothing lost.
Dim fixed(2)
fixed(2) = "z"
v.ReDimArray fixed, 2
CheckErr "ReDimArray of a fixed array to two dimensions", ErrInvalidArgument
CheckEq "fixed array intact", UBound(fixed) & fixed(2), "2z"
s = 5
v.ReDimArray s, 2
CheckErr "ReDimArray of a number", ErrInvalidArgument

Finish
