' BignumArithmeticInteger late-bound, as macro code uses it. Expected values computed independently.
Dim n, m, i, b, text, file

Set n = CreateObject("KorvelCOM.BignumArithmeticInteger")
CheckOk "CreateObject by the version-independent ProgID"
Set m = CreateObject("KorvelCOM.BignumArithmeticInteger.1")
CheckOk "CreateObject by the versioned ProgID"
n.Clear

' Set and get in every base: 255 written in base b is "ff" in 16, "73" in 36, "11111111" in 2.
Dim expected255(36)
expected255(2) = "11111111" : expected255(3) = "100110" : expected255(8) = "377"
expected255(10) = "255" : expected255(16) = "ff" : expected255(36) = "73"
For b = 2 To 36
  n.BignumSet 1, "255", 10
  text = n.Bignum(1, b)
  If Not IsEmpty(expected255(b)) Then CheckEq "255 in base " & b, text, expected255(b)
  n.Bignum(2, b) = text
  CheckEq "read back in base " & b, n.Bignum(2), "255"
Next
n.Bignum(3, 36) = "ZZ"
CheckEq "letters in either case", n.Bignum(3), "1295"
n.BignumSet 4, "1 000 000"
CheckEq "white space between digits", n.Bignum(4), "1000000"

' Arithmetic.
n.BignumSet 10, "100000000000000000000"
n.BignumSet 11, "-7"
n.BignumSet 12, "2"
n.Sum 20, 10, 11 : CheckEq "Sum", n.Bignum(20), "99999999999999999993"
n.Subtract 20, 11, 10 : CheckEq "Subtract", n.Bignum(20), "-100000000000000000007"
n.Multiply 20, 10, 10 : CheckEq "Multiply", n.Bignum(20), "10000000000000000000000000000000000000000"
n.Divide 21, 22, 11, 12
CheckEq "Divide quotient truncates", n.Bignum(21), "-3"
CheckEq "Divide remainder has the dividend's sign", n.Bignum(22), "-1"
n.DivideL 21, 22, 10, 7
CheckEq "DivideL quotient", n.Bignum(21), "14285714285714285714"
CheckEq "DivideL remainder", n.Bignum(22), "2"
n.Power 23, 11, 77 : CheckEq "Power", n.Bignum(23), "-118181386580595879976868414312001964434038548836769923458287039207"
n.Factorial 24, 30 : CheckEq "Factorial", n.Bignum(24), "265252859812191058636308480000000"
n.Fibonacci 25, 100 : CheckEq "Fibonacci", n.Bignum(25), "354224848179261915075"
n.LucNum 25, 100 : CheckEq "LucNum", n.Bignum(25), "792070839848372253127"
n.BignumSet 26, "12345678901234567890123"
n.RootRem 27, 28, 26, 3
CheckEq "RootRem root", n.Bignum(27), "23112042"
CheckEq "RootRem remainder", n.Bignum(28), "655451715112035"
n.Negate 29, 10 : CheckEq "Negate", n.Bignum(29), "-100000000000000000000"
n.Abs 29, 29 : CheckEq "Abs of itself", n.Bignum(29), "100000000000000000000"
n.MultiplyL 30, 10, -3 : CheckEq "MultiplyL", n.Bignum(30), "-300000000000000000000"
n.SumL 30, 10, -1 : CheckEq "SumL", n.Bignum(30), "99999999999999999999"
n.SubtractL 30, 10, 1 : CheckEq "SubtractL", n.Bignum(30), "99999999999999999999"
CheckEq "Sign", n.Sign(11), -1
CheckEq "Even", n.Even(12), 1
CheckEq "Compare sign", Sgn(n.Compare(10, 11)), 1

' Machine-integer operands: 2^40 is exact in the 64-bit build, out of range in the 32-bit build.
n.SumL 31, 10, 1099511627776
If Arch() = "x64" Then
  CheckEq "SumL 2^40", n.Bignum(31), "100000001099511627776"
  n.MultiplyL 31, 10, 1099511627776
  CheckEq "MultiplyL 2^40", n.Bignum(31), "109951162777600000000000000000000"
  n.DivideL 31, 32, 10, 1099511627776
  CheckEq "DivideL 2^40 quotient", n.Bignum(31), "90949470"
  CheckEq "DivideL 2^40 remainder", n.Bignum(32), "194935521280"
Else
  CheckErr "SumL 2^40 in the 32-bit build", ErrOverflow
End If

' Two objects share the registers.
n.BignumSet 40, "31415926535897932384626"
CheckEq "another object sees the register", m.Bignum(40), "31415926535897932384626"

' Files.
file = Scratch() & "number.txt"
n.FileGet 10, file, 36
CheckOk "FileGet"
n.FileSet 41, file, 36
CheckEq "FileSet restores the value", n.Bignum(41), "100000000000000000000"
n.FileSet 41, Scratch() & "missing.txt"
CheckErr "FileSet of a missing file", ErrPermissionDenied

' Refused calls leave the script running and the registers unchanged.
n.BignumSet 50, "777"
text = n.Bignum(50, 37) : CheckErr "base 37", ErrInvalidArgument
text = n.Bignum(50, 1) : CheckErr "base 1", ErrInvalidArgument
n.BignumSet 50, "12x" : CheckErr "a text that does not read", ErrInvalidArgument
n.BignumSet 51, "0"
n.Divide 50, 52, 10, 51 : CheckErr "Divide by zero", ErrInvalidArgument
n.DivideL 50, 52, 10, 0 : CheckErr "DivideL by zero", ErrInvalidArgument
n.RootRem 50, 52, 11, 2 : CheckErr "even root of a negative number", ErrInvalidArgument
n.Factorial 50, -1 : CheckErr "Factorial -1", ErrInvalidArgument
text = n.Bignum(256) : CheckErr "register 256", ErrOverflow
text = n.Sign(-1) : CheckErr "register -1", ErrOverflow
CheckEq "the register kept its value", n.Bignum(50), "777"

n.Clear 50
CheckEq "Clear one register", n.Bignum(50), "0"
CheckEq "other registers stay", n.Bignum(10), "100000000000000000000"
n.Clear
CheckEq "Clear all", n.Bignum(10), "0"

Finish
