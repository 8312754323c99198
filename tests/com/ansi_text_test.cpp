// Conversions to and from the ANSI code page, against the platform's converter called here directly: random
// texts of every kind of unit, the edges of the 7-bit range, surrogates and embedded zeros, long texts whose
// first other unit falls on either side of the pieces that digests are fed in, and the digests themselves.
// The same cases run under a double-byte code page (932), where the program is started under a Japanese
// locale (tests/CMakeLists.txt); elsewhere that suite skips.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "common/csv_rows.h"
#include "toolbox/sha_digest.h"
#include "test_support.h"

namespace korvel::test {
namespace {

using namespace std::string_literals;

std::string Converter(const std::wstring& text, DWORD flags = 0, UINT code_page = CP_ACP) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(code_page, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring WideConverter(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring UpToNul(const std::wstring& text) { return text.substr(0, text.find(L'\0')); }

std::string InPieces(const std::wstring& text) {
  std::string joined;
  ToAnsiInPieces(text.data(), text.size(), [&](const char* bytes, size_t n) { joined.append(bytes, n); });
  return joined;
}

// Units by kind: the 7-bit edges, Latin-1, the Cyrillic and Japanese letters of code pages 1251 and 932,
// half-width katakana, signs that only best-fit mapping reaches, lone and paired surrogates.
const wchar_t kEdges[] = {0x0000, 0x0001, 0x005C, 0x007E, 0x007F, 0x0080, 0x0081, 0x009F, 0x00A0, 0x00A5,
                          0x00E9, 0x00FF, 0x0100, 0x0416, 0x0451, 0x2026, 0x20AC, 0x2212, 0x3042, 0x65E5,
                          0xFF71, 0xFF5E, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD, 0xFFFF};

std::wstring RandomText(std::mt19937& random, size_t length, int other_per_mille) {
  std::wstring text;
  std::uniform_int_distribution<int> ascii(1, 0x7F), per_mille(0, 999), edge(0, sizeof kEdges / sizeof kEdges[0] - 1);
  std::uniform_int_distribution<int> any(0x80, 0xFFFF);
  while (text.size() < length) {
    const int kind = per_mille(random);
    if (kind >= other_per_mille) {
      text += static_cast<wchar_t>(ascii(random));
    } else if (kind % 3 == 0) {
      text += L"\xD83D\xDE00";  // a pair
    } else if (kind % 3 == 1) {
      text += kEdges[edge(random)];
    } else {
      text += static_cast<wchar_t>(any(random));
    }
  }
  text.resize(length);
  return text;
}

// The cases of both suites.
void ConvertsLikeThePlatform() {
  std::mt19937 random(20261211);
  std::vector<std::wstring> texts = {L""s, L"\0"s, L"a\0b"s, L"\x7F"s, L"\x80"s, L"\x7F\x80"s, L"\xD800"s,
                                     L"\xDC00"s, L"a\xD83D\xDE00z"s, L"\xD83D"s, L"abc\\~"s, L"\xA5"s};
  for (wchar_t unit : kEdges) texts.push_back(std::wstring(20, L'x') + unit + std::wstring(20, L'y'));
  for (int per_mille : {0, 0, 1, 10, 200, 1000})
    for (size_t length : {1u, 15u, 16u, 17u, 31u, 33u, 100u, 1000u}) texts.push_back(RandomText(random, length, per_mille));
  // Long 7-bit texts whose first other unit (or zero) sits around the 16 KiB pieces of the digests.
  for (size_t at : {16383u, 16384u, 16385u, 32768u, 40000u})
    for (wchar_t unit : {L'\0', L'\x80', L'\x416', L'\xD800', L'\x65E5'}) {
      std::wstring text = RandomText(random, 50000, 0);
      text[at] = unit;
      texts.push_back(text);
    }
  for (const std::wstring& text : texts) {
    SCOPED_TRACE("text of " + std::to_string(text.size()) + " units");
    EXPECT_EQ(Converter(text), ToAnsi(text.data(), text.size())) << "the whole text, zeros included";
    EXPECT_EQ(Converter(UpToNul(text)), ToAnsi(text.c_str())) << "up to the first zero";
    EXPECT_EQ(Converter(UpToNul(text)), InPieces(text)) << "in pieces, up to the first zero";
    const std::optional<std::string> search = csv::NarrowSearchText(text.data(), text.size(), CP_ACP);
    BOOL used_default = FALSE;
    const std::wstring searched = UpToNul(text);
    std::string expected;
    if (!searched.empty()) {
      int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, searched.data(), static_cast<int>(searched.size()),
                                  nullptr, 0, nullptr, &used_default);
      expected.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, searched.data(), static_cast<int>(searched.size()),
                          expected.data(), n, nullptr, &used_default);
    }
    EXPECT_EQ(used_default ? std::nullopt : std::optional<std::string>(expected), search) << "the search text";
  }
  // Bytes back to text: 7-bit runs, every byte value, and random bytes (broken double-byte pairs too).
  std::vector<std::string> rows = {""s, "\0"s, "a\0b"s, "\x7F"s, "\x80"s, std::string(1000, 'q') + "\x81"};
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  rows.push_back(every);
  std::uniform_int_distribution<int> byte(0, 255), seven(0, 127);
  for (size_t length : {1u, 15u, 16u, 17u, 100u, 5000u}) {
    std::string row;
    for (size_t i = 0; i < length; ++i) row += static_cast<char>(seven(random));
    rows.push_back(row);
    row[length / 2] = static_cast<char>(byte(random) | 0x80);
    rows.push_back(row);
    for (char& c : row) c = static_cast<char>(byte(random));
    rows.push_back(row);
  }
  for (const std::string& row : rows) {
    UniqueBstr converted(AnsiToBstr(row.data(), row.size()));
    EXPECT_EQ(WideConverter(row), std::wstring(converted.get(), converted.length())) << row.size() << " bytes";
  }
}

TEST(AnsiText, ConvertsLikeThePlatform) { ConvertsLikeThePlatform(); }

TEST(AnsiText, SevenBitRunsEndAtTheFirstOtherUnit) {
  char out[64];
  EXPECT_EQ(0u, NarrowAscii(L"", 0, out));
  EXPECT_EQ(3u, NarrowAscii(L"a\0b", 3, out)) << "U+0000 is 7-bit";
  const std::wstring text = std::wstring(40, L'\x7F') + L'\x80' + L"zz";
  EXPECT_EQ(40u, NarrowAscii(text.data(), text.size(), out));
  EXPECT_EQ(std::string(40, '\x7F'), std::string(out, 40));
  const std::wstring high = std::wstring(20, L'a') + L'\x100';
  EXPECT_EQ(20u, NarrowAscii(high.data(), high.size(), out)) << "units above 0xFF count as well";
  wchar_t wide[64];
  const std::string bytes = std::string(33, 'k') + '\xFF';
  EXPECT_EQ(33u, WidenAscii(bytes.data(), bytes.size(), wide));
  EXPECT_EQ(std::wstring(33, L'k'), std::wstring(wide, 33));
}

// The plain loop that the 32-bit build runs in place of SSE2, here against a scan of the units one by one:
// random runs of 7-bit units ended by a unit at or above 0x80 (or U+0000) at every offset of the 8-unit steps.
TEST(AnsiText, PlainLoopEndsWhereAScanOfTheUnitsEnds) {
  std::mt19937 random(31);
  const wchar_t enders[] = {L'\x80', L'\xFF', L'\x100', L'\xD800', L'\xFFFF', L'\0'};
  char out[80], expected[80];
  for (int round = 0; round < 2000; ++round) {
    std::wstring text(random() % 70, L'\0');
    for (wchar_t& c : text) c = static_cast<wchar_t>(1 + random() % 0x7F);
    if (!text.empty() && random() % 4) text[random() % text.size()] = enders[random() % 6];
    for (bool stop_at_nul : {false, true}) {
      size_t run = 0;
      while (run < text.size() && text[run] < 0x80 && !(stop_at_nul && text[run] == 0)) {
        expected[run] = static_cast<char>(text[run]);
        ++run;
      }
      ASSERT_EQ(run, NarrowAsciiPlainLoop(text.data(), text.size(), out, stop_at_nul)) << round;
      ASSERT_EQ(std::string(expected, run), std::string(out, run)) << round;
      if (!stop_at_nul) ASSERT_EQ(run, NarrowAscii(text.data(), text.size(), out)) << round;
    }
  }
}

// Code pages that keep 7-bit text as it is, and some that do not (an EBCDIC page, UTF-7 with its '+',
// UTF-16, which the byte converter does not take).
TEST(AnsiText, CodePagesThatKeepSevenBitText) {
  for (UINT page : {1252u, 1251u, 1250u, 932u, 936u, 949u, 950u, 874u, 65001u, 20127u})
    EXPECT_TRUE(KeepsAscii(page)) << page;
  for (UINT page : {37u, 500u, 65000u, 1200u}) EXPECT_FALSE(KeepsAscii(page)) << page;
  EXPECT_EQ(KeepsAscii(GetACP()), KeepsAscii(CP_ACP));
}

// HashStringSHA, which converts its text in pieces, against the whole converted message through the same
// Crypto++ pipeline of a byte string.
void DigestsLikeTheWholeConversion() {
  ComPtr<IVBA> vba = Server::Get().Create<IVBA>(CLSID_VBA);
  ASSERT_TRUE(vba);
  std::mt19937 random(1106);
  std::vector<std::wstring> texts = {L""s, L"abc"s, L"ab\0cd"s, L"\x80"s, L"\xD800z"s, L"\x65E5\x672C"s};
  for (int per_mille : {0, 5, 300})
    for (size_t length : {100u, 16384u, 16400u, 70000u}) texts.push_back(RandomText(random, length, per_mille));
  for (size_t at : {0u, 16383u, 16384u, 16385u, 49152u})
    for (wchar_t unit : {L'\0', L'\x7F', L'\x80', L'\x416', L'\xDC00', L'\xFF71'}) {
      std::wstring text = RandomText(random, 60000, 0);
      text[at] = unit;
      texts.push_back(text);
    }
  for (const std::wstring& text : texts) {
    UniqueBstr in(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    for (LONG selector : {1L, 2256L, 2512L, 3512L}) {
      BSTR out = nullptr;
      ASSERT_EQ(S_OK, vba->HashStringSHA(in.get(), selector, &out));
      UniqueBstr owned(out);
      const std::optional<std::string> expected = ShaHexDigest(selector, Converter(UpToNul(text)));
      ASSERT_TRUE(expected);
      EXPECT_EQ(std::wstring(expected->begin(), expected->end()), std::wstring(out, SysStringLen(out)))
          << selector << ", text of " << text.size() << " units";
    }
  }
}

TEST(AnsiText, DigestsLikeTheWholeConversion) { DigestsLikeTheWholeConversion(); }

// Under code page 932: the cases above, and digests of double-byte text from Python's hashlib over
// "...".encode("cp932").
class AnsiDoubleByteCodePage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 932) GTEST_SKIP() << "code page " << GetACP();
  }
};

TEST_F(AnsiDoubleByteCodePage, ConvertsLikeThePlatform) {
  EXPECT_EQ("\x93\xFA\x96\x7B"s, ToAnsi(L"\x65E5\x672C"));
  EXPECT_EQ("C:\\"s, ToAnsi(L"C:\\")) << "the backslash stays 0x5C";
  ConvertsLikeThePlatform();
}

TEST_F(AnsiDoubleByteCodePage, Digests) {
  ComPtr<IVBA> vba = Server::Get().Create<IVBA>(CLSID_VBA);
  ASSERT_TRUE(vba);
  const struct { const wchar_t* text; const wchar_t* sha256; } cases[] = {
      {L"\x65E5\x672C", L"D298EEA0EC1F04DB1FB83882F018AE51E9C27355998DDC0E266DCA52C3DF2F16"},
      {L"C:\\Yen\x65E5\x672C", L"EC0BC7F5EDE6EEA8BEDD9D4DEB9D28159886B5D54C50C6F11FC0B6A6F0F85C05"},
  };
  for (const auto& c : cases) {
    UniqueBstr in(SysAllocString(c.text));
    BSTR out = nullptr;
    ASSERT_EQ(S_OK, vba->HashStringSHA(in.get(), 2256, &out));
    UniqueBstr owned(out);
    EXPECT_STREQ(c.sha256, out);
  }
  DigestsLikeTheWholeConversion();
}

}  // namespace
}  // namespace korvel::test
