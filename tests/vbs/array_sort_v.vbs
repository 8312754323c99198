' ArraySortV late-bound, with the arrays VBScript itself makes: Array() and ReDim arrays arrive by value,
' fixed-size Dim arrays by reference. Expected orders are written out by hand.
Dim vba, a, t, i, ok, text
Set vba = CreateObject("KorvelCOM.VBA")
CheckOk "CreateObject"

Function Joined(arr)
  Dim s, k
  s = ""
  For k = LBound(arr) To UBound(arr)
    s = s & arr(k) & ","
  Next
  Joined = s
End Function

a = Array("b", "B", "ab", "a", "")
vba.ArraySortV a
CheckEq "Array() of strings by code units", Joined(a), ",B,a,ab,b,"
vba.ArraySortV a, 0, True
CheckEq "descending", Joined(a), "b,ab,a,B,,"

a = Array(2.5, -3, 10, 2, -0.5)
vba.ArraySortV a
CheckEq "numbers", Joined(a), "-3,-0.5,2,2.5,10,"

' A fixed-size array: passed by reference, sorted in the caller's variable.
Dim f(3)
f(0) = 30 : f(1) = 10 : f(2) = 40 : f(3) = 20
vba.ArraySortV f
CheckEq "fixed-size array by reference", Joined(f), "10,20,30,40,"

' A table: rows by column 2 descending, then column 1 ascending.
Dim g(4, 1)
g(0, 0) = "d" : g(0, 1) = 2
g(1, 0) = "a" : g(1, 1) = 1
g(2, 0) = "c" : g(2, 1) = 2
g(3, 0) = "b" : g(3, 1) = 1
g(4, 0) = "e" : g(4, 1) = 3
vba.ArraySortV g, 2, True, 1, False
text = ""
For i = 0 To 4
  text = text & g(i, 0) & g(i, 1) & " "
Next
CheckEq "table by two keys", text, "e3 c2 d2 a1 b1 "

ReDim t(2, 2)
t(0, 0) = 3 : t(0, 1) = "x" : t(0, 2) = True
t(1, 0) = 1 : t(1, 1) = "y" : t(1, 2) = False
t(2, 0) = 2 : t(2, 1) = "z" : t(2, 2) = Empty
vba.ArraySortV t
CheckEq "ReDim table by its first column", t(0, 1) & t(1, 1) & t(2, 1), "yzx"

' Mixed values with Null and Empty: no error, every value still there.
a = Array(5, Null, "q", Empty, 1.5, Null, "a", 0)
vba.ArraySortV a
CheckOk "mixed values"
Dim nulls, empties
nulls = 0 : empties = 0
For i = 0 To UBound(a)
  If IsNull(a(i)) Then nulls = nulls + 1
  If IsEmpty(a(i)) Then empties = empties + 1
Next
CheckEq "nulls kept", nulls, 2
CheckEq "empties kept", empties, 1

' Above the serial limit: 5000 numbers come out in order, and their sum is kept.
Dim big(4999)
Dim total, after, x
total = 0
x = 7
For i = 0 To 4999
  x = (x * 7919 + 13) Mod 100003
  big(i) = x
  total = total + x
Next
vba.ArraySortV big
CheckOk "5000 numbers"
ok = True
after = big(0)
For i = 1 To 4999
  If big(i - 1) > big(i) Then ok = False
  after = after + big(i)
Next
CheckEq "5000 numbers in order", ok, True
CheckEq "5000 numbers all kept", after, total

' Refused arguments leave the array as it was.
a = Array(3, 1, 2)
vba.ArraySortV a, 4
CheckErr "key beyond the list", ErrInvalidArgument
vba.ArraySortV g, 0, False, 1
CheckErr "second key without a first", ErrInvalidArgument
vba.ArraySortV g, 3
CheckErr "key beyond the columns", ErrInvalidArgument
vba.ArraySortV g, -1
CheckErr "negative key", ErrInvalidArgument
vba.ArraySortV 5
CheckErr "no array", ErrInvalidArgument
CheckEq "refused array unchanged", Joined(a), "3,1,2,"

Finish
