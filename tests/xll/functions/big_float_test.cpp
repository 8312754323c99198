// The big-float worksheet functions from cells and by direct calls: the scientific form, separators,
// precision, exponents at the edge of 32 bits, and what the functions refuse.
#include <gtest/gtest.h>

#include <gmp.h>

#include <string>

#include "cell_calls.h"

namespace korvel::test {
namespace {

class BigFloatTest : public CellFunctionTest {};

// The scientific form written out from the library's digits in the test itself.
std::wstring Sci(mpf_srcptr v, size_t digits, wchar_t separator = L'.') {
  mp_exp_t e = 0;
  char* d = mpf_get_str(nullptr, &e, 10, digits, v);
  std::string s(d);
  void (*release)(void*, size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &release);
  release(d, s.size() + 1);
  if (s.empty()) return L"0";
  std::wstring out;
  size_t first = 0;
  if (s[0] == '-') {
    out += L'-';
    first = 1;
  }
  out += static_cast<wchar_t>(s[first]);
  out += separator;
  out += s.size() > first + 1 ? std::wstring(s.begin() + first + 1, s.end()) : L"0";
  out += L"E";
  if (e > 0) out += L"+";
  out += std::to_wstring(static_cast<long long>(e) - 1);
  return out;
}

ArgValue Cells(int rows, int columns, std::vector<ArgValue> v) { return ArgValue::Array(rows, columns, std::move(v)); }

TEST_F(BigFloatTest, TableOfCells) {
  RunCases({
      {"1.5 + 1.5", "SumFloat", {T(L"1.5"), T(L"1.5")}, TextResult(L"3.0E+0")},
      {"with separator ','", "SumFloat", {T(L"1.5"), T(L"1.5"), N(0), T(L",")}, TextResult(L"3,0E+0")},
      {"decimal commas without separator", "SumFloat", {T(L"1,5"), T(L"1,5")}, TextResult(L"3.0E+0")},
      {"1 - 1", "SubtractFloat", {T(L"1"), T(L"1")}, TextResult(L"0")},
      {"1 / 3 to 5 digits", "DivideFloat", {T(L"1"), T(L"3"), N(5)}, TextResult(L"3.3333E-1")},
      {"2 / 3 to 3 digits", "DivideFloat", {T(L"2"), T(L"3"), N(3)}, TextResult(L"6.67E-1")},
      {"1 / 0", "DivideFloat", {T(L"1"), T(L"0")}, ErrorResult(7)},
      {"-2 * 0.25", "MultiplyFloat", {T(L"-2"), T(L"0.25")}, TextResult(L"-5.0E-1")},
      {"2^10", "PowerFloat", {T(L"2"), N(10)}, TextResult(L"1.024E+3")},
      {"2^0", "PowerFloat", {T(L"2"), N(0)}, TextResult(L"1.0E+0")},
      {"root of 2 to 10 digits", "RootFloat", {T(L"2"), N(10)}, TextResult(L"1.414213562E+0")},
      {"grouped with ','", "SumFloat", {T(L"1.234,5"), T(L"0"), N(0), T(L",")}, NumberZero()},
      {"grouped with '.'", "SumFloat", {T(L"1,234.5"), T(L"0")}, NumberZero()},
      {"a result reads back", "SumFloat", {T(L"1.5E+2"), T(L"0")}, TextResult(L"1.5E+2")},
      {"0.00123", "SumFloat", {T(L"0.00123"), T(L"0")}, TextResult(L"1.23E-3")},
      {"PrecisionOut -1", "SumFloat", {T(L"1"), T(L"1"), N(-1)}, NullResult()},
      {"PrecisionOut 1", "DivideFloat", {T(L"2"), T(L"3"), N(1)}, TextResult(L"7.0E-1")},
      {"product of an empty range", "MultiplyFloat", {Cells(1, 2, {ArgValue::Empty(), ArgValue::Empty()})},
       NumberZero()},
      {"sum of an empty range", "SumFloat", {Cells(1, 2, {ArgValue::Empty(), ArgValue::Empty()})},
       TextResult(L"0")},
      {"range of numbers, texts, a boolean", "SumFloat",
       {Cells(1, 3, {N(0.5), T(L"1.25"), ArgValue::Bool(true)}), T(L"1")}, TextResult(L"2.75E+0")},
      {"separator ';'", "SumFloat", {T(L"1;5"), T(L"0"), N(0), T(L";")}, TextResult(L"1;5E+0")},
      {"separator 'ab' acts as 'a'", "SumFloat", {T(L"1a5"), T(L"0"), N(0), T(L"ab")}, TextResult(L"1a5E+0")},
      {"separator U+00B7 comes back as given", "SumFloat", {T(L"1\u00b75"), T(L"0"), N(0), T(L"\u00b7")},
       TextResult(L"1\u00b75E+0")},
      {"separator above U+00FF", "SumFloat", {T(L"1"), T(L"0"), N(0), T(L"\u0431")}, NullResult()},
      {"separator '2' is a digit", "SumFloat", {T(L"12"), T(L"0"), N(0), T(L"2")}, NullResult()},
      {"separator 'e'", "SubtractFloat", {T(L"1"), T(L"0"), N(0), T(L"e")}, NullResult()},
      {"separator '-'", "RootFloat", {T(L"1"), N(0), T(L"-")}, NullResult()},
      {"separator '@'", "PowerFloat", {T(L"1"), N(1), N(0), T(L"@")}, NullResult()},
      {"U+0431 is no digit", "SumFloat", {T(L"\u0431"), T(L"0")}, NumberZero()},
      {"text with empty Number2", "SumFloat", {T(L"1"), T(L"")}, NumberZero()},
      {"empty cell", "MultiplyFloat", {ArgValue::Empty(), T(L"1")}, NumberZero()},
      {"boolean refused", "SumFloat", {ArgValue::Bool(false), T(L"1")}, NullResult()},
      {"empty operand", "DivideFloat", {T(L""), T(L"1")}, NullResult()},
      {"negative exponent", "PowerFloat", {T(L"2"), N(-1)}, NullResult()},
      {"root of a negative", "RootFloat", {T(L"-4")}, NullResult()},
      {"root of -0", "RootFloat", {T(L"-0")}, TextResult(L"0")},
      {"cell number exactly", "SumFloat", {N(0.1), T(L"0"), N(30)}, TextResult(L"1.00000000000000005551115123126E-1")},
  });
}

TEST_F(BigFloatTest, PrecisionOutAtItsEdges) {
  mpf_t third;
  mpf_init2(third, 108673);
  mpf_set_ui(third, 1);
  mpf_div_ui(third, third, 3);
  const std::wstring full = Sci(third, 0);
  mpf_clear(third);
  ASSERT_EQ(full.size(), 32734u + 4);  // d, separator, 32733 digits, "E-1"
  RunCases({
      {"0: all digits", "DivideFloat", {T(L"1"), T(L"3"), N(0)}, TextResult(full)},
      {"32734", "DivideFloat", {T(L"1"), T(L"3"), N(32734)}, TextResult(full)},
      {"100000", "DivideFloat", {T(L"1"), T(L"3"), N(100000)}, TextResult(full)},
      {"1", "DivideFloat", {T(L"1"), T(L"3"), N(1)}, TextResult(L"3.0E-1")},
  });
}

TEST_F(BigFloatTest, FullPrecisionAgainstTheLibrary) {
  mpf_t r;
  mpf_init2(r, 108673);
  mpf_set_ui(r, 2);
  mpf_sqrt(r, r);
  const std::wstring root2 = Sci(r, 0, L',');
  mpf_set_str(r, "-7.25", 10);
  mpf_pow_ui(r, r, 1001);
  const std::wstring power = Sci(r, 0);
  mpf_clear(r);
  RunCases({
      {"root of 2", "RootFloat", {T(L"2"), N(0), T(L",")}, TextResult(root2)},
      {"-7.25^1001", "PowerFloat", {T(L"-7,25"), N(1001)}, TextResult(power)},
      {"operand of 32767 characters", "SumFloat", {T(L"1." + std::wstring(32765, L'0')), T(L"0")},
       TextResult(L"1.0E+0")},
  });
}

// The library's exponents are 32-bit: what lies beyond gives the number 0, never a wrapped exponent.
TEST_F(BigFloatTest, DecimalExponentsAtTheEdgeOf32Bits) {
  RunCases({
      {"largest exponent reads", "SumFloat", {T(L"1e2147483646"), T(L"0")}, TextResult(L"1.0E+2147483646")},
      {"one more does not", "SumFloat", {T(L"1e2147483647"), T(L"0")}, NumberZero()},
      {"smallest that reads", "SumFloat", {T(L"1e-2147483647"), T(L"0")}, TextResult(L"1.0E-2147483647")},
      {"a fraction digit beyond", "SumFloat", {T(L"1.5e-2147483647"), T(L"0")}, NumberZero()},
      {"an exponent of 40 bits", "SumFloat", {T(L"1e1099511627776"), T(L"0")}, NumberZero()},
      {"a sum that passes the edge", "SumFloat", {T(L"9e2147483645"), T(L"9e2147483645")},
       TextResult(L"1.8E+2147483646")},
      {"a sum beyond", "SumFloat", {T(L"9e2147483646"), T(L"9e2147483646")}, NumberZero()},
      {"a sum that stays inside", "SumFloat", {T(L"4e2147483645"), T(L"5e2147483645")},
       TextResult(L"9.0E+2147483645")},
      {"10^2147483646", "PowerFloat", {T(L"10"), N(2147483646)}, TextResult(L"1.0E+2147483646")},
      {"10^2147483647", "PowerFloat", {T(L"10"), N(2147483647)}, NumberZero()},
      {"100^2147483647 uncomputed", "PowerFloat", {T(L"100"), N(2147483647)}, NumberZero()},
      {"0.01^2147483647 uncomputed", "PowerFloat", {T(L"0.01"), N(2147483647)}, NumberZero()},
      {"quotient beyond", "DivideFloat", {T(L"1e-2000000000"), T(L"1e2000000000")}, NumberZero()},
      {"product beyond, then back", "MultiplyFloat",
       {Cells(1, 3, {T(L"1e2000000000"), T(L"1e2000000000"), T(L"1e-2000000000")}), T(L"2")},
       TextResult(L"2.0E+2000000000")},
      {"product beyond", "MultiplyFloat", {Cells(1, 2, {T(L"1e2000000000"), T(L"1e2000000000")}), T(L"1")},
       NumberZero()},
  });
}

TEST_F(BigFloatTest, DirectCalls) {
  wchar_t a[] = {3, L'1', L'.', L'5', 0}, none[] = {0, 0};
  XLOPER12* r = SubtractFloat(a, a, 0, none);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->xltype, xltypeStr | xlbitDLLFree);
  EXPECT_EQ(std::wstring(r->val.str + 1, r->val.str[0]), L"0");
  host.api().TakeResult(r);
  XLOPER12 cell{};
  cell.xltype = xltypeNum;
  cell.val.num = std::numeric_limits<double>::infinity();
  r = SumFloat(&cell, a, 0, none);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->xltype, xltypeNum | xlbitDLLFree);
  EXPECT_EQ(r->val.num, 0.0);
  host.api().TakeResult(r);
  cell.val.num = std::numeric_limits<double>::quiet_NaN();
  r = MultiplyFloat(&cell, a, 0, none);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->xltype, xltypeNum | xlbitDLLFree);
  host.api().TakeResult(r);
  EXPECT_EQ(RootFloat(a, -1, none), nullptr);
  EXPECT_EQ(std::wstring(a + 1, a[0]), L"1.5");
}

}  // namespace
}  // namespace korvel::test
