// The text filter worksheet functions from cells and by direct calls: each edits the host's buffer in
// place and returns that same buffer.
#include <gtest/gtest.h>

#include <string>

#include "cell_calls.h"

namespace korvel::test {
namespace {

class TextFiltersTest : public CellFunctionTest {};

TEST_F(TextFiltersTest, TableOfCells) {
  const std::wstring spaces_32(32, L' ');
  RunCases({
      {"inner runs, ends", "TrimXLL", {T(L"  a   b  ")}, InPlace(L"a b")},
      {"32 spaces", "TrimXLL", {T(spaces_32)}, InPlace(L"")},
      {"5 spaces", "TrimXLL", {T(L"     ")}, InPlace(L"")},
      {"a tab stays", "TrimXLL", {T(L"\ta  ")}, InPlace(L"\ta")},
      {"empty", "TrimXLL", {T(L"")}, InPlace(L"")},
      {"U+00A0 is no space", "TrimXLL", {T(L" \u00a0 x")}, InPlace(L"\u00a0 x")},
      {"letters only", "FilterUnicodeChar", {T(L"Hello, World!"), T(L"A-Za-z"), T(L"")}, InPlace(L"HelloWorld")},
      {"drop only", "FilterUnicodeChar", {T(L"Hello, World!"), T(L""), T(L"lo")}, InPlace(L"He, Wrd!")},
      {"'a-' is two items", "FilterUnicodeChar", {T(L"abc-"), T(L"a-"), T(L"")}, InPlace(L"a-")},
      {"'a-' as a drop list", "FilterUnicodeChar", {T(L"abc-"), T(L""), T(L"a-")}, InPlace(L"bc")},
      {"'-' alone", "FilterUnicodeChar", {T(L"a-z"), T(L"-"), T(L"")}, InPlace(L"-")},
      {"'-a' is two items", "FilterUnicodeChar", {T(L"ab-"), T(L"-a"), T(L"")}, InPlace(L"a-")},
      {"'a-b-c'", "FilterUnicodeChar", {T(L"abcd-"), T(L"a-b-c"), T(L"")}, InPlace(L"abc-")},
      {"'--a' is a range", "FilterUnicodeChar", {T(L"-.0a{"), T(L"--a"), T(L"")}, InPlace(L"-.0a")},
      {"reversed range", "FilterUnicodeChar", {T(L"abc"), T(L"z-a"), T(L"")}, InPlace(L"")},
      {"both lists empty", "FilterUnicodeChar", {T(L"abc"), T(L""), T(L"")}, InPlace(L"abc")},
      {"omitted lists", "FilterUnicodeChar", {T(L"abc")}, InPlace(L"abc")},
      {"keep then drop", "FilterUnicodeChar", {T(L"Abc-123"), T(L"a-z0-9"), T(L"2")}, InPlace(L"bc13")},
      {"units above U+7FFF", "FilterUnicodeChar", {T(std::wstring(L"a\uff01") + wchar_t(0xD83D) + wchar_t(0xDE00)), T(L"\uff00-\uffff"), T(L"")},
       InPlace(L"\uff01")},
      {"digits", "DigitXLL", {T(L"a1b2-3")}, InPlace(L"123")},
      {"no ASCII digit in U+00BD", "DigitXLL", {T(L"\u00bd")}, InPlace(L"")},
      {"no digits", "DigitXLL", {T(L"")}, InPlace(L"")},
      {"Russian words", "RusLetter", {T(L"  \u041f\u0440\u0438\u0432\u0435\u0442,   \u043c\u0438\u0440!  ")},
       InPlace(L"\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440")},
      {"yo in both cases", "RusLetter", {T(L"\u0401\u043b\u043a\u0430 2021 \u0451\u0436")},
       InPlace(L"\u0401\u043b\u043a\u0430 \u0451\u0436")},
      {"Latin letters", "RusLetter", {T(L"abc")}, InPlace(L"")},
      {"dropped characters join letters", "RusLetter", {T(L"\u04101\u0411")}, InPlace(L"\u0410\u0411")},
      {"empty", "RusLetter", {T(L"")}, InPlace(L"")},
  });
}

TEST_F(TextFiltersTest, LongestStringsAndDirectCalls) {
  std::wstring text(32767, L'x');
  text[0] = L' ';
  text[32766] = L' ';
  text[100] = L' ';
  text[101] = L' ';
  std::wstring trimmed = text.substr(1, 32765);
  trimmed.erase(100, 1);
  RunCases({
      {"32767 characters", "TrimXLL", {T(text)}, InPlace(trimmed)},
      {"32767 digits", "DigitXLL", {T(std::wstring(32767, L'7'))}, InPlace(std::wstring(32767, L'7'))},
  });
  // Units past the count are not the string's: they are neither read nor changed.
  wchar_t counted[] = {3, L' ', L'a', L' ', L'b', L' ', 0};
  EXPECT_EQ(TrimXLL(counted), counted);
  EXPECT_EQ(counted[0], 1);
  EXPECT_EQ(counted[1], L'a');
  EXPECT_EQ(counted[4], L'b');
  wchar_t digits[] = {2, L'1', L'x', L'9', 0};
  EXPECT_EQ(DigitXLL(digits), digits);
  EXPECT_EQ(std::wstring(digits + 1, digits[0]), L"1");
  XLOPER12* copy = TrimXLL2(L"  two   words ");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->xltype, xltypeStr | xlbitDLLFree);
  EXPECT_EQ(std::wstring(copy->val.str + 1, copy->val.str[0]), L"two words");
  host.api().TakeResult(copy);
}

}  // namespace
}  // namespace korvel::test
