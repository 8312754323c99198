// Under a double-byte ANSI code page (932), as the host of a Japanese system runs: the host converts a "C"
// argument's text through the code page, while the big-number functions keep the low byte of each unit and
// use no code page at all. Runs as its own test with the code page set for the process (tests/xll/
// CMakeLists.txt); in a run under any other code page it is skipped.
#include <gtest/gtest.h>

#include <string>

#include "cell_calls.h"

// An export of this program (which plays the add-in's module) that hands back the bytes of its "C"
// argument, so that the test sees what the host passed.
extern "C" __declspec(dllexport) korvel::xll::XLOPER12* __stdcall StandInEchoBytes(const char* bytes) {
  std::wstring hex;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p; ++p) {
    wchar_t two[3];
    swprintf(two, 3, L"%02X", *p);
    hex += two;
  }
  return NewXLStr(hex.c_str());
}

namespace korvel::test {
namespace {

class DoubleByteCodePage : public CellFunctionTest {
 protected:
  void SetUp() override {
    if (GetACP() != 932) GTEST_SKIP() << "runs under the ANSI code page 932 only";
    CellFunctionTest::SetUp();
  }
};

TEST_F(DoubleByteCodePage, TheHostConvertsByteStringArgumentsThroughTheCodePage) {
  // Katakana "te su to" in Shift-JIS, two bytes each; "A" one byte.
  EXPECT_EQ(standin::CallExport(addin.module, "StandInEchoBytes", L"UC", {T(L"A\u30c6\u30b9\u30c8")}),
            TextResult(L"41836583588367"));
}

TEST_F(DoubleByteCodePage, NumberTextsUseNoCodePage) {
  RunCases({
      {"U+30C6 is no digit (through the code page its second byte would be 'e')", "ConvertBaseInteger", {T(L"\u30c6"), N(16), N(10)},
       NumberZero()},
      {"separator U+00B7 comes back as given", "DivideFloat", {T(L"1\u00b75"), T(L"1"), N(0), T(L"\u00b7")},
       TextResult(L"1\u00b75E+0")},
      {"separator U+00A5 (a lead byte of no code page here)", "SumFloat", {T(L"2\u00a55"), T(L"0"), N(0), T(L"\u00a5")},
       TextResult(L"2\u00a55E+0")},
      {"a separator above U+00FF", "SumFloat", {T(L"1"), T(L"0"), N(0), T(L"\u30fb")}, NullResult()},
  });
}

}  // namespace
}  // namespace korvel::test
