// The big-integer worksheet functions from cells (by their registered type texts) and by direct calls:
// results, bases, the 32767-character limit at its edges, and what the functions refuse.
#include <gtest/gtest.h>

#include <gmp.h>

#include <string>

#include "cell_calls.h"

namespace korvel::test {
namespace {

class BigIntegerTest : public CellFunctionTest {};

ArgValue Cells(int rows, int columns, std::vector<ArgValue> v) { return ArgValue::Array(rows, columns, std::move(v)); }

TEST_F(BigIntegerTest, TableOfCells) {
  RunCases({
      {"10 - 3", "SubtractInteger", {T(L"10"), T(L"3")}, TextResult(L"7")},
      {"10 - 3 in base 2", "SubtractInteger", {T(L"10"), T(L"3"), N(0), N(2)}, TextResult(L"111")},
      {"floor quotient", "DivideInteger", {T(L"-7"), T(L"2")}, TextResult(L"-4")},
      {"floor quotient by a negative", "DivideInteger", {T(L"7"), T(L"-2")}, TextResult(L"-4")},
      {"remainder of a negative", "ModInteger", {T(L"-7"), T(L"2")}, TextResult(L"1")},
      {"divisor's sign ignored", "ModInteger", {T(L"7"), T(L"-2")}, TextResult(L"1")},
      {"divide by 0", "DivideInteger", {T(L"5"), T(L"0")}, ErrorResult(7)},
      {"mod by -0", "ModInteger", {T(L"5"), T(L"-0")}, ErrorResult(7)},
      {"unreadable divisor", "DivideInteger", {T(L"5"), T(L"x")}, NumberZero()},
      {"empty operand", "SubtractInteger", {T(L""), T(L"3")}, NullResult()},
      {"omitted operand", "DivideInteger", {T(L"3")}, NullResult()},
      {"hex in", "ConvertBaseInteger", {T(L"FF"), N(16), N(10)}, TextResult(L"255")},
      {"hex out, lower case", "ConvertBaseInteger", {T(L"255"), N(10), N(16)}, TextResult(L"ff")},
      {"no digit 2 in base 2", "ConvertBaseInteger", {T(L"12"), N(2), N(10)}, NumberZero()},
      {"base 36 both ways", "ConvertBaseInteger", {T(L"zz"), N(36), N(36)}, TextResult(L"zz")},
      {"base in 1", "ConvertBaseInteger", {T(L"1"), N(1), N(10)}, NullResult()},
      {"base in 37", "ConvertBaseInteger", {T(L"1"), N(37), N(10)}, NullResult()},
      {"base in -5", "ConvertBaseInteger", {T(L"1"), N(-5), N(10)}, NullResult()},
      {"base out 37", "SubtractInteger", {T(L"1"), T(L"1"), N(10), N(37)}, NullResult()},
      {"base 0 is 10", "ConvertBaseInteger", {T(L"255"), N(0), N(0)}, TextResult(L"255")},
      {"base 2", "ConvertBaseInteger", {T(L"101"), N(2), N(10)}, TextResult(L"5")},
      {"white space between digits", "ConvertBaseInteger", {T(L" 1 2"), N(10), N(10)}, TextResult(L"12")},
      {"no plus sign", "ConvertBaseInteger", {T(L"+5"), N(10), N(10)}, NumberZero()},
      {"U+0431 is no digit", "SubtractInteger", {T(L"\u0431"), T(L"0")}, NumberZero()},
      {"U+0000 ends nothing", "SubtractInteger", {T(std::wstring(L"1\0" L"2", 3)), T(L"0")}, NumberZero()},
      {"cell number truncated", "SumInteger", {N(2.9), T(L"1")}, TextResult(L"3")},
      {"negative cell number truncated", "SumInteger", {N(-2.9), T(L"0")}, TextResult(L"-2")},
      {"text with empty Number2", "SumInteger", {T(L"5"), T(L"")}, NumberZero()},
      {"number with omitted Number2", "MultiplyInteger", {N(5)}, NumberZero()},
      {"empty cell", "SumInteger", {ArgValue::Empty(), T(L"1")}, NumberZero()},
      {"boolean refused", "SumInteger", {ArgValue::Bool(true), T(L"1")}, NullResult()},
      {"error refused", "MultiplyInteger", {ArgValue::Error(42), T(L"1")}, NullResult()},
      {"omitted refused", "SumInteger", {Omitted(), T(L"1")}, NullResult()},
      {"range of 1, '2', TRUE, empty plus 3", "SumInteger",
       {Cells(2, 2, {N(1), T(L"2"), ArgValue::Bool(true), ArgValue::Empty()}), T(L"3")}, TextResult(L"6")},
      {"product of the same", "MultiplyInteger",
       {Cells(2, 2, {N(1), T(L"2"), ArgValue::Bool(true), ArgValue::Empty()}), T(L"3")}, TextResult(L"6")},
      {"product of empty cells", "MultiplyInteger", {Cells(1, 2, {ArgValue::Empty(), ArgValue::Empty()}), T(L"")},
       NumberZero()},
      {"sum of empty cells", "SumInteger", {Cells(1, 2, {ArgValue::Empty(), ArgValue::Empty()}), T(L"")},
       TextResult(L"0")},
      {"unreadable array text", "SumInteger", {Cells(1, 2, {T(L"1"), T(L"q")}), T(L"1")}, NumberZero()},
      {"array in base 16", "SumInteger", {Cells(1, 2, {T(L"f"), T(L"1")}), T(L"10"), N(16), N(10)}, TextResult(L"32")},
      {"2^10", "PowerInteger", {T(L"2"), N(10)}, TextResult(L"1024")},
      {"0^0", "PowerInteger", {T(L"0"), N(0)}, TextResult(L"1")},
      {"(-1)^2147483647", "PowerInteger", {T(L"-1"), N(2147483647)}, TextResult(L"-1")},
      {"negative exponent", "PowerInteger", {T(L"2"), N(-1)}, NullResult()},
      {"2^2147483647 uncomputed", "PowerInteger", {T(L"2"), N(2147483647)}, NumberZero()},
      {"0!", "FactorialInteger", {N(0)}, TextResult(L"1")},
      {"5! in base 16", "FactorialInteger", {N(5), N(16)}, TextResult(L"78")},
      {"(-1)!", "FactorialInteger", {N(-1)}, NullResult()},
      {"base out 1", "FactorialInteger", {N(3), N(1)}, NullResult()},
      {"9274!", "FactorialInteger", {N(9274)}, NumberZero()},
      {"2000000000! uncomputed", "FactorialInteger", {N(2000000000)}, NumberZero()},
  });
}

TEST_F(BigIntegerTest, ResultsAtTheLengthLimit) {
  const std::wstring nines_32766(32766, L'9'), nines_32767(32767, L'9');
  mpz_t f;
  mpz_init(f);
  mpz_fac_ui(f, 9273);
  const std::wstring f9273 = GmpText(f, 10);
  mpz_clear(f);
  ASSERT_EQ(f9273.size(), 32764u);
  RunCases({
      {"32767 digits", "PowerInteger", {T(L"10"), N(32766)}, TextResult(L"1" + std::wstring(32766, L'0'))},
      {"32768 digits", "PowerInteger", {T(L"10"), N(32767)}, NumberZero()},
      {"32766 nines and a sign", "SubtractInteger", {T(L"0"), T(nines_32766)}, TextResult(L"-" + nines_32766)},
      {"32767 nines and a sign", "SubtractInteger", {T(L"0"), T(nines_32767)}, NumberZero()},
      {"32767 nines without sign", "SubtractInteger", {T(nines_32767), T(L"0")}, TextResult(nines_32767)},
      {"one more digit", "SumInteger", {T(nines_32767), T(L"1")}, NumberZero()},
      {"9273!", "FactorialInteger", {N(9273)}, TextResult(f9273)},
      {"operand of 32767 characters in base 36", "ConvertBaseInteger", {T(std::wstring(32767, L'Z')), N(36), N(36)},
       TextResult(std::wstring(32767, L'z'))},
      {"the same in base 2 is too long", "ConvertBaseInteger", {T(std::wstring(32767, L'Z')), N(36), N(2)},
       NumberZero()},
  });
}

// A product that surely cannot be written is not computed, but its other factors still decide: a 0 makes
// it "0", an unreadable one the number 0.
TEST_F(BigIntegerTest, ProductsBeyondTheLimitStillReadEveryFactor) {
  const ArgValue big = T(std::wstring(20000, L'9'));
  std::vector<ArgValue> many(50, big);
  std::vector<ArgValue> with_zero = many;
  with_zero.push_back(N(0));
  std::vector<ArgValue> with_bad = many;
  with_bad.push_back(T(L"x"));
  RunCases({
      {"too long", "MultiplyInteger", {ArgValue::Array(1, 50, many), T(L"1")}, NumberZero()},
      {"a zero at the end", "MultiplyInteger", {ArgValue::Array(1, 51, with_zero), T(L"7")}, TextResult(L"0")},
      {"a zero in Number2", "MultiplyInteger", {ArgValue::Array(1, 50, many), T(L"0")}, TextResult(L"0")},
      {"an unreadable factor", "MultiplyInteger", {ArgValue::Array(1, 51, with_bad), T(L"1")}, NumberZero()},
      {"two factors that fit", "MultiplyInteger", {T(std::wstring(16000, L'9')), T(L"9")},
       TextResult(L"8" + std::wstring(15999, L'9') + L"1")},
  });
}

TEST_F(BigIntegerTest, DirectCallsGiveNewRecordsFlaggedForTheAddIn) {
  wchar_t a[] = {2, L'1', L'2', 0}, b[] = {1, L'5', 0};
  XLOPER12* r1 = SubtractInteger(a, b, 0, 0);
  XLOPER12* r2 = SubtractInteger(a, b, 0, 0);
  ASSERT_NE(r1, nullptr);
  ASSERT_NE(r2, nullptr);
  EXPECT_NE(r1, r2);
  EXPECT_EQ(r1->xltype, xltypeStr | xlbitDLLFree);
  ASSERT_EQ(r1->val.str[0], 1);
  EXPECT_EQ(r1->val.str[1], L'7');
  EXPECT_EQ(r1->val.str[2], 0);
  host.api().TakeResult(r1);
  host.api().TakeResult(r2);
  XLOPER12 inf{};
  inf.xltype = xltypeNum;
  inf.val.num = std::numeric_limits<double>::infinity();
  XLOPER12* r3 = SumInteger(&inf, b, 10, 10);
  ASSERT_NE(r3, nullptr);
  EXPECT_EQ(r3->xltype, xltypeNum | xlbitDLLFree);
  EXPECT_EQ(r3->val.num, 0.0);
  host.api().TakeResult(r3);
  inf.val.num = std::numeric_limits<double>::quiet_NaN();
  XLOPER12* r4 = MultiplyInteger(&inf, b, 10, 10);
  ASSERT_NE(r4, nullptr);
  EXPECT_EQ(r4->xltype, xltypeNum | xlbitDLLFree);
  host.api().TakeResult(r4);
  EXPECT_EQ(SubtractInteger(a, b, 37, 10), nullptr);
  // The arguments stay as they came.
  EXPECT_EQ(a[0], 2);
  EXPECT_EQ(b[1], L'5');
}

// SumInteger2 writes the sum over Number2 and returns it; where SumInteger gives the number 0 it gives null.
TEST_F(BigIntegerTest, SumInteger2WritesOverNumber2) {
  std::vector<wchar_t> number2(32769, 0);
  auto set = [&](const std::wstring& t) {
    number2[0] = static_cast<wchar_t>(t.size());
    std::copy(t.begin(), t.end(), number2.begin() + 1);
  };
  XLOPER12 n1{};
  n1.xltype = xltypeNum;
  n1.val.num = 40.7;
  set(L"2");
  wchar_t* r = SumInteger2(&n1, number2.data(), 10, 16);
  ASSERT_EQ(r, number2.data());
  EXPECT_EQ(std::wstring(r + 1, r[0]), L"2a");
  EXPECT_EQ(r[3], 0);
  set(L"x");
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 10, 10), nullptr);
  set(L"");
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 10, 10), nullptr);
  n1.xltype = xltypeNil;
  set(L"1");
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 10, 10), nullptr);
  n1.xltype = xltypeBool;
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 10, 10), nullptr);
  n1.xltype = xltypeNum;
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 1, 10), nullptr);
  set(std::wstring(32767, L'9'));
  n1.val.num = 1;
  EXPECT_EQ(SumInteger2(&n1, number2.data(), 10, 10), nullptr);  // 32768 digits
}

}  // namespace
}  // namespace korvel::test
