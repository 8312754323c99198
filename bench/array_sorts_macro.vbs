' 20,000 random strings: a quicksort written the way macro code sorts an array, against ArraySortV on a
' copy of the same data. Both results are compared element by element.
Option Explicit
Const N = 20000
Dim data, copy, vba, i, j, x, s, t0, macroTime, serverTime, same

Sub QuickSort(arr, ByVal lo, ByVal hi)
  Dim i, j, pivot, tmp
  i = lo : j = hi
  pivot = arr((lo + hi) \ 2)
  Do While i <= j
    Do While arr(i) < pivot
      i = i + 1
    Loop
    Do While arr(j) > pivot
      j = j - 1
    Loop
    If i <= j Then
      tmp = arr(i) : arr(i) = arr(j) : arr(j) = tmp
      i = i + 1 : j = j - 1
    End If
  Loop
  If lo < j Then QuickSort arr, lo, j
  If i < hi Then QuickSort arr, i, hi
End Sub

ReDim data(N - 1)
x = 12345
For i = 0 To N - 1
  s = ""
  For j = 1 To 10
    x = (x * 7919 + 13) Mod 100003
    s = s & Chr(65 + x Mod 26)
  Next
  data(i) = s
Next
copy = data

Set vba = CreateObject("KorvelCOM.VBA")
t0 = Timer
QuickSort data, 0, N - 1
macroTime = Timer - t0
t0 = Timer
vba.ArraySortV copy
serverTime = Timer - t0

same = True
For i = 0 To N - 1
  If data(i) <> copy(i) Then same = False
Next
' Timer counts in steps of about 10 ms on some systems: a sort below one step reads as one step.
If serverTime <= 0 Then serverTime = 0.01
WScript.Echo "20,000 random strings from VBScript: macro quicksort " & Round(macroTime * 1000) & _
  " ms, ArraySortV " & Round(serverTime * 1000) & " ms, ratio " & Round(macroTime / serverTime) & _
  ", same order: " & same
