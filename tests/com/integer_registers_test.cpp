// BignumArithmeticInteger through its vtable (early binding) and through IDispatch (late binding).
// Expected values were computed independently (Python's integers), not by this server.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/gmp_allocation.h"
#include "test_support.h"

namespace korvel::test {
namespace {

class IntegerRegisters : public ::testing::Test {
 protected:
  void SetUp() override {
    n_ = Server::Get().Create<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
    ASSERT_TRUE(n_);
    ASSERT_EQ(S_OK, n_->Clear(-1));
  }
  void Set(BYTE reg, const wchar_t* text, LONG base = 10) {
    UniqueBstr b(SysAllocString(text));
    ASSERT_EQ(S_OK, n_->BignumSet(reg, b.get(), base)) << text;
  }
  std::wstring Get(BYTE reg, LONG base = 10) {
    BSTR out = nullptr;
    HRESULT hr = n_->get_Bignum(reg, base, &out);
    UniqueBstr owned(out);
    if (FAILED(hr)) return L"<error>";
    std::wstring text(out, SysStringLen(out));
    // A failure message should not print a number of a billion digits.
    return text.size() <= 200 ? text : text.substr(0, 40) + L"... (" + std::to_wstring(text.size()) + L" digits)";
  }
  HRESULT SetText(BYTE reg, const wchar_t* text, LONG base = 10) {
    UniqueBstr b(text ? SysAllocString(text) : nullptr);
    return n_->put_Bignum(reg, base, b.get());
  }

  ComPtr<IBignumArithmeticInteger> n_;
};

// Small numbers in every base, against a plain conversion of a machine integer.
std::wstring ToBase(std::int64_t value, int base) {
  const wchar_t* digits = L"0123456789abcdefghijklmnopqrstuvwxyz";
  std::uint64_t m = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::wstring s;
  do { s.insert(s.begin(), digits[m % base]); m /= base; } while (m);
  return value < 0 ? L"-" + s : s;
}

TEST_F(IntegerRegisters, TextRoundTripsInEveryBase) {
  const std::int64_t values[] = {0, 1, -1, 35, 255, -4096, 1234567890123456789LL, INT64_MIN + 1};
  for (int base = 2; base <= 36; ++base) {
    for (std::int64_t v : values) {
      std::wstring text = ToBase(v, base);
      ASSERT_EQ(S_OK, SetText(3, text.c_str(), base)) << base;
      EXPECT_EQ(text, Get(3, base)) << base;
      EXPECT_EQ(std::to_wstring(v), Get(3, 10)) << base;
    }
  }
  Set(4, L"-123456789012345678901234567890");
  EXPECT_EQ(L"-byw97um9s91dlz68tsi", Get(4, 36));
  EXPECT_EQ(L"-1100011101110100100001111111101101100001101110011111000001110111001001110001111110000101011010010",
            Get(4, 2));
}

TEST_F(IntegerRegisters, ReadingRules) {
  const struct { const wchar_t* text; LONG base; const wchar_t* value; } accepted[] = {
      {L"FF", 16, L"255"}, {L"ff", 16, L"255"}, {L"1 000 000", 10, L"1000000"}, {L"  -42", 10, L"-42"},
      {L"z", 36, L"35"},   {L"Zz", 36, L"1295"}, {L"007", 8, L"7"},
  };
  for (const auto& c : accepted) {
    ASSERT_EQ(S_OK, SetText(1, c.text, c.base)) << c.text;
    EXPECT_EQ(c.value, Get(1)) << c.text;
  }
  Set(2, L"777");
  const struct { const wchar_t* text; LONG base; } refused[] = {
      {L"+5", 10}, {L"", 10}, {nullptr, 10}, {L"- 5", 10}, {L"12a4", 10}, {L"2", 2}, {L"g", 16}, {L"5", 1},
      {L"5", 37}, {L"5", 0}, {L"5", -10},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(E_INVALIDARG, SetText(2, c.text, c.base)) << (c.text ? c.text : L"(null)") << " " << c.base;
    UniqueBstr b(c.text ? SysAllocString(c.text) : nullptr);
    EXPECT_EQ(E_INVALIDARG, n_->BignumSet(2, b.get(), c.base));
    EXPECT_EQ(L"777", Get(2)) << "the register keeps its value";
  }
  BSTR out = nullptr;
  EXPECT_EQ(E_INVALIDARG, n_->get_Bignum(2, 1, &out));
  EXPECT_EQ(E_INVALIDARG, n_->get_Bignum(2, 37, &out));
  EXPECT_EQ(nullptr, out);
}

TEST_F(IntegerRegisters, TextAfterNulIsNotSeen) {
  UniqueBstr b(SysAllocStringLen(L"12\0" L"34", 5));
  ASSERT_EQ(S_OK, n_->BignumSet(0, b.get(), 10));
  EXPECT_EQ(L"12", Get(0));
}

TEST_F(IntegerRegisters, SignEvenCompare) {
  LONG v = 9;
  EXPECT_EQ(S_OK, n_->get_Sign(0, &v));
  EXPECT_EQ(0, v);
  EXPECT_EQ(S_OK, n_->get_Even(0, &v));
  EXPECT_EQ(1, v);
  Set(1, L"-18446744073709551616");
  Set(2, L"5");
  n_->get_Sign(1, &v);
  EXPECT_EQ(-1, v);
  n_->get_Even(2, &v);
  EXPECT_EQ(0, v);
  n_->Compare(1, 2, &v);
  EXPECT_LT(v, 0);
  n_->Compare(2, 1, &v);
  EXPECT_GT(v, 0);
  n_->Compare(2, 2, &v);
  EXPECT_EQ(0, v);
}

TEST_F(IntegerRegisters, Arithmetic) {
  Set(1, L"100000000000000000000");  // 10^20
  Set(2, L"-7");
  Set(3, L"2");
  ASSERT_EQ(S_OK, n_->Sum(10, 1, 2));
  EXPECT_EQ(L"99999999999999999993", Get(10));
  ASSERT_EQ(S_OK, n_->Subtract(10, 2, 1));
  EXPECT_EQ(L"-100000000000000000007", Get(10));
  ASSERT_EQ(S_OK, n_->Multiply(10, 1, 1));
  EXPECT_EQ(L"10000000000000000000000000000000000000000", Get(10));
  ASSERT_EQ(S_OK, n_->Divide(11, 12, 2, 3));
  EXPECT_EQ(L"-3", Get(11));
  EXPECT_EQ(L"-1", Get(12));
  ASSERT_EQ(S_OK, n_->Abs(13, 2));
  EXPECT_EQ(L"7", Get(13));
  ASSERT_EQ(S_OK, n_->Negate(2, 2));  // one register named twice
  EXPECT_EQ(L"7", Get(2));
  ASSERT_EQ(S_OK, n_->Abs(2, 2));
  EXPECT_EQ(L"7", Get(2));
  ASSERT_EQ(S_OK, n_->Power(14, 2, 77));
  EXPECT_EQ(L"118181386580595879976868414312001964434038548836769923458287039207", Get(14));
  ASSERT_EQ(S_OK, n_->Clone(15, 14));
  EXPECT_EQ(Get(14), Get(15));
  ASSERT_EQ(S_OK, n_->Factorial(16, 30));
  EXPECT_EQ(L"265252859812191058636308480000000", Get(16));
  ASSERT_EQ(S_OK, n_->Fibonacci(17, 100));
  EXPECT_EQ(L"354224848179261915075", Get(17));
  ASSERT_EQ(S_OK, n_->LucNum(18, 100));
  EXPECT_EQ(L"792070839848372253127", Get(18));
  Set(19, L"12345678901234567890123");
  ASSERT_EQ(S_OK, n_->RootRem(20, 21, 19, 3));
  EXPECT_EQ(L"23112042", Get(20));
  EXPECT_EQ(L"655451715112035", Get(21));
  Set(22, L"-27");
  ASSERT_EQ(S_OK, n_->RootRem(20, 21, 22, 3));  // an odd root of a negative number
  EXPECT_EQ(L"-3", Get(20));
  EXPECT_EQ(L"0", Get(21));
}

TEST_F(IntegerRegisters, StartingValuesOfTheSequences) {
  Set(1, L"0");
  ASSERT_EQ(S_OK, n_->Power(2, 1, 0));
  EXPECT_EQ(L"1", Get(2));
  ASSERT_EQ(S_OK, n_->Factorial(2, 0));
  EXPECT_EQ(L"1", Get(2));
  ASSERT_EQ(S_OK, n_->Fibonacci(2, 0));
  EXPECT_EQ(L"0", Get(2));
  ASSERT_EQ(S_OK, n_->LucNum(2, 0));
  EXPECT_EQ(L"2", Get(2));
  ASSERT_EQ(S_OK, n_->LucNum(2, 1));
  EXPECT_EQ(L"1", Get(2));
}

TEST_F(IntegerRegisters, MachineIntegerOperandsAreExact) {
  Set(1, L"100000000000000000000");
#ifdef _WIN64
  const LONG_PTR big = LONG_PTR{1} << 40;
  ASSERT_EQ(S_OK, n_->SumL(2, 1, big));
  EXPECT_EQ(L"100000001099511627776", Get(2));
  ASSERT_EQ(S_OK, n_->SubtractL(2, 1, big));
  EXPECT_EQ(L"99999998900488372224", Get(2));
  ASSERT_EQ(S_OK, n_->MultiplyL(2, 1, big));
  EXPECT_EQ(L"109951162777600000000000000000000", Get(2));
  ASSERT_EQ(S_OK, n_->MultiplyL(2, 1, -big));
  EXPECT_EQ(L"-109951162777600000000000000000000", Get(2));
  ASSERT_EQ(S_OK, n_->DivideL(3, 4, 1, big));
  EXPECT_EQ(L"90949470", Get(3));
  EXPECT_EQ(L"194935521280", Get(4));
  ASSERT_EQ(S_OK, n_->SumL(5, 0, INT64_MIN));
  EXPECT_EQ(L"-9223372036854775808", Get(5));
  ASSERT_EQ(S_OK, n_->SubtractL(5, 0, INT64_MIN));
  EXPECT_EQ(L"9223372036854775808", Get(5));
  Set(6, L"1");
  ASSERT_EQ(S_OK, n_->Power(7, 6, big));  // 1 to any power, also beyond 32 bits
  EXPECT_EQ(L"1", Get(7));
  Set(6, L"-1");
  ASSERT_EQ(S_OK, n_->Power(7, 6, big + 1));
  EXPECT_EQ(L"-1", Get(7));
  Set(6, L"5");
  ASSERT_EQ(S_OK, n_->RootRem(7, 8, 6, big));
  EXPECT_EQ(L"1", Get(7));
  EXPECT_EQ(L"4", Get(8));
#else
  ASSERT_EQ(S_OK, n_->SumL(5, 0, LONG_MIN));
  EXPECT_EQ(L"-2147483648", Get(5));
  ASSERT_EQ(S_OK, n_->SubtractL(5, 0, LONG_MIN));
  EXPECT_EQ(L"2147483648", Get(5));
  ASSERT_EQ(S_OK, n_->MultiplyL(2, 1, LONG_MIN));
  EXPECT_EQ(L"-214748364800000000000000000000", Get(2));
  ASSERT_EQ(S_OK, n_->DivideL(3, 4, 1, LONG_MAX));
  EXPECT_EQ(L"46566128752", Get(3));
  EXPECT_EQ(L"983481456", Get(4));
#endif
}

// F(n) has about 0.69 n bits: this index is beyond the bound in either build.
constexpr LONG_PTR kTwiceTheBound = static_cast<LONG_PTR>(kMaxResultBits * 2);

// Calls that the library would answer by ending the process: refused, and no register changes.
TEST_F(IntegerRegisters, RefusedCallsChangeNothing) {
  Set(1, L"12345");
  Set(2, L"0");
  Set(3, L"-16");
  Set(9, L"999");
  Set(10, L"888");
  const struct { const char* what; HRESULT (*call)(IBignumArithmeticInteger*); } refused[] = {
      {"Divide by zero", [](IBignumArithmeticInteger* n) { return n->Divide(9, 10, 1, 2); }},
      {"DivideL by zero", [](IBignumArithmeticInteger* n) { return n->DivideL(9, 10, 1, 0); }},
      {"DivideL by -2", [](IBignumArithmeticInteger* n) { return n->DivideL(9, 10, 1, -2); }},
      {"RootRem of degree 0", [](IBignumArithmeticInteger* n) { return n->RootRem(9, 10, 1, 0); }},
      {"RootRem of degree -1", [](IBignumArithmeticInteger* n) { return n->RootRem(9, 10, 1, -1); }},
      {"even root of a negative number", [](IBignumArithmeticInteger* n) { return n->RootRem(9, 10, 3, 2); }},
      {"Power -1", [](IBignumArithmeticInteger* n) { return n->Power(9, 1, -1); }},
      {"Power too large", [](IBignumArithmeticInteger* n) { return n->Power(9, 1, 0x7fffffff); }},
      {"Factorial -1", [](IBignumArithmeticInteger* n) { return n->Factorial(9, -1); }},
      {"Factorial too large", [](IBignumArithmeticInteger* n) { return n->Factorial(9, 0x7fffffff); }},
      {"Fibonacci -1", [](IBignumArithmeticInteger* n) { return n->Fibonacci(9, -1); }},
      {"Fibonacci too large", [](IBignumArithmeticInteger* n) { return n->Fibonacci(9, kTwiceTheBound); }},
      {"LucNum -1", [](IBignumArithmeticInteger* n) { return n->LucNum(9, -1); }},
      {"LucNum too large", [](IBignumArithmeticInteger* n) { return n->LucNum(9, kTwiceTheBound); }},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(E_INVALIDARG, c.call(n_.get())) << c.what;
    EXPECT_EQ(L"999", Get(9)) << c.what;
    EXPECT_EQ(L"888", Get(10)) << c.what;
    EXPECT_EQ(L"12345", Get(1)) << c.what;
  }
}

TEST_F(IntegerRegisters, ResultsBeyondTheSizeBoundAreRefused) {
  // 2^(bound/2) is allocatable; its square would need two bits more than the bound.
  Set(1, L"2");
  ASSERT_EQ(S_OK, n_->Power(2, 1, static_cast<LONG_PTR>(kMaxResultBits / 2)));
  EXPECT_EQ(E_INVALIDARG, n_->Power(3, 1, static_cast<LONG_PTR>(kMaxResultBits / 2 + 1)));
  EXPECT_EQ(E_INVALIDARG, n_->Multiply(3, 2, 2));
  LONG even = 0;
  n_->get_Even(2, &even);
  EXPECT_EQ(1, even);
  EXPECT_EQ(L"0", Get(3));
  ASSERT_EQ(S_OK, n_->Clear(2));
}

TEST_F(IntegerRegisters, ClearOneOrAll) {
  for (BYTE r : {0, 7, 255}) Set(r, L"5");
  ASSERT_EQ(S_OK, n_->Clear(7));
  EXPECT_EQ(L"0", Get(7));
  EXPECT_EQ(L"5", Get(0));
  for (LONG all : {256, -5, -1}) {
    for (BYTE r : {0, 7, 255}) Set(r, L"5");
    ASSERT_EQ(S_OK, n_->Clear(all));
    for (BYTE r : {0, 7, 255}) EXPECT_EQ(L"0", Get(r)) << all;
  }
}

TEST_F(IntegerRegisters, ObjectsShareOneStore) {
  auto other = Server::Get().Create<IBignumArithmeticInteger>(CLSID_BignumArithmeticInteger);
  ASSERT_TRUE(other);
  Set(42, L"31415926535897932384626");
  BSTR out = nullptr;
  ASSERT_EQ(S_OK, other->get_Bignum(42, 10, &out));
  UniqueBstr owned(out);
  EXPECT_STREQ(L"31415926535897932384626", out);
}

class IntegerFiles : public IntegerRegisters {
 protected:
  std::wstring folder_ = ScratchFolder(L"integer-files");
};

TEST_F(IntegerFiles, SaveAndLoadInEveryBase) {
  Set(1, L"-123456789012345678901234567890");
  for (LONG base = 2; base <= 36; ++base) {
    UniqueBstr file(SysAllocString((folder_ + L"n" + std::to_wstring(base) + L".txt").c_str()));
    ASSERT_EQ(S_OK, n_->FileGet(1, file.get(), base));
    ASSERT_EQ(S_OK, n_->FileSet(2, file.get(), base));
    EXPECT_EQ(L"-123456789012345678901234567890", Get(2)) << base;
  }
  UniqueBstr file(SysAllocString((folder_ + L"n16.txt").c_str()));
  EXPECT_EQ("-18ee90ff6c373e0ee4e3f0ad2", ReadFileBytes(folder_ + L"n16.txt"));  // no line end
}

TEST_F(IntegerFiles, ReadingAFile) {
  const struct { const char* content; HRESULT hr; const wchar_t* value; } cases[] = {
      {"  -123abc", S_OK, L"-123"},
      {"\r\n\t42\r\n", S_OK, L"42"},
      {"", E_INVALIDARG, L"777"},
      {"abc", E_INVALIDARG, L"777"},
  };
  for (const auto& c : cases) {
    Set(3, L"777");
    WriteFileBytes(folder_ + L"read.txt", c.content);
    UniqueBstr file(SysAllocString((folder_ + L"read.txt").c_str()));
    EXPECT_EQ(c.hr, n_->FileSet(3, file.get(), 10)) << c.content;
    EXPECT_EQ(c.value, Get(3)) << c.content;
  }
  UniqueBstr missing(SysAllocString((folder_ + L"missing.txt").c_str()));
  EXPECT_EQ(E_ACCESSDENIED, n_->FileSet(3, missing.get(), 10));
  EXPECT_EQ(E_ACCESSDENIED, n_->FileSet(3, nullptr, 10));
}

TEST_F(IntegerFiles, WritingChecksTheBaseBeforeTheFileIsTouched) {
  WriteFileBytes(folder_ + L"keep.txt", "precious");
  UniqueBstr file(SysAllocString((folder_ + L"keep.txt").c_str()));
  EXPECT_EQ(E_INVALIDARG, n_->FileGet(1, file.get(), 63));
  EXPECT_EQ(E_INVALIDARG, n_->FileGet(1, file.get(), 1));
  EXPECT_EQ("precious", ReadFileBytes(folder_ + L"keep.txt"));
  UniqueBstr nowhere(SysAllocString((folder_ + L"no\\such\\folder.txt").c_str()));
  EXPECT_EQ(E_ACCESSDENIED, n_->FileGet(1, nowhere.get(), 10));
  // Bases the library writes but the text members do not read: prefix-free decimal for 0, upper case below 0.
  Set(1, L"255");
  ASSERT_EQ(S_OK, n_->FileGet(1, file.get(), -16));
  EXPECT_EQ("FF", ReadFileBytes(folder_ + L"keep.txt"));
  ASSERT_EQ(S_OK, n_->FileGet(1, file.get(), 0));
  EXPECT_EQ("255", ReadFileBytes(folder_ + L"keep.txt"));
}

// Late-bound: what a script client gets when it leaves optional arguments out.
TEST_F(IntegerRegisters, LateBoundDefaults) {
  ComPtr<IDispatch> d;
  ASSERT_EQ(S_OK, n_->QueryInterface(IID_IDispatch, d.put_void()));
  LateBound call(d.get());
  ScopedVariant result;
  ASSERT_EQ(S_OK, call.Call(L"BignumSet", DISPATCH_METHOD, {VI4(1), VBstr(L"255")}, result.get()));
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1)}, result.get()));
  EXPECT_STREQ(L"255", V_BSTR(result.get()));
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1), VI4(16)}, result.get()));
  EXPECT_STREQ(L"ff", V_BSTR(result.get()));
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYPUT, {VI4(2), VI4(36), VBstr(L"z")}, result.get()));
  EXPECT_EQ(L"35", Get(2));
  ASSERT_EQ(S_OK, call.Call(L"Clear", DISPATCH_METHOD, {}, result.get()));  // Clear(-1): every register
  EXPECT_EQ(L"0", Get(1));
  EXPECT_EQ(L"0", Get(2));
  EXPECT_EQ(E_INVALIDARG, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1), VI4(37)}, result.get()));
}

}  // namespace
}  // namespace korvel::test
