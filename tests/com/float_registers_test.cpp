// BignumArithmeticFloat through its vtable (early binding) and through IDispatch (late binding).
// Expected values were computed independently (Python's decimal module, hand conversion of small values),
// not by this server.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "registers/float_number.h"
#include "test_support.h"

namespace korvel::test {
namespace {

// The first 1000 decimal digits of the square root of 2 (Python: getcontext().prec = 1010;
// Decimal(2).sqrt()).
const wchar_t kSqrt2[] =
    L"1.41421356237309504880168872420969807856967187537694807317667973799073247846210703885038753432764157"
    L"2735013846230912297024924836055850737212644121497099935831413222665927505592755799950501152782060571"
    L"4701095599716059702745345968620147285174186408891986095523292304843087143214508397626036279952514079"
    L"8968725339654633180882964062061525835239505474575028775996172983557522033753185701135437460340849884"
    L"7160386899970699004815030544027790316454247823068492936918621580578463111596668713013015618568987237"
    L"2352885092648612494977154218334204285686060146824720771435854874155657069677653720226485447015858801"
    L"6207584749226572260020855844665214583988939443709265918003113882464681570826301005948587040031864803"
    L"4219489727829064104507263688131373985525611732204024509122770022694112757362728049573810896750401836"
    L"9868368450725799364729060762996941380475654823728997180326802474420629269124859052181004459842150591"
    L"1202494413417285314781058036033710773091828693147101711116839165817268894197587165821521282295184884"
    L"7";

#ifdef _WIN64
constexpr bool k64 = true;
#else
constexpr bool k64 = false;
#endif

class FloatRegisters : public ::testing::Test {
 protected:
  void SetUp() override {
    f_ = Server::Get().Create<IBignumArithmeticFloat>(CLSID_BignumArithmeticFloat);
    ASSERT_TRUE(f_);
    ASSERT_EQ(S_OK, f_->Clear(-1));
  }
  HRESULT SetText(BYTE reg, const wchar_t* text, LONG base = 10, const wchar_t* separator = L".") {
    UniqueBstr t(text ? SysAllocString(text) : nullptr);
    UniqueBstr s(separator ? SysAllocString(separator) : nullptr);
    return f_->put_Bignum(reg, base, 0, s.get(), VARIANT_TRUE, t.get());
  }
  void Set(BYTE reg, const wchar_t* text, LONG base = 10) {
    ASSERT_EQ(S_OK, SetText(reg, text, base)) << text;
  }
  std::wstring Get(BYTE reg, LONG base = 10, LONG_PTR precision = 0, const wchar_t* separator = L".",
                   VARIANT_BOOL exponential = VARIANT_TRUE) {
    UniqueBstr s(separator ? SysAllocString(separator) : nullptr);
    BSTR out = nullptr;
    HRESULT hr = f_->get_Bignum(reg, base, precision, s.get(), exponential, &out);
    UniqueBstr owned(out);
    if (FAILED(hr)) return L"<error " + std::to_wstring(hr) + L">";
    return std::wstring(out, SysStringLen(out));
  }
  LONG_PTR Bits(BYTE reg) {
    LONG_PTR bits = -1;
    EXPECT_EQ(S_OK, f_->get_SizeBits(reg, &bits));
    return bits;
  }
  LONG Compare(BYTE a, BYTE b) {
    LONG order = 99;
    EXPECT_EQ(S_OK, f_->Compare(a, b, &order));
    return order;
  }

  ComPtr<IBignumArithmeticFloat> f_;
};

TEST_F(FloatRegisters, ARegisterNeverSetReadsZero) {
  EXPECT_EQ(L"0", Get(200));
  EXPECT_EQ(64, Bits(200));
  LONG sign = 9;
  EXPECT_EQ(S_OK, f_->get_Sign(200, &sign));
  EXPECT_EQ(0, sign);
}

// Requested bits against the bits read back: whole limbs of 32 or 64 bits, one limb less than stored.
TEST_F(FloatRegisters, PrecisionTable) {
  const struct { LONG_PTR requested, x86, x64; } rows[] = {
      {0, 64, 64},     {1, 64, 64},       {53, 64, 64},        {64, 64, 64},
      {65, 96, 128},   {100, 128, 128},   {128, 128, 128},     {129, 160, 192},
      {1000, 1024, 1024}, {1025, 1056, 1088}, {100000, 100000, 100032},
  };
  for (const auto& row : rows) {
    ASSERT_EQ(S_OK, f_->put_SizeBits(3, row.requested)) << row.requested;
    EXPECT_EQ(k64 ? row.x64 : row.x86, Bits(3)) << row.requested;
    ASSERT_EQ(S_OK, f_->SizeBitsSet(4, row.requested)) << row.requested;
    EXPECT_EQ(k64 ? row.x64 : row.x86, Bits(4)) << row.requested;
  }
  ASSERT_EQ(S_OK, f_->Clear(3));
  EXPECT_EQ(64, Bits(3)) << "Clear gives the minimum precision back";
  EXPECT_EQ(k64 ? 100032 : 100000, Bits(4)) << "Clear of one register leaves the others";
}

TEST_F(FloatRegisters, PrecisionChangesKeepTheValueTruncated) {
  Set(1, L"1.5");
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 1000));
  EXPECT_EQ(L"1.5E+0", Get(1));
  // 1 + 2^-200 needs 201 bits: kept at 1000 bits, cut to 1 at the minimum precision.
  Set(1, L"1.00000000000000000000000000000000000000000000000001", 16);
  EXPECT_EQ(L"1.00000000000000000000000000000000000000000000000001E+0", Get(1, 16));
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 0));
  EXPECT_EQ(L"1.0E+0", Get(1, 16));
  EXPECT_EQ(64, Bits(1));
}

TEST_F(FloatRegisters, PrecisionsThatCannotBeAllocatedAreRefused) {
  Set(1, L"2.5");
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 200));
  LONG_PTR bits = Bits(1);
  const LONG_PTR refused[] = {-1, LONG_PTR{-2147483647} - 1, static_cast<LONG_PTR>(kMaxPrecisionBits) + 1,
#ifdef _WIN64
                              LONG_PTR{1} << 40, INT64_MAX,
#else
                              LONG_MAX,
#endif
  };
  for (LONG_PTR n : refused) {
    EXPECT_EQ(E_INVALIDARG, f_->put_SizeBits(1, n)) << n;
    EXPECT_EQ(E_INVALIDARG, f_->SizeBitsSet(1, n)) << n;
    EXPECT_EQ(bits, Bits(1)) << n;
    EXPECT_EQ(L"2.5E+0", Get(1)) << n;
  }
}

// The exponent form of get Bignum: sign, zero, exponent, separator, bases above 10.
TEST_F(FloatRegisters, TextFormTable) {
  const struct { const wchar_t* value; LONG base; LONG_PTR digits; const wchar_t* separator; const wchar_t* text; } rows[] = {
      {L"1.5", 10, 0, L".", L"1.5E+0"},
      {L"7", 10, 0, L".", L"7.0E+0"},
      {L"-3", 10, 0, L".", L"-3.0E+0"},
      {L"12", 10, 0, L".", L"1.2E+1"},
      {L"-12", 10, 0, L".", L"-1.2E+1"},
      {L"0.0625", 10, 0, L".", L"6.25E-2"},
      {L"-0.5", 10, 0, L".", L"-5.0E-1"},
      {L"0", 10, 0, L".", L"0"},
      {L"-0", 10, 0, L",", L"0"},
      {L"100000000000000000000", 10, 0, L".", L"1.0E+20"},
      {L"1.5", 10, 0, L",", L"1,5E+0"},
      {L"1.5", 10, 0, L";", L"1;5E+0"},
      {L"1.5", 10, 0, L"", L"1.5E+0"},       // an empty separator does not end the text
      {L"1.5", 10, 0, nullptr, L"1.5E+0"},
      {L"1.5", 10, 0, L",.", L"1,5E+0"},     // only the first character counts
      {L"255.5", 16, 0, L".", L"f.f8E+1"},   // hexadecimal digits, a decimal exponent
      {L"-255.5", 16, 0, L".", L"-f.f8E+1"},
      {L"5", 2, 0, L".", L"1.01E+2"},
      {L"0.75", 2, 0, L".", L"1.1E-1"},
      {L"1267650600228229401496703205376", 2, 0, L".", L"1.0E+100"},  // 2^100
      {L"81", 3, 0, L".", L"1.0E+4"},
      {L"35", 36, 0, L".", L"z.0E+0"},
      {L"1296", 36, 0, L".", L"1.0E+2"},
      {L"0.3333333333333333", 10, 3, L".", L"3.33E-1"},
      {L"123456", 10, 1, L".", L"1.0E+5"},
      {L"1.5", 10, 0x7fffffff, L".", L"1.5E+0"},  // more digits than the precision holds: all it holds
  };
  for (const auto& row : rows) {
    Set(1, row.value);
    EXPECT_EQ(row.text, Get(1, row.base, row.digits, row.separator)) << row.value << " in base " << row.base;
  }
  Set(1, L"1.5");
  EXPECT_EQ(L"1.5E+0", Get(1, 10, 0, L".", VARIANT_FALSE)) << "Exponential is not read";
  for (LONG base : {1, 37, 0, -10}) EXPECT_EQ(L"<error -2147024809>", Get(1, base)) << base;
  EXPECT_EQ(L"<error -2147024809>", Get(1, 10, -1));
  BSTR out = nullptr;
  EXPECT_EQ(E_INVALIDARG, f_->get_Bignum(1, 37, 0, nullptr, VARIANT_TRUE, &out));
  EXPECT_EQ(nullptr, out);
}

// put Bignum: the library's reading after the separator step, with and without a separator.
TEST_F(FloatRegisters, ReadingTable) {
  const struct { const wchar_t* text; LONG base; const wchar_t* separator; const wchar_t* value; } accepted[] = {
      {L"1.5", 10, L".", L"1.5E+0"},
      {L"1,5", 10, L".", L"1.5E+0"},     // either point with the default separator
      {L".5", 10, L".", L"5.0E-1"},
      {L"  -2.5", 10, L".", L"-2.5E+0"},
      {L"1 000.5", 10, L".", L"1.0005E+3"},
      {L"15", 10, L",", L"1.5E+1"},       // no point at all
      {L"1,5", 10, L",", L"1.5E+0"},      // the separator's own character
      {L"1.5", 10, L",", L"1.5E+0"},
      {L"1;5", 10, L";", L"1.5E+0"},
      {L"1.5", 10, L"", L"1.5E+0"},       // an empty separator reads as "."
      {L"1.5", 10, nullptr, L"1.5E+0"},
      {L"1.5e3", 10, L".", L"1.5E+3"},
      {L"1.5E-3", 10, L".", L"1.5E-3"},
      {L"1.5@3", 10, L".", L"1.5E+3"},
      {L"ff", 16, L".", L"2.55E+2"},
      {L"FF.8", 16, L".", L"2.555E+2"},
      {L"1@2", 16, L".", L"2.56E+2"},     // "@" and its exponent in the base, as the library reads them
      {L"1@10", 16, L".", L"1.8446744073709551616E+19"},
      {L"1e11", 2, L".", L"8.0E+0"},      // "e" without a sign: exponent in base 2, as the library reads it
      {L"1E+11", 2, L".", L"2.048E+3"},   // the written form: a decimal exponent
      {L"1.0E+60", 2, L".", L"1.152921504606846976E+18"},
      {L"f.f8E+1", 16, L".", L"2.555E+2"},
      {L"z.0E+0", 36, L".", L"3.5E+1"},
      {L"1.5E+0", 16, L".", L"1.3125E+0"},  // what get Bignum writes for 1.3125 in base 16
      {L"1,0E+2", 36, L",", L"1.296E+3"},
      {L"-1.2E+1", 3, L".", L"-5.0E+0"},
  };
  for (const auto& c : accepted) {
    ASSERT_EQ(S_OK, SetText(1, c.text, c.base, c.separator)) << c.text << " in base " << c.base;
    EXPECT_EQ(c.value, Get(1, 10, 20)) << c.text << " in base " << c.base;
  }
  Set(2, L"777");
  const struct { const wchar_t* text; LONG base; const wchar_t* separator; } refused[] = {
      {L"1,000.5", 10, L"."},  // its comma becomes a second point
      {L",5", 10, L","},       // the first character is never a point
      {L"+1", 10, L"."},
      {L"", 10, L"."},
      {nullptr, 10, L"."},
      {L"1.5x", 10, L"."},
      {L"1.2.3", 10, L"."},
      {L"- 1", 10, L"."},
      {L"2", 2, L"."},
      {L"1e", 10, L"."},
      {L"1e+", 10, L"."},
      {L"1", 1, L"."},
      {L"1", 37, L"."},
      {L"1E+999999999", 10, L"."},   // beyond the exponents the library can carry
      {L"1E-999999999", 10, L"."},
      {L"1@zzzzzz", 36, L"."},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(E_INVALIDARG, SetText(2, c.text, c.base, c.separator)) << (c.text ? c.text : L"(null)");
    UniqueBstr t(c.text ? SysAllocString(c.text) : nullptr);
    UniqueBstr s(SysAllocString(c.separator));
    EXPECT_EQ(E_INVALIDARG, f_->BignumSet(2, t.get(), c.base, s.get())) << (c.text ? c.text : L"(null)");
    EXPECT_EQ(L"7.77E+2", Get(2)) << "the register keeps its value";
  }
}

TEST_F(FloatRegisters, ReadingKeepsTheRegistersPrecision) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(5, 200));
  Set(5, L"0.1");
  EXPECT_EQ(k64 ? 256 : 224, Bits(5));
  Set(6, L"0.1");  // the same text at 64 bits is cut sooner
  ASSERT_EQ(S_OK, f_->put_SizeBits(7, 256));
  ASSERT_EQ(S_OK, f_->Subtract(7, 5, 6));
  LONG sign = 0;
  ASSERT_EQ(S_OK, f_->get_Sign(7, &sign));
  EXPECT_EQ(1, sign);
  Set(8, L"1e-19");
  EXPECT_EQ(-1, Compare(7, 8));
  EXPECT_EQ(k64 ? 256 : 224, Bits(5));
}

TEST_F(FloatRegisters, BignumSetIsPutBignum) {
  UniqueBstr t(SysAllocString(L"2,5"));
  UniqueBstr comma(SysAllocString(L","));
  ASSERT_EQ(S_OK, f_->BignumSet(1, t.get(), 10, comma.get()));
  EXPECT_EQ(L"2.5E+0", Get(1));
  UniqueBstr hex(SysAllocString(L"f.8"));
  ASSERT_EQ(S_OK, f_->BignumSet(1, hex.get(), 16, nullptr));
  EXPECT_EQ(L"1.55E+1", Get(1));
}

// Whatever get Bignum writes, put Bignum reads back to the same value with the same base and separator.
TEST_F(FloatRegisters, WrittenTextReadsBack) {
  const wchar_t* integers[] = {L"-7", L"1", L"123456789", L"1267650600228229401496703205376",
                               L"-1000000000000000000000000000000"};
  const wchar_t* halves[] = {L"0.5", L"-0.375", L"-1234.5", L"0.0009765625"};  // finite in every even base
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 256));
  ASSERT_EQ(S_OK, f_->put_SizeBits(2, 256));
  for (LONG base = 2; base <= 36; ++base) {
    for (const wchar_t* separator : {L".", L",", L";", L""}) {
      auto check = [&](const wchar_t* value) {
        Set(1, value);
        std::wstring text = Get(1, base, 0, separator);
        ASSERT_EQ(S_OK, SetText(2, text.c_str(), base, separator)) << text << " in base " << base;
        EXPECT_EQ(0, Compare(1, 2)) << value << " written as " << text << " in base " << base;
      };
      for (const wchar_t* v : integers) check(v);
      if (base % 2 == 0)
        for (const wchar_t* v : halves) check(v);
    }
  }
}

TEST_F(FloatRegisters, SquareRootOfTwoToAThousandDigits) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 3400));
  ASSERT_EQ(S_OK, f_->put_SizeBits(2, 3400));
  Set(1, L"2");
  ASSERT_EQ(S_OK, f_->Root(2, 1));
  std::wstring text = Get(2);
  ASSERT_GT(text.size(), 1001u);
  EXPECT_EQ(std::wstring(kSqrt2), text.substr(0, 1001));
  EXPECT_EQ(L"E+0", text.substr(text.size() - 3));
  // Squared back, it differs from 2 only beyond the thousandth digit.
  ASSERT_EQ(S_OK, f_->put_SizeBits(3, 3400));
  ASSERT_EQ(S_OK, f_->Multiply(3, 2, 2));
  ASSERT_EQ(S_OK, f_->Subtract(3, 3, 1));
  ASSERT_EQ(S_OK, f_->Abs(3, 3));
  Set(4, L"1e-1000");
  EXPECT_EQ(-1, Compare(3, 4));
}

TEST_F(FloatRegisters, Arithmetic) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(10, 256));
  Set(1, L"1.5");
  Set(2, L"-2.25");
  Set(3, L"100000000000000000000");
  Set(4, L"1");
  Set(5, L"3");
  ASSERT_EQ(S_OK, f_->Multiply(10, 1, 2));
  EXPECT_EQ(L"-3.375E+0", Get(10));
  ASSERT_EQ(S_OK, f_->Sum(10, 3, 4));
  EXPECT_EQ(L"1.00000000000000000001E+20", Get(10));
  ASSERT_EQ(S_OK, f_->Subtract(10, 4, 3));
  EXPECT_EQ(L"-9.9999999999999999999E+19", Get(10));
  ASSERT_EQ(S_OK, f_->Divide(10, 4, 5));
  EXPECT_EQ(L"3.3333333333333333333333333333333333333333333333333E-1", Get(10, 10, 50));
  ASSERT_EQ(S_OK, f_->Divide(10, 2, 1));
  EXPECT_EQ(L"-1.5E+0", Get(10));
  ASSERT_EQ(S_OK, f_->Power(10, 1, 10));
  EXPECT_EQ(L"5.76650390625E+1", Get(10));
  ASSERT_EQ(S_OK, f_->Power(10, 2, 0));
  EXPECT_EQ(L"1.0E+0", Get(10));
  ASSERT_EQ(S_OK, f_->Negate(10, 2));
  EXPECT_EQ(L"2.25E+0", Get(10));
  ASSERT_EQ(S_OK, f_->Abs(11, 2));
  EXPECT_EQ(L"2.25E+0", Get(11));
  ASSERT_EQ(S_OK, f_->Negate(11, 11));  // one register named twice
  EXPECT_EQ(L"-2.25E+0", Get(11));
  ASSERT_EQ(S_OK, f_->MultiplyL(12, 1, -2));
  EXPECT_EQ(L"-3.0E+0", Get(12));
  ASSERT_EQ(S_OK, f_->DivideL(12, 5, -2));
  EXPECT_EQ(L"-1.5E+0", Get(12));
  ASSERT_EQ(S_OK, f_->SumL(12, 1, -2));
  EXPECT_EQ(L"-5.0E-1", Get(12));
  ASSERT_EQ(S_OK, f_->SubtractL(12, 1, -2));
  EXPECT_EQ(L"3.5E+0", Get(12));
  ASSERT_EQ(S_OK, f_->SubtractL(12, 1, 2));
  EXPECT_EQ(L"-5.0E-1", Get(12));
  ASSERT_EQ(S_OK, f_->put_SizeBits(12, 256));
  ASSERT_EQ(S_OK, f_->Root(12, 5));
  EXPECT_EQ(L"1.7320508075688772935E+0", Get(12, 10, 20));
  ASSERT_EQ(S_OK, f_->Clone(13, 2));
  EXPECT_EQ(L"-2.25E+0", Get(13));
  LONG sign = 0;
  f_->get_Sign(2, &sign);
  EXPECT_EQ(-1, sign);
  f_->get_Sign(1, &sign);
  EXPECT_EQ(1, sign);
}

TEST_F(FloatRegisters, CompareGivesExactlyMinusOneZeroOrOne) {
  Set(1, L"-1e30");
  Set(2, L"1e30");
  Set(3, L"1e30");
  Set(4, L"0.000001");
  EXPECT_EQ(-1, Compare(1, 2));
  EXPECT_EQ(1, Compare(2, 1));
  EXPECT_EQ(0, Compare(2, 3));
  EXPECT_EQ(1, Compare(2, 4));
  EXPECT_EQ(-1, Compare(4, 3));
  EXPECT_EQ(1, Compare(4, 100));  // register 100 holds 0
}

// Clone copies the value at the destination's precision, which stays as it was.
TEST_F(FloatRegisters, CloneIntoALowerPrecision) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 512));
  ASSERT_EQ(S_OK, f_->put_SizeBits(3, 512));
  Set(1, L"1.00000000000000000000000000000000000000000000000001", 16);  // 1 + 2^-200
  ASSERT_EQ(S_OK, f_->Clone(2, 1));  // 64 bits
  EXPECT_EQ(64, Bits(2));
  EXPECT_EQ(L"1.0E+0", Get(2, 16));
  ASSERT_EQ(S_OK, f_->Clone(3, 1));
  EXPECT_EQ(0, Compare(1, 3));
  ASSERT_EQ(S_OK, f_->Subtract(4, 1, 2));
  EXPECT_EQ(L"1.0E-50", Get(4, 16)) << "what the clone lost";
}

TEST_F(FloatRegisters, MachineIntegerOperandsAreExact) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(2, 256));
  Set(1, L"1.5");
#ifdef _WIN64
  const LONG_PTR big = LONG_PTR{1} << 40;
  ASSERT_EQ(S_OK, f_->SumL(2, 0, big));
  EXPECT_EQ(L"1.099511627776E+12", Get(2));
  ASSERT_EQ(S_OK, f_->SubtractL(2, 0, big + 1));
  EXPECT_EQ(L"-1.099511627777E+12", Get(2));
  ASSERT_EQ(S_OK, f_->SubtractL(2, 0, INT64_MIN));
  EXPECT_EQ(L"9.223372036854775808E+18", Get(2));
  ASSERT_EQ(S_OK, f_->SumL(2, 0, INT64_MIN));
  EXPECT_EQ(L"-9.223372036854775808E+18", Get(2));
  ASSERT_EQ(S_OK, f_->MultiplyL(2, 1, -big));
  EXPECT_EQ(L"-1.649267441664E+12", Get(2));
  Set(3, L"3298534883328");
  ASSERT_EQ(S_OK, f_->DivideL(2, 3, big));
  EXPECT_EQ(L"3.0E+0", Get(2));
  ASSERT_EQ(S_OK, f_->DivideL(2, 3, -big));
  EXPECT_EQ(L"-3.0E+0", Get(2));
  // (1 + 2^-60)^(2^40), an exponent beyond the library's 32 bits (Python's decimal, 60 digits).
  ASSERT_EQ(S_OK, f_->put_SizeBits(4, 256));
  ASSERT_EQ(S_OK, SetText(4, L"1.000000000000001", 16));
  ASSERT_EQ(S_OK, f_->Power(2, 4, big));
  EXPECT_EQ(L"1.000000953674771153745446374658856167", Get(2).substr(0, 38));
  Set(5, L"-1");
  ASSERT_EQ(S_OK, f_->Power(2, 5, big + 1));
  EXPECT_EQ(L"-1.0E+0", Get(2));
  ASSERT_EQ(S_OK, f_->Power(2, 5, big));
  EXPECT_EQ(L"1.0E+0", Get(2));
#else
  ASSERT_EQ(S_OK, f_->SumL(2, 0, LONG_MIN));
  EXPECT_EQ(L"-2.147483648E+9", Get(2));
  ASSERT_EQ(S_OK, f_->SubtractL(2, 0, LONG_MIN));
  EXPECT_EQ(L"2.147483648E+9", Get(2));
  ASSERT_EQ(S_OK, f_->MultiplyL(2, 1, LONG_MIN));
  EXPECT_EQ(L"-3.221225472E+9", Get(2));
  ASSERT_EQ(S_OK, f_->DivideL(2, 1, LONG_MIN));
  EXPECT_EQ(L"-6.9849193096160888671875E-10", Get(2));
#endif
}

// Calls that the library would answer by ending the process, or with an exponent that wraps: refused,
// and no register changes.
TEST_F(FloatRegisters, RefusedCallsChangeNothing) {
  Set(1, L"12.5");
  Set(2, L"0");
  Set(3, L"-16");
  Set(9, L"999");
  ASSERT_EQ(S_OK, SetText(4, L"1E+1073741824", 2));  // 2^(2^30), inside the bounds
  EXPECT_EQ(L"1.0E+1073741824", Get(4, 2));
  EXPECT_EQ(L"E+323228496", Get(4).substr(Get(4).size() - 11)) << "floor(2^30 * log10(2))";
  ASSERT_EQ(S_OK, SetText(5, L"1E-1073741824", 2));
  const struct { const char* what; HRESULT (*call)(IBignumArithmeticFloat*); } refused[] = {
      {"Divide by zero", [](IBignumArithmeticFloat* f) { return f->Divide(9, 1, 2); }},
      {"DivideL by zero", [](IBignumArithmeticFloat* f) { return f->DivideL(9, 1, 0); }},
      {"Root of a negative number", [](IBignumArithmeticFloat* f) { return f->Root(9, 3); }},
      {"Power -1", [](IBignumArithmeticFloat* f) { return f->Power(9, 1, -1); }},
      {"Power beyond the exponent range", [](IBignumArithmeticFloat* f) { return f->Power(9, 1, 0x7fffffff); }},
      {"Power of a small number", [](IBignumArithmeticFloat* f) { return f->Power(9, 5, 2); }},
      {"Multiply beyond the exponent range", [](IBignumArithmeticFloat* f) { return f->Multiply(9, 4, 4); }},
      {"Divide beyond the exponent range", [](IBignumArithmeticFloat* f) { return f->Divide(9, 4, 5); }},
      {"Divide below the exponent range", [](IBignumArithmeticFloat* f) { return f->Divide(9, 5, 4); }},
      {"SizeBits -1", [](IBignumArithmeticFloat* f) { return f->put_SizeBits(9, -1); }},
      {"SizeBits too large", [](IBignumArithmeticFloat* f) {
         return f->put_SizeBits(9, static_cast<LONG_PTR>(kMaxPrecisionBits) + 1); }},
  };
  for (const auto& c : refused) {
    EXPECT_EQ(E_INVALIDARG, c.call(f_.get())) << c.what;
    EXPECT_EQ(L"9.99E+2", Get(9)) << c.what;
    EXPECT_EQ(64, Bits(9)) << c.what;
    EXPECT_EQ(L"1.25E+1", Get(1)) << c.what;
    EXPECT_EQ(L"-1.6E+1", Get(3)) << c.what;
  }
  ASSERT_EQ(S_OK, f_->Multiply(6, 4, 5));
  EXPECT_EQ(L"1.0E+0", Get(6)) << "a product inside the range";
}

TEST_F(FloatRegisters, ClearOneOrAll) {
  for (BYTE r : {0, 7, 255}) {
    Set(r, L"5");
    ASSERT_EQ(S_OK, f_->put_SizeBits(r, 300));
  }
  ASSERT_EQ(S_OK, f_->Clear(7));
  EXPECT_EQ(L"0", Get(7));
  EXPECT_EQ(64, Bits(7));
  EXPECT_EQ(L"5.0E+0", Get(0));
  for (LONG all : {256, -5, -1}) {
    for (BYTE r : {0, 7, 255}) {
      Set(r, L"5");
      ASSERT_EQ(S_OK, f_->put_SizeBits(r, 300));
    }
    ASSERT_EQ(S_OK, f_->Clear(all));
    for (BYTE r : {0, 7, 255}) {
      EXPECT_EQ(L"0", Get(r)) << all;
      EXPECT_EQ(64, Bits(r)) << all;
    }
  }
}

TEST_F(FloatRegisters, ObjectsShareOneStore) {
  auto other = Server::Get().Create<IBignumArithmeticFloat>(CLSID_BignumArithmeticFloat);
  ASSERT_TRUE(other);
  Set(42, L"3.25");
  BSTR out = nullptr;
  ASSERT_EQ(S_OK, other->get_Bignum(42, 10, 0, nullptr, VARIANT_TRUE, &out));
  UniqueBstr owned(out);
  EXPECT_STREQ(L"3.25E+0", out);
}

class FloatFiles : public FloatRegisters {
 protected:
  UniqueBstr File(const wchar_t* name) { return UniqueBstr(SysAllocString((folder_ + name).c_str())); }
  std::wstring folder_ = ScratchFolder(L"float-files");
};

TEST_F(FloatFiles, WrittenForm) {
  const struct { const wchar_t* value; LONG base; LONG_PTR digits; const char* content; } rows[] = {
      {L"3.25", 10, 0, "0.325e1"},
      {L"0", 10, 0, "0.e0"},
      {L"-255.5", 16, 0, "-0.ff8@2"},
      {L"0.0625", 2, 0, "0.1e-3"},
      {L"1267650600228229401496703205376", 2, 0, "0.1e101"},
      {L"3.25", 0, 0, "0.325e1"},
      {L"0.3333333333333333", 10, 2, "0.33e0"},
  };
  for (const auto& row : rows) {
    Set(1, row.value);
    auto file = File(L"written.txt");
    ASSERT_EQ(S_OK, f_->FileGet(1, file.get(), row.base, row.digits)) << row.value;
    EXPECT_EQ(row.content, ReadFileBytes(folder_ + L"written.txt")) << row.value;
  }
}

TEST_F(FloatFiles, RoundTripInEveryBase) {
  ASSERT_EQ(S_OK, f_->put_SizeBits(1, 256));
  ASSERT_EQ(S_OK, f_->put_SizeBits(2, 256));
  for (const wchar_t* value : {L"3.25", L"-1267650600228229401496703205376", L"1e-40", L"123456789"}) {
    Set(1, value);
    for (LONG base = 2; base <= 62; ++base) {
      auto file = File(L"round.txt");
      ASSERT_EQ(S_OK, f_->FileGet(1, file.get(), base, 0)) << base;
      ASSERT_EQ(S_OK, f_->FileSet(2, file.get(), base)) << base << " " << ReadFileBytes(folder_ + L"round.txt");
      // Fractions that do not end in a base come back to within the last digit.
      ASSERT_EQ(S_OK, f_->Subtract(3, 1, 2));
      ASSERT_EQ(S_OK, f_->Abs(3, 3));
      ASSERT_EQ(S_OK, f_->Multiply(4, 1, 1));
      ASSERT_EQ(S_OK, SetText(5, L"1e-60"));
      ASSERT_EQ(S_OK, f_->Multiply(5, 5, 1));
      ASSERT_EQ(S_OK, f_->Abs(5, 5));
      EXPECT_LE(Compare(3, 5), 0) << value << " in base " << base << ": " << ReadFileBytes(folder_ + L"round.txt");
    }
  }
  Set(1, L"3.25");
  auto file = File(L"round.txt");
  ASSERT_EQ(S_OK, f_->FileGet(1, file.get(), 10, 0));
  ASSERT_EQ(S_OK, f_->FileSet(2, file.get(), 10));
  EXPECT_EQ(0, Compare(1, 2));
}

TEST_F(FloatFiles, ReadingAFile) {
  const struct { const char* content; LONG base; HRESULT hr; const wchar_t* value; } cases[] = {
      {"  -1.5e0 tail", 10, S_OK, L"-1.5E+0"},
      {"\r\n\t0.325e1\r\n", 10, S_OK, L"3.25E+0"},
      {"0.e0", 10, S_OK, L"0"},
      {"0.ff8@2", 16, S_OK, L"2.555E+2"},
      {"0.1e61", 2, S_OK, L"1.152921504606846976E+18"},
      {"42", 0, S_OK, L"4.2E+1"},
      {"", 10, E_INVALIDARG, L"7.77E+2"},
      {"abc", 10, E_INVALIDARG, L"7.77E+2"},
      {"1.5", 1, E_INVALIDARG, L"7.77E+2"},
      {"1.5", 63, E_INVALIDARG, L"7.77E+2"},
      {"1.5", -10, E_INVALIDARG, L"7.77E+2"},
      {"1e999999999", 10, E_INVALIDARG, L"7.77E+2"},
  };
  for (const auto& c : cases) {
    Set(3, L"777");
    WriteFileBytes(folder_ + L"read.txt", c.content);
    auto file = File(L"read.txt");
    EXPECT_EQ(c.hr, f_->FileSet(3, file.get(), c.base)) << c.content;
    EXPECT_EQ(c.value, Get(3, 10, 20)) << c.content;
  }
  Set(3, L"777");
  auto missing = File(L"missing.txt");
  EXPECT_EQ(E_INVALIDARG, f_->FileSet(3, missing.get(), 10));
  EXPECT_EQ(E_INVALIDARG, f_->FileSet(3, nullptr, 10));
  EXPECT_EQ(L"7.77E+2", Get(3));
}

TEST_F(FloatFiles, WritingChecksItsArgumentsBeforeTheFileIsTouched) {
  WriteFileBytes(folder_ + L"keep.txt", "precious");
  auto file = File(L"keep.txt");
  Set(1, L"2.5");
  EXPECT_EQ(E_INVALIDARG, f_->FileGet(1, file.get(), 10, -1));
  EXPECT_EQ(E_INVALIDARG, f_->FileGet(1, file.get(), 63, 0));
  EXPECT_EQ(E_INVALIDARG, f_->FileGet(1, file.get(), 1, 0));
  EXPECT_EQ(E_INVALIDARG, f_->FileGet(1, file.get(), -16, 0));
  EXPECT_EQ("precious", ReadFileBytes(folder_ + L"keep.txt"));
  auto nowhere = File(L"no\\such\\folder.txt");
  EXPECT_EQ(E_INVALIDARG, f_->FileGet(1, nowhere.get(), 10, 0));
  // A precision far beyond what the register holds writes all it holds.
  ASSERT_EQ(S_OK, f_->FileGet(1, file.get(), 10, LONG_PTR{0x7fffffff}));
  EXPECT_EQ("0.25e1", ReadFileBytes(folder_ + L"keep.txt"));
}

// Late-bound: what a script client gets when it leaves optional arguments out.
TEST_F(FloatRegisters, LateBoundDefaults) {
  ComPtr<IDispatch> d;
  ASSERT_EQ(S_OK, f_->QueryInterface(IID_IDispatch, d.put_void()));
  LateBound call(d.get());
  ScopedVariant result;
  ASSERT_EQ(S_OK, call.Call(L"BignumSet", DISPATCH_METHOD, {VI4(1), VBstr(L"2,5")}, result.get()));
  result.reset();
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1)}, result.get()));
  EXPECT_STREQ(L"2.5E+0", V_BSTR(result.get()));
  result.reset();
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1), VI4(16)}, result.get()));
  EXPECT_STREQ(L"2.8E+0", V_BSTR(result.get()));
  result.reset();
  ASSERT_EQ(S_OK, call.Call(L"Bignum", DISPATCH_PROPERTYPUT, {VI4(2), VI4(16), VBstr(L"f.8")}, result.get()));
  EXPECT_EQ(L"1.55E+1", Get(2));
  ASSERT_EQ(S_OK, call.Call(L"SizeBits", DISPATCH_PROPERTYPUT, {VI4(2), VI4(100)}, result.get()));
  result.reset();
  ASSERT_EQ(S_OK, call.Call(L"SizeBits", DISPATCH_PROPERTYGET, {VI4(2)}, result.get()));
  EXPECT_EQ(k64 ? VT_I8 : VT_I4, V_VT(result.get()));
  EXPECT_EQ(128, k64 ? V_I8(result.get()) : V_I4(result.get()));
  std::wstring folder = ScratchFolder(L"float-late");
  result.reset();
  ASSERT_EQ(S_OK, call.Call(L"FileGet", DISPATCH_METHOD, {VI4(1), VBstr((folder + L"x.txt").c_str())}, result.get()));
  EXPECT_EQ("0.25e1", ReadFileBytes(folder + L"x.txt"));
  ASSERT_EQ(S_OK, call.Call(L"Clear", DISPATCH_METHOD, {}, result.get()));
  EXPECT_EQ(L"0", Get(1));
  EXPECT_EQ(64, Bits(2));
  result.reset();
  EXPECT_EQ(E_INVALIDARG, call.Call(L"Bignum", DISPATCH_PROPERTYGET, {VI4(1), VI4(37)}, result.get()));
  EXPECT_EQ(E_INVALIDARG, call.Call(L"Divide", DISPATCH_METHOD, {VI4(1), VI4(1), VI4(2)}, result.get()));
}

}  // namespace
}  // namespace korvel::test
