' A short macro-style session with the integer registers, late-bound by ProgID.
Option Explicit
Dim n
Set n = CreateObject("KorvelCOM.BignumArithmeticInteger")

n.Factorial 0, 100
WScript.Echo "100!          = " & n.Bignum(0)

n.BignumSet 1, "2"
n.Power 2, 1, 256
WScript.Echo "2^256         = " & n.Bignum(2)
WScript.Echo "2^256 (hex)   = " & n.Bignum(2, 16)

n.SubtractL 3, 2, 1
n.BignumSet 4, "115792089237316195423570985008687907853269984665640564039457584007908834671663"
n.Divide 5, 6, 3, 4
WScript.Echo "(2^256-1) / p = " & n.Bignum(5) & " remainder " & n.Bignum(6)

n.Fibonacci 7, 300
WScript.Echo "F(300)        = " & n.Bignum(7)

n.RootRem 8, 9, 0, 2
WScript.Echo "isqrt(100!)   = " & n.Bignum(8)
WScript.Echo "remainder     = " & n.Bignum(9)

' Register 12 holds 0: the division is refused with an error the macro can handle, and nothing changes.
On Error Resume Next
n.Divide 10, 11, 0, 12
WScript.Echo "100! / 0      -> error " & Err.Number & ": " & Err.Description
