' BignumArithmeticFloat late-bound, as macro code uses it. Expected values computed independently
' (Python's decimal module, hand conversion of small values).
' Under Wine the version-independent ProgID cannot be resolved (its key holds only CurVer, which Wine's
' CLSIDFromProgID does not follow), so the suite creates the class by its versioned ProgID.
Dim f, g, i, b, text, file, sqrt2, bits, v

Set f = CreateObject("KorvelCOM.BignumArithmeticFloat.1")
CheckOk "CreateObject by the versioned ProgID"
f.Clear

' A register never set.
CheckEq "never set reads 0", f.Bignum(100), "0"
CheckEq "never set has 64 bits", f.SizeBits(100), 64
CheckEq "never set has sign 0", f.Sign(100), 0

' Precision table: requested bits against bits read back (32-bit limbs in x86, 64-bit limbs in x64).
Dim requested, x86bits, x64bits
requested = Array(0, 53, 64, 65, 100, 129, 1000, 1025, 100000)
x86bits = Array(64, 64, 64, 96, 128, 160, 1024, 1056, 100000)
x64bits = Array(64, 64, 64, 128, 128, 192, 1024, 1088, 100032)
For i = 0 To UBound(requested)
  f.SizeBits(1) = requested(i)
  If Arch() = "x64" Then v = x64bits(i) Else v = x86bits(i)
  CheckEq "SizeBits " & requested(i), f.SizeBits(1), v
  f.SizeBitsSet 2, requested(i)
  CheckEq "SizeBitsSet " & requested(i), f.SizeBits(2), v
Next
f.Clear 1
CheckEq "Clear gives the minimum precision back", f.SizeBits(1), 64

' The exponent text form, with the defaults filled by the dispatch layer (Precision is 8 bytes in x64).
Dim values, bases, separators, texts
values = Array("1.5", "7", "-3", "12", "0.0625", "0", "1.5", "1.5", "255.5", "5", "35", "-0.5", "1.5")
bases = Array(10, 10, 10, 10, 10, 10, 10, 10, 16, 2, 36, 10, 10)
separators = Array(".", ".", ".", ".", ".", ".", ",", "", ".", ".", ".", ".", ";")
texts = Array("1.5E+0", "7.0E+0", "-3.0E+0", "1.2E+1", "6.25E-2", "0", "1,5E+0", "1.5E+0", "f.f8E+1", "1.01E+2", _
  "z.0E+0", "-5.0E-1", "1;5E+0")
For i = 0 To UBound(values)
  f.BignumSet 3, values(i)
  CheckEq values(i) & " in base " & bases(i) & " with '" & separators(i) & "'", _
    f.Bignum(3, bases(i), 0, separators(i)), texts(i)
Next
f.BignumSet 3, "1.5"
CheckEq "all defaults", f.Bignum(3), "1.5E+0"
CheckEq "Exponential False", f.Bignum(3, 10, 0, ".", False), "1.5E+0"
f.BignumSet 3, "0.3333333333333333"
CheckEq "Precision 3", f.Bignum(3, 10, 3), "3.33E-1"

' Reading, with and without a separator.
f.BignumSet 4, "1,5"
CheckEq "a comma reads with the default separator", f.Bignum(4), "1.5E+0"
f.BignumSet 4, "2,5", 10, ","
CheckEq "a comma reads with the separator ','", f.Bignum(4), "2.5E+0"
f.BignumSet 4, "25"
CheckEq "a text without a point", f.Bignum(4), "2.5E+1"
f.Bignum(4, 16) = "f.f8E+1"
CheckEq "put Bignum reads what get Bignum writes in base 16", f.Bignum(4), "2.555E+2"
f.Bignum(4, 2) = "1.0E+11"
CheckEq "a decimal exponent in base 2", f.Bignum(4), "2.048E+3"
f.Bignum(4, 10, 0, ",") = "1,25E-2"
CheckEq "put Bignum with the separator ','", f.Bignum(4), "1.25E-2"

' Round trip in every base and with several separators.
f.SizeBits(5) = 256
f.SizeBits(6) = 256
Dim seps
seps = Array(".", ",", ";")
For b = 2 To 36
  For Each v In seps
    f.BignumSet 5, "-1267650600228229401496703205376"
    text = f.Bignum(5, b, 0, v)
    f.Bignum(6, b, 0, v) = text
    CheckEq "round trip of " & text & " in base " & b, f.Compare(5, 6), 0
  Next
Next

' Arithmetic.
f.BignumSet 10, "1.5"
f.BignumSet 11, "-2.25"
f.BignumSet 12, "3"
f.Multiply 20, 10, 11 : CheckEq "Multiply", f.Bignum(20), "-3.375E+0"
f.Sum 20, 10, 11 : CheckEq "Sum", f.Bignum(20), "-7.5E-1"
f.Subtract 20, 10, 11 : CheckEq "Subtract", f.Bignum(20), "3.75E+0"
f.Divide 20, 11, 10 : CheckEq "Divide", f.Bignum(20), "-1.5E+0"
f.MultiplyL 20, 10, -2 : CheckEq "MultiplyL by -2", f.Bignum(20), "-3.0E+0"
f.DivideL 20, 12, -2 : CheckEq "DivideL by -2", f.Bignum(20), "-1.5E+0"
f.SumL 20, 10, -2 : CheckEq "SumL", f.Bignum(20), "-5.0E-1"
f.SubtractL 20, 10, -2 : CheckEq "SubtractL", f.Bignum(20), "3.5E+0"
f.Power 20, 10, 10 : CheckEq "Power", f.Bignum(20), "5.76650390625E+1"
f.Negate 20, 11 : CheckEq "Negate", f.Bignum(20), "2.25E+0"
f.Abs 20, 11 : CheckEq "Abs", f.Bignum(20), "2.25E+0"
CheckEq "Compare less", f.Compare(11, 10), -1
CheckEq "Compare greater", f.Compare(10, 11), 1
CheckEq "Sign", f.Sign(11), -1

' The first 1000 digits of the square root of 2.
sqrt2 = "1.41421356237309504880168872420969807856967187537694807317667973799073247846210703885038753432764157" & _
  "2735013846230912297024924836055850737212644121497099935831413222665927505592755799950501152782060571" & _
  "4701095599716059702745345968620147285174186408891986095523292304843087143214508397626036279952514079" & _
  "8968725339654633180882964062061525835239505474575028775996172983557522033753185701135437460340849884" & _
  "7160386899970699004815030544027790316454247823068492936918621580578463111596668713013015618568987237" & _
  "2352885092648612494977154218334204285686060146824720771435854874155657069677653720226485447015858801" & _
  "6207584749226572260020855844665214583988939443709265918003113882464681570826301005948587040031864803" & _
  "4219489727829064104507263688131373985525611732204024509122770022694112757362728049573810896750401836" & _
  "9868368450725799364729060762996941380475654823728997180326802474420629269124859052181004459842150591" & _
  "1202494413417285314781058036033710773091828693147101711116839165817268894197587165821521282295184884" & _
  "7"
f.SizeBits(30) = 3400
f.SizeBits(31) = 3400
f.BignumSet 30, "2"
f.Root 31, 30
text = f.Bignum(31)
CheckEq "square root of 2 to 1000 digits", Left(text, 1001), sqrt2

' Clone into a register of lower precision: 1 + 2^-200 becomes 1; the precision stays.
f.SizeBits(32) = 512
f.Bignum(32, 16) = "1.00000000000000000000000000000000000000000000000001"
f.Clone 33, 32
CheckEq "Clone truncates", f.Bignum(33, 16), "1.0E+0"
CheckEq "Clone keeps the destination's precision", f.SizeBits(33), 64
f.SizeBits(34) = 512
f.Clone 34, 32
CheckEq "Clone at a higher precision keeps the value", f.Compare(34, 32), 0

' Machine-integer operands: 2^40 is exact in the 64-bit build, out of range in the 32-bit build.
f.SumL 35, 0, 1099511627776
If Arch() = "x64" Then
  CheckEq "SumL 2^40", f.Bignum(35), "1.099511627776E+12"
  f.MultiplyL 35, 10, -1099511627776
  CheckEq "MultiplyL -2^40", f.Bignum(35), "-1.649267441664E+12"
Else
  CheckErr "SumL 2^40 in the 32-bit build", ErrOverflow
End If

' Two objects share the registers.
Set g = CreateObject("KorvelCOM.BignumArithmeticFloat.1")
CheckEq "another object sees the register", g.Bignum(10), "1.5E+0"

' Files.
file = Scratch() & "float.txt"
f.BignumSet 40, "3.25"
f.FileGet 40, file
CheckOk "FileGet with the default base and precision"
f.FileSet 41, file
CheckEq "FileSet reads it back", f.Bignum(41), "3.25E+0"
f.BignumSet 40, "1267650600228229401496703205376"
f.FileGet 40, file, 2
f.FileSet 41, file, 2
CheckEq "file round trip in base 2", f.Compare(40, 41), 0
f.FileGet 40, file, 36, 5
f.FileSet 41, file, 36
' 2^100 is 3ewfdnca0n6ld1ggvfgg in base 36: five digits round to 3ewfe.
CheckEq "file round trip in base 36 with 5 digits", f.Bignum(41, 36), "3.ewfeE+19"
f.FileSet 41, Scratch() & "missing.txt"
CheckErr "FileSet of a missing file", ErrInvalidArgument
f.FileGet 40, file, 10, -1
CheckErr "FileGet with Precision -1", ErrInvalidArgument
f.FileSet 42, file, 36
CheckEq "the file was not touched by the refused FileGet", f.Bignum(42, 36), "3.ewfeE+19"

' Refused calls leave the script running and the registers unchanged.
f.BignumSet 50, "777"
f.BignumSet 51, "0"
f.BignumSet 52, "-4"
f.BignumSet 53, "1e30"
text = f.Bignum(50, 37) : CheckErr "base 37", ErrInvalidArgument
text = f.Bignum(50, 10, -1) : CheckErr "Precision -1", ErrInvalidArgument
f.BignumSet 50, "12x" : CheckErr "a text that does not read", ErrInvalidArgument
f.BignumSet 50, "1,000.5" : CheckErr "a thousands comma and a point", ErrInvalidArgument
f.Divide 50, 10, 51 : CheckErr "Divide by zero", ErrInvalidArgument
f.DivideL 50, 10, 0 : CheckErr "DivideL by zero", ErrInvalidArgument
f.Root 50, 52 : CheckErr "Root of a negative number", ErrInvalidArgument
f.Power 50, 10, -1 : CheckErr "Power -1", ErrInvalidArgument
f.Power 50, 53, 2147483647 : CheckErr "Power beyond the exponent range", ErrInvalidArgument
f.SizeBits(50) = -1 : CheckErr "SizeBits -1", ErrInvalidArgument
If Arch() = "x64" Then bits = 1099511627776 Else bits = 2147483647
f.SizeBitsSet 50, bits : CheckErr "SizeBits beyond what can be allocated", ErrInvalidArgument
text = f.Bignum(256) : CheckErr "register 256", ErrOverflow
CheckEq "the register kept its value", f.Bignum(50), "7.77E+2"
CheckEq "the register kept its precision", f.SizeBits(50), 64

f.Clear 50
CheckEq "Clear one register", f.Bignum(50), "0"
CheckEq "other registers stay", f.Bignum(10), "1.5E+0"
f.Clear
CheckEq "Clear all", f.Bignum(10), "0"
CheckEq "Clear all resets precision", f.SizeBits(31), 64

Finish
