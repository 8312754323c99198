// Trim, FilterUnicodeChar, InStr and Replace through the server's vtable, and the Trim and filter rules
// applied in place as the add-in applies them. Expected values are written out by hand or come from
// simple independent reimplementations in this file (std::wstring searches, token joins).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "common/text_rules.h"

namespace korvel::test {
namespace {

using namespace std::string_literals;

// A BSTR of exactly `text` (which may hold U+0000); "null" stands for a null BSTR in the tables.
struct Text {
  Text(const std::wstring& text) : b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Text(const wchar_t* text) : Text(std::wstring(text)) {}
  Text(std::nullptr_t) {}
  UniqueBstr b;
};

std::wstring Take(BSTR out) {
  UniqueBstr owned(out);
  return std::wstring(out ? out : L"", SysStringLen(out));
}

// Shows U+0000 and long texts readably in failure messages.
std::string Show(const std::wstring& s) {
  std::string out;
  for (size_t i = 0; i < s.size() && i < 80; ++i) {
    wchar_t c = s[i];
    if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else out += "\\u" + std::to_string(static_cast<unsigned>(c));
  }
  if (s.size() > 80) out += "... (" + std::to_string(s.size()) + " units)";
  return out;
}

class StringFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
    ASSERT_TRUE(vba_);
  }
  std::wstring Trim(const Text& in) {
    BSTR out = nullptr;
    EXPECT_EQ(S_OK, vba_->Trim(in.b.get(), &out));
    return Take(out);
  }
  std::wstring Filter(const Text& in, const Text& enable, const Text& disable) {
    BSTR out = nullptr;
    EXPECT_EQ(S_OK, vba_->FilterUnicodeChar(in.b.get(), enable.b.get(), disable.b.get(), &out));
    return Take(out);
  }
  LONG InStr(const Text& in, const Text& find, LONG start) {
    LONG at = -99;
    EXPECT_EQ(S_OK, vba_->InStr(in.b.get(), find.b.get(), start, &at));
    return at;
  }
  HRESULT Replace(const Text& in, const Text& find, const Text& with, LONG start, LONG count, std::wstring* result) {
    BSTR out = nullptr;
    HRESULT hr = vba_->Replace(in.b.get(), find.b.get(), with.b.get(), start, count, &out);
    if (SUCCEEDED(hr)) *result = Take(out);
    else EXPECT_EQ(nullptr, out) << "no partial result on failure";
    return hr;
  }

  ComPtr<IVBA> vba_;
};

TEST_F(StringFunctions, TrimTable) {
  const struct { std::wstring in, out; } cases[] = {
      {L"  a   b  ", L"a b"},
      {L"   ", L""},
      {L"", L""},
      {L"x", L"x"},
      {L" x", L"x"},
      {L"x ", L"x"},
      {L"a\tb", L"a\tb"},
      {L" \t a ", L"\t a"},                           // only U+0020 is a space
      {L"a\u00A0 \u00A0b", L"a\u00A0 \u00A0b"},     // no-break spaces stay
      {L"a \r\n b", L"a \r\n b"},
      {L"one  two   three    ", L"one two three"},
      {L"a  \0  b"s, L"a \0 b"s},                   // the whole length counts, U+0000 is text
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, Trim(c.in)) << Show(c.in);
  EXPECT_EQ(L"", Trim(nullptr));
}

TEST_F(StringFunctions, TrimLongTexts) {
  std::wstring solid(70000, L'q');
  for (size_t i = 0; i < solid.size(); i += 7) solid[i] = static_cast<wchar_t>(L'a' + i % 26);
  EXPECT_EQ(solid, Trim(solid));

  // Random texts against joining their space-separated tokens with one space.
  std::mt19937 random(6);
  for (int round = 0; round < 20; ++round) {
    std::wstring text;
    size_t length = 1 + random() % 200000;
    for (size_t i = 0; i < length; ++i) text += (random() % 3 == 0) ? L' ' : static_cast<wchar_t>(L'A' + random() % 5);
    std::wstring expected, token;
    for (wchar_t c : text + L' ') {
      if (c != L' ') { token += c; continue; }
      if (!token.empty()) expected += (expected.empty() ? L"" : L" ") + token;
      token.clear();
    }
    ASSERT_EQ(expected, Trim(text)) << round;
  }
}

TEST_F(StringFunctions, FilterTable) {
  const struct { std::wstring in, enable, disable, out; } cases[] = {
      {L"Abc-123", L"a-z0-9", L"", L"bc123"},
      {L"Abc-123", L"a-z0-9", L"2", L"bc13"},
      {L"Abc-123", L"-", L"", L"-"},
      {L"abc", L"", L"", L"abc"},
      {L"abc", L"", L"b", L"ac"},
      {L"a-b", L"a-", L"", L""},                 // a trailing '-' ranges up to U+0000: nothing
      {L"ab-", L"ab-", L"", L"a"},               // 'a' alone, then 'b' up to U+0000
      {L"a-b--c", L"--a", L"", L"a---"},         // '-' starts the range '-'..'a'
      {L"a-b", L"-a", L"", L"a-"},               // a leading '-' before a non-'-' is a single character
      {L"abcd-", L"a-c-", L"", L"abc-"},         // a '-' right after a range is a single character
      {L"a-b-c", L"a-b-c", L"", L"a-b-c"},       // range a..b, then '-', then 'c'
      {L"abc", L"z-a", L"", L""},                // a reversed range holds nothing
      {L"Hello, World!", L"", L"a-z", L"H, W!"},
      {L"Hello, World!", L"A-Za-z", L"lo", L"HeWrd"},
      {L"\u0416\u0436x\uFFFF\u0400", L"\u0400-\u04FF", L"", L"\u0416\u0436\u0400"},
      {L"\u0416x\uFFFF\u00FF", L"\uFF00-\uFFFF\u00FF", L"", L"\uFFFF\u00FF"},  // unsigned, to the last unit
      {L"a\0b\0"s, L"", L"a", L"\0b\0"s},         // the string's whole length is filtered
      {L"a\0b"s, L"\0"s, L"", L"\0"s},            // U+0000 in a list is a character
      {L"x1y2z3", L"0-9", L"0-9", L""},
      {L"", L"a-z", L"", L""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.out, Filter(c.in, c.enable, c.disable)) << Show(c.in) << " / " << Show(c.enable) << " / " << Show(c.disable);
  EXPECT_EQ(L"", Filter(nullptr, L"a", L"b"));
  EXPECT_EQ(L"abc", Filter(L"abc", nullptr, nullptr));
  EXPECT_EQ(L"ac", Filter(L"abc", nullptr, L"b"));
}

TEST_F(StringFunctions, FilterLongText) {
  std::wstring text;
  for (int i = 0; i < 100000; ++i) text += L"a1-\u0436 ";
  EXPECT_EQ(std::wstring(100000, L'1'), Filter(text, L"0-9", L""));
  std::wstring expected;
  for (int i = 0; i < 100000; ++i) expected += L"a1\u0436";
  EXPECT_EQ(expected, Filter(text, L"", L"- "));
}

TEST_F(StringFunctions, InStrTable) {
  const struct { std::wstring in, find; LONG start, at; } cases[] = {
      {L"abcabc", L"c", 4, 6},
      {L"abcabc", L"c", 1, 3},
      {L"abcabc", L"abc", 2, 4},
      {L"abc", L"d", 1, 0},
      {L"abc", L"b", 0, 0},
      {L"abc", L"b", -5, 0},
      {L"abc", L"b", 4, 0},
      {L"abc", L"", 2, 2},
      {L"abc", L"c", 3, 3},
      {L"abc", L"abcd", 1, 0},
      {L"", L"", 1, 0},
      {L"ab\0cd"s, L"c", 1, 0},      // the search stops at the string's U+0000
      {L"abcd", L"b\0x"s, 1, 2},     // the search text ends at its U+0000
      {L"abcd", L"\0b"s, 3, 3},      // and is then empty
      {L"\u0436\uFFFF\u0436", L"\uFFFF\u0436", 1, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(c.at, InStr(c.in, c.find, c.start)) << Show(c.in) << " / " << Show(c.find) << " @ " << c.start;
  EXPECT_EQ(0, InStr(nullptr, L"a", 1));
  EXPECT_EQ(1, InStr(L"abc", nullptr, 1));
}

TEST_F(StringFunctions, InStrLongTexts) {
  // Short and long search texts (both ways of searching) against std::wstring::find on random texts over
  // a small alphabet, where near-misses are frequent.
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    std::wstring hay;
    size_t length = 1 + random() % 100000;
    for (size_t i = 0; i < length; ++i) hay += static_cast<wchar_t>(L'a' + random() % 2);
    size_t needle_length = 1 + random() % (round % 2 ? 8 : 60);
    std::wstring needle = hay.substr(random() % hay.size(), needle_length);
    if (round % 3 == 0) needle += L'c';  // absent
    LONG start = static_cast<LONG>(1 + random() % hay.size());
    size_t found = hay.find(needle, static_cast<size_t>(start - 1));
    LONG expected = found == std::wstring::npos ? 0 : static_cast<LONG>(found + 1);
    ASSERT_EQ(expected, InStr(hay, needle, start)) << round;
  }
  // The classic worst case of a search that restarts after each partial match.
  std::wstring hay(1000000, L'a');
  hay += L'b';
  EXPECT_EQ(1000000 - 40 + 1, InStr(hay, std::wstring(40, L'a') + L'b', 1));
  EXPECT_EQ(0, InStr(hay, L'b' + std::wstring(40, L'a'), 1));
  EXPECT_EQ(1000000 - 3 + 1, InStr(hay, L"aaab", 1));
}

TEST_F(StringFunctions, ReplaceTable) {
  const struct { std::wstring in, find, with; LONG start, count; std::wstring out; } cases[] = {
      {L"aXbXcX", L"X", L"-", 3, 1, L"aXb-cX"},
      {L"aXbXcX", L"X", L"-", 3, -1, L"aXb-c-"},
      {L"aXbXcX", L"X", L"-", 3, 0, L"aXbXcX"},
      {L"aXbXcX", L"X", L"-", 1, -7, L"a-b-c-"},   // any negative count replaces all
      {L"aXbXcX", L"X", L"-", 1, 2, L"a-b-cX"},
      {L"aXbXcX", L"X", L"-", 6, 1, L"aXbXc-"},
      {L"aaa", L"aa", L"b", 1, -1, L"ba"},           // occurrences do not overlap
      {L"aaaa", L"a", L"b", 1, 2, L"bbaa"},
      {L"a-b-c", L"-", L"", 1, -1, L"abc"},
      {L"a-b", L"-", L"<->", 1, -1, L"a<->b"},
      {L"abc", L"x", L"y", 1, -1, L"abc"},
      {L"abcabc", L"abc", L"", 1, -1, L""},
      {L"a-\0-b"s, L"-", L"+", 1, -1, L"a+\0-b"s},   // nothing found after U+0000, the rest kept by length
      {L"a-b", L"-", L"\0"s, 1, -1, L"a\0b"s},       // the replacement goes by its length
      {L"abc", L"", L"x", 1, -1, L"abc"},            // an empty search text replaces nothing
      {L"abc", L"\0b"s, L"x", 1, -1, L"abc"},        // nor does one that starts with U+0000
      // The search text ends at U+0000; its full length must not size the result.
      {L"bbbbbb", L"b\0zzzzz"s, L"XYZW", 1, -1, L"XYZWXYZWXYZWXYZWXYZWXYZW"},
  };
  for (const auto& c : cases) {
    std::wstring out;
    EXPECT_EQ(S_OK, Replace(c.in, c.find, c.with, c.start, c.count, &out)) << Show(c.in);
    EXPECT_EQ(c.out, out) << Show(c.in) << " / " << Show(c.find) << " / " << Show(c.with);
  }
  std::wstring out;
  EXPECT_EQ(L"abc", (Replace(L"abc", nullptr, L"x", 1, -1, &out), out));
  EXPECT_EQ(L"bc", (Replace(L"abc", L"a", nullptr, 1, -1, &out), out));
}

TEST_F(StringFunctions, ReplaceRefusesAStartOutsideTheText) {
  std::wstring out;
  EXPECT_EQ(E_INVALIDARG, Replace(L"", L"a", L"b", 1, -1, &out));
  EXPECT_EQ(E_INVALIDARG, Replace(nullptr, L"a", L"b", 1, -1, &out));
  EXPECT_EQ(E_INVALIDARG, Replace(L"abc", L"a", L"b", 4, -1, &out));
  EXPECT_EQ(E_INVALIDARG, Replace(L"abc", L"a", L"b", 0, -1, &out));
  EXPECT_EQ(E_INVALIDARG, Replace(L"abc", L"a", L"b", -1, 0, &out));
}

TEST_F(StringFunctions, ReplaceResultBeyondTheLimit) {
  // 1,000,000 replacements of one unit by 3,000 units would be 3e9 units: refused before any allocation
  // of that size is tried.
  std::wstring many(1000000, L'a');
  std::wstring huge(3000, L'z');
  std::wstring out;
  EXPECT_EQ(E_OUTOFMEMORY, Replace(many, L"a", huge, 1, -1, &out));
  // A positive count bounds the result: three replacements fit.
  EXPECT_EQ(S_OK, Replace(many, L"a", huge, 1, 3, &out));
  EXPECT_EQ(huge + huge + huge + std::wstring(999997, L'a'), out);

  // The same bound (length + replacement * length / search) with a single occurrence: the result is
  // small and must be made.
  std::wstring one = std::wstring(500000, L'x') + L"-" + std::wstring(499999, L'x');
  ASSERT_EQ(S_OK, Replace(one, L"-", huge, 1, -1, &out));
  EXPECT_EQ(std::wstring(500000, L'x') + huge + std::wstring(499999, L'x'), out);
}

TEST_F(StringFunctions, ReplaceLongTexts) {
  // Against a plain loop over std::wstring::find.
  std::mt19937 random(5);
  for (int round = 0; round < 30; ++round) {
    std::wstring in;
    size_t length = 1 + random() % 200000;
    for (size_t i = 0; i < length; ++i) in += static_cast<wchar_t>(L'a' + random() % 3);
    std::wstring find = in.substr(random() % in.size(), 1 + random() % (round % 2 ? 3 : 40));
    std::wstring with(random() % 6, L'Q');
    LONG start = static_cast<LONG>(1 + random() % in.size());
    LONG count = round % 4 == 0 ? static_cast<LONG>(random() % 50) : -1;
    std::wstring expected = in.substr(0, start - 1);
    size_t from = start - 1;
    for (LONG k = 0; count < 0 || k < count; ++k) {
      size_t at = in.find(find, from);
      if (at == std::wstring::npos) break;
      expected += in.substr(from, at - from) + with;
      from = at + find.size();
    }
    expected += in.substr(from);
    std::wstring out;
    ASSERT_EQ(S_OK, Replace(in, find, with, start, count, &out)) << round;
    ASSERT_EQ(expected, out) << round;
  }
}

TEST_F(StringFunctions, NullResultPointers) {
  Text a(L"abc");
  EXPECT_EQ(E_POINTER, vba_->Trim(a.b.get(), nullptr));
  EXPECT_EQ(E_POINTER, vba_->FilterUnicodeChar(a.b.get(), nullptr, nullptr, nullptr));
  EXPECT_EQ(E_POINTER, vba_->InStr(a.b.get(), a.b.get(), 1, nullptr));
  EXPECT_EQ(E_POINTER, vba_->Replace(a.b.get(), a.b.get(), a.b.get(), 1, -1, nullptr));
}

// The add-in applies both rules to the host's own buffer.
TEST(TextRules, ApplyInPlace) {
  std::wstring text = L"  in   place  ";
  text.resize(TrimUnits(text.data(), text.size(), text.data()));
  EXPECT_EQ(L"in place", text);

  std::wstring list = L"a-z", off = L"p";
  UnitList enable(list.data(), list.size()), disable(off.data(), off.size());
  std::wstring mixed = L"In-Place 42";
  mixed.resize(FilterUnits(mixed.data(), mixed.size(), enable, disable, mixed.data()));
  EXPECT_EQ(L"nlace", mixed);
}

}  // namespace
}  // namespace korvel::test
