// GetRowsCountCSVansi, GetRowCSVansi and FindRowsInCSVansi through their exports on real files (both
// buffering modes), and through the reader's device seam for what Wine never does (a read failing after
// some blocks). Expected rows come from splitting the generated text at its line feeds in the test.
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "add_in.h"
#include "heap_blocks.h"
#include "common/csv_chunk_reader.h"
#include "functions/csv_cells.h"

namespace korvel::test {
namespace {

constexpr std::size_t kBlock = 0x1000000;
const std::wstring kOverflow = L"Overflow. Max char 32767";

// What a result record says: its whole type word, and its number, error code or text.
struct Outcome {
  DWORD type = 0;
  double num = 0;
  int err = 0;
  std::wstring text;
};

std::wstring Widen(const std::string& bytes) {  // the test files are ASCII
  return std::wstring(bytes.begin(), bytes.end());
}

// Rows the independent way: each up to and including its line feed; the last may lack one.
std::vector<std::string> SplitRows(const std::string& text) {
  std::vector<std::string> rows;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t lf = text.find('\n', start);
    std::size_t end = lf == std::string::npos ? text.size() : lf + 1;
    rows.push_back(text.substr(start, end - start));
    start = end;
  }
  return rows;
}

std::string RowsHolding(const std::string& text, const std::string& find, bool every_row) {
  std::string out;
  for (const std::string& row : SplitRows(text))
    if (row.find(find) != std::string::npos) {
      out += row;
      if (!every_row) break;
    }
  return out;
}

// Serves `data` in blocks of at most `max_bytes`; read number `fail_at` (0-based) fails. Remembers whether
// it was released and whether a read was left outstanding.
class ScriptedDevice : public csv::BlockDevice {
 public:
  struct Log {
    bool released = false;
    bool left_outstanding = false;
    int reads = 0;
  };
  ScriptedDevice(const std::string& data, int fail_at, Log& log) : data_(data), fail_at_(fail_at), log_(log) {}
  ~ScriptedDevice() override {
    log_.released = true;
    log_.left_outstanding = outstanding_;
  }
  csv::ReadResult Start(char* buffer, std::uint32_t size, std::uint64_t offset) override {
    pending_ = {buffer, size, offset, log_.reads++};
    outstanding_ = true;
    return {csv::ReadResult::kPending};
  }
  csv::ReadResult Finish() override {
    outstanding_ = false;
    if (pending_.number == fail_at_) return {csv::ReadResult::kFailed, 0, ERROR_CRC};
    if (pending_.offset >= data_.size()) return {csv::ReadResult::kEndOfFile};
    std::size_t n = std::min<std::size_t>(pending_.size, data_.size() - pending_.offset);
    std::memcpy(pending_.buffer, data_.data() + pending_.offset, n);
    return {csv::ReadResult::kDone, static_cast<std::uint32_t>(n)};
  }
  bool Unbuffered() const override { return false; }

 private:
  struct Pending {
    char* buffer;
    std::uint32_t size;
    std::uint64_t offset;
    int number;
  };
  const std::string& data_;
  int fail_at_;
  Log& log_;
  Pending pending_{};
  bool outstanding_ = false;
};

std::wstring WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  for (std::size_t at = 0; at < bytes.size(); at += written) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 26));
    if (!WriteFile(file, bytes.data() + at, chunk, &written, nullptr) || !written) break;
  }
  CloseHandle(file);
  return path;
}


class CsvFunctionsTest : public AddInTest, public ::testing::WithParamInterface<int> {
 protected:
  int no_buffering() const { return GetParam(); }

  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    return WriteBytes(temp.path() + L"\\" + name, bytes);
  }

  // Reads the record and hands it back to the add-in as the host would.
  Outcome Take(XLOPER12* result) {
    Outcome out;
    EXPECT_NE(result, nullptr) << "the CSV functions never give a null pointer";
    if (!result) return out;
    out.type = result->xltype;
    if ((result->xltype & 0xFFF) == xltypeNum) out.num = result->val.num;
    if ((result->xltype & 0xFFF) == xltypeErr) out.err = result->val.err;
    if ((result->xltype & 0xFFF) == xltypeStr) {
      const wchar_t* s = result->val.str;
      out.text.assign(s + 1, static_cast<unsigned short>(s[0]));
      EXPECT_EQ(s[s[0] + 1], L'\0') << "the text is terminated";
    }
    const std::size_t before = host.api().handed_back();
    host.api().TakeResult(result);
    EXPECT_EQ(host.api().handed_back(), before + 1) << "every result goes back through xlAutoFree12";
    return out;
  }

  Outcome Count(const std::wstring& path) { return Take(GetRowsCountCSVansi(const_cast<wchar_t*>(path.c_str()), no_buffering())); }
  Outcome Row(const std::wstring& path, int index) {
    return Take(GetRowCSVansi(const_cast<wchar_t*>(path.c_str()), index, no_buffering()));
  }
  Outcome Find(const std::wstring& path, const std::string& find, short multi_line) {
    std::string text = find;  // the host's writable copy
    return Take(FindRowsInCSVansi(const_cast<wchar_t*>(path.c_str()), text.data(), &multi_line, no_buffering()));
  }

  static void ExpectNumber(const Outcome& o, double n) {
    EXPECT_EQ(o.type, xltypeNum | xlbitDLLFree);
    EXPECT_EQ(o.num, n);
  }
  static void ExpectText(const Outcome& o, const std::wstring& text) {
    EXPECT_EQ(o.type, xltypeStr | xlbitDLLFree);
    EXPECT_TRUE(o.text == text) << "got " << o.text.size() << " characters, expected " << text.size();
  }
  static void ExpectValueError(const Outcome& o) {
    EXPECT_EQ(o.type, xltypeErr | xlbitDLLFree);
    EXPECT_EQ(o.err, 15);
  }
};

TEST_P(CsvFunctionsTest, CountsRowsAtLineFeeds) {
  struct Case {
    const char* what;
    std::string bytes;
    double rows;
  };
  const Case cases[] = {
      {"empty file", "", 1},
      {"one row without line feed", "a", 1},
      {"one row with line feed", "a\n", 1},
      {"two rows", "a\nb", 2},
      {"two rows, final line feed", "a\nb\n", 2},
      {"carriage returns are bytes", "a\r\nb\r\n", 2},
      {"zero bytes are ordinary", std::string("a\0b\nc\0\nd", 8), 3},
      {"empty rows", "\n\n\n", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectNumber(Count(Write(L"count.csv", c.bytes)), c.rows);
  }
}

TEST_P(CsvFunctionsTest, PicksARowWithItsLineFeed) {
  const std::wstring crlf = Write(L"crlf.csv", "a\r\nb");
  const std::wstring zero = Write(L"zero.csv", std::string("x\ny\0z\nw\n", 8));
  struct Case {
    const std::wstring* path;
    int index;
    std::wstring text;
  };
  const Case cases[] = {
      {&crlf, 1, L"a\r\n"}, {&crlf, 2, L"b"},   {&crlf, 3, L""},
      {&crlf, 0, L""},      {&crlf, -5, L""},   {&zero, 2, std::wstring(L"y\0z\n", 4)},
      {&zero, 3, L"w\n"},   {&zero, 4, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    ExpectText(Row(*c.path, c.index), c.text);
  }
}

TEST_P(CsvFunctionsTest, FindsTheFirstOrEveryRowHoldingTheText) {
  const std::wstring rows = Write(L"rows.csv", "x1\nab\ny2\nab\n");
  const std::wstring open_end = Write(L"open.csv", "a,b\nc,d");
  const std::wstring single = Write(L"single.csv", "abc");
  struct Case {
    const std::wstring* path;
    const char* find;
    short multi_line;
    std::wstring text;
  };
  const Case cases[] = {
      {&rows, "ab", 0, L"ab\n"},
      {&rows, "ab", 1, L"ab\nab\n"},
      {&rows, "ab", -1, L"ab\nab\n"},
      {&rows, "zz", 1, L""},
      {&rows, "", 0, L"x1\n"},
      {&rows, "", 1, L"x1\nab\ny2\nab\n"},
      {&rows, "\n", 1, L"x1\nab\ny2\nab\n"},
      {&open_end, "c", 0, L"c,d"},
      {&open_end, ",", 1, L"a,b\nc,d"},
      // A file without any line feed is one row like any other (the old reading gave #VALUE!).
      {&single, "b", 0, L"abc"},
      {&single, "q", 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.find);
    SCOPED_TRACE(c.multi_line);
    ExpectText(Find(*c.path, c.find, c.multi_line), c.text);
  }
}

TEST_P(CsvFunctionsTest, MissingFilesAndOddArgumentsGiveValueErrors) {
  const std::wstring missing = temp.path() + L"\\missing.csv";
  ExpectValueError(Count(missing));
  ExpectValueError(Row(missing, 1));
  ExpectValueError(Find(missing, "a", 0));
  ExpectValueError(Take(GetRowsCountCSVansi(nullptr, no_buffering())));
  ExpectValueError(Take(GetRowCSVansi(nullptr, 1, no_buffering())));
  ExpectValueError(Take(FindRowsInCSVansi(nullptr, nullptr, nullptr, no_buffering())));
  // A null search text reads as empty and a null MultiLine as FALSE.
  const std::wstring path = Write(L"rows.csv", "p\nq\n");
  ExpectText(Take(FindRowsInCSVansi(const_cast<wchar_t*>(path.c_str()), nullptr, nullptr, no_buffering())), L"p\n");
  EXPECT_TRUE(boxes().empty());
}

TEST_P(CsvFunctionsTest, ResultsUpTo32767BytesAndOverflowBeyond) {
  auto row_of = [](std::size_t bytes, char fill) { return std::string(bytes - 1, fill) + "\n"; };
  const std::string fits = row_of(32767, 'f');
  const std::string over = row_of(32768, 'o');
  const std::wstring path = Write(L"long.csv", "head\n" + fits + over + "tail");
  ExpectText(Row(path, 2), Widen(fits));
  ExpectText(Row(path, 3), kOverflow);
  ExpectText(Row(path, 4), L"tail");
  ExpectText(Find(path, "ff", 0), Widen(fits));
  ExpectText(Find(path, "oo", 0), kOverflow);
  // Rows that fit one by one but not together.
  ExpectText(Find(path, "a", 1), Widen("head\ntail"));
  const std::string half = row_of(16384, 'h');
  const std::wstring halves = Write(L"halves.csv", half + half.substr(1) + half);
  ExpectText(Find(halves, "h", 0), Widen(half));
  ExpectText(Find(halves, "hhh", 1), kOverflow);
  const std::wstring two = Write(L"two.csv", half + half.substr(1));
  ExpectText(Find(two, "hhh", 1), Widen(half + half.substr(1)));
  // The overflow text is exactly its 24 characters behind the count.
  XLOPER12* record = GetRowCSVansi(const_cast<wchar_t*>(path.c_str()), 3, no_buffering());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->val.str[0], 24);
  host.api().TakeResult(record);
}

TEST_P(CsvFunctionsTest, RowsAndMatchesAcrossTheBlockEdge) {
  // Rows of 100 bytes, numbered; the one holding offset 0x1000000 is split by the block edge, and a marker
  // sits right across it.
  std::string text;
  for (int i = 0; text.size() < kBlock + 5000; ++i) {
    std::string row = std::to_string(i) + ",";
    row.resize(99, static_cast<char>('a' + i % 23));
    text += row + "\n";
  }
  text.replace(kBlock - 3, 6, "MARKER");
  const std::wstring path = Write(L"edge.csv", text);
  const std::vector<std::string> rows = SplitRows(text);
  const std::size_t edge_row = kBlock / 100;  // 0-based: the row in which the edge lies
  ASSERT_LT(edge_row * 100, kBlock);
  ASSERT_GT(edge_row * 100 + 100, kBlock);
  ExpectNumber(Count(path), static_cast<double>(std::count(text.begin(), text.end(), '\n')));
  ExpectText(Row(path, static_cast<int>(edge_row + 1)), Widen(rows[edge_row]));
  ExpectText(Row(path, static_cast<int>(edge_row + 2)), Widen(rows[edge_row + 1]));
  ExpectText(Row(path, static_cast<int>(rows.size())), Widen(rows.back()));
  ExpectText(Find(path, "MARKER", 0), Widen(RowsHolding(text, "MARKER", false)));
  ExpectText(Find(path, "MARKER", 1), Widen(rows[edge_row]));
}

TEST_P(CsvFunctionsTest, SearchTextsOfABlockAndMore) {
  // 0xFFFFFF bytes are searched (the row holding them is far too long for a result); 0x1000000 are refused.
  const std::string big(kBlock - 1, 'x');
  const std::wstring holding = Write(L"holding.csv", "a\n" + big + "x\nb\n");
  const std::wstring small = Write(L"small.csv", "a\nxx\n");
  ExpectText(Find(holding, big, 0), kOverflow);
  ExpectText(Find(small, big, 0), L"");
  ExpectValueError(Find(holding, big + "x", 0));
}

INSTANTIATE_TEST_SUITE_P(BothBufferingModes, CsvFunctionsTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param ? "Unbuffered" : "Buffered";
                         });

class CsvCellsTest : public AddInTest {};

TEST_F(CsvCellsTest, SearchTextOfABlockIsRefusedBeforeTheFileIsOpened) {
  bool opened = false;
  const CsvOpener open = [&opened]() -> std::unique_ptr<csv::BlockDevice> {
    opened = true;
    return nullptr;
  };
  std::string text(kBlock, 'x');
  XLOPER12 result{};
  result.xltype = xltypeErr | xlbitDLLFree;
  result.val.err = xlerrValue;
  FindCsvRows(open, text.c_str(), false, CP_ACP, result);
  EXPECT_FALSE(opened);
  EXPECT_EQ(result.xltype, xltypeErr | xlbitDLLFree);
  text.pop_back();
  FindCsvRows(open, text.c_str(), false, CP_ACP, result);
  EXPECT_TRUE(opened) << "a text one byte shorter is searched";
}

TEST_F(CsvCellsTest, ReadFailingAfterSomeBlocksGivesValueErrorAndLeaksNothing) {
  // Three blocks; the row sought and the only match lie in the last one, which never arrives.
  std::string data(2 * kBlock, 'r');
  for (std::size_t at = 99; at < data.size(); at += 100) data[at] = '\n';
  data += "wanted,row\nend";
  const int last_row = static_cast<int>(std::count(data.begin(), data.end(), '\n'));
  struct Case {
    const char* what;
    std::function<void(const CsvOpener&, XLOPER12&)> run;
  };
  const Case cases[] = {
      {"count", [](const CsvOpener& o, XLOPER12& r) { CountCsvRows(o, r); }},
      {"row", [last_row](const CsvOpener& o, XLOPER12& r) { PickCsvRow(o, last_row, CP_ACP, r); }},
      {"find", [](const CsvOpener& o, XLOPER12& r) { FindCsvRows(o, "wanted", true, CP_ACP, r); }},
  };
  for (const Case& c : cases) {
    for (int fail_at : {0, 1, 2}) {
      SCOPED_TRACE(c.what);
      SCOPED_TRACE(fail_at);
      ScriptedDevice::Log log;
      const CsvOpener open = [&]() -> std::unique_ptr<csv::BlockDevice> {
        return std::make_unique<ScriptedDevice>(data, fail_at, log);
      };
      const std::size_t blocks = UsedHeapBlocks();
      XLOPER12 result{};
      result.xltype = xltypeErr | xlbitDLLFree;
      result.val.err = xlerrValue;
      c.run(open, result);
      EXPECT_EQ(result.xltype, xltypeErr | xlbitDLLFree);
      EXPECT_EQ(result.val.err, xlerrValue);
      EXPECT_TRUE(log.released);
      EXPECT_FALSE(log.left_outstanding);
      EXPECT_EQ(log.reads, fail_at + 1) << "no read after the failure";
      EXPECT_EQ(UsedHeapBlocks(), blocks);
    }
  }
  // The same device without the failure gives the results.
  ScriptedDevice::Log log;
  const CsvOpener open = [&]() -> std::unique_ptr<csv::BlockDevice> {
    return std::make_unique<ScriptedDevice>(data, -1, log);
  };
  XLOPER12 result{};
  PickCsvRow(open, last_row, CP_ACP, result);
  ASSERT_EQ(result.xltype, xltypeStr | xlbitDLLFree);
  EXPECT_TRUE(std::wstring(result.val.str + 1, result.val.str[0]) == Widen(SplitRows(data)[last_row - 1]));
  addin.FreeXLOper(&result);
}

TEST_F(CsvCellsTest, TextCountsTheCharactersOfTheCodePage) {
  struct Case {
    const char* what;
    std::string bytes;
    UINT code_page;
    std::wstring text;
  };
  // Shift-JIS (932): U+65E5 is 93 FA, U+672C is 96 7B, half-width katakana U+FF71 is B1. Code page 1251:
  // U+0416 is C6. Code page 1252: U+00FC is FC.
  const Case cases[] = {
      {"double-byte", "\x93\xFA\x96\x7B,\xB1\n", 932, L"\u65E5\u672C,\uFF71\n"},
      {"single-byte Cyrillic", "\xC6\xC6\n", 1251, L"\u0416\u0416\n"},
      {"single-byte Western", "\xFC", 1252, L"\u00FC"},
      {"empty", "", 932, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    XLOPER12 result{};
    SetCsvText(c.bytes, false, c.code_page, result);
    ASSERT_EQ(result.xltype, xltypeStr | xlbitDLLFree);
    EXPECT_EQ(result.val.str[0], static_cast<wchar_t>(c.text.size()));
    EXPECT_TRUE(std::wstring(result.val.str + 1, result.val.str[0]) == c.text);
    EXPECT_EQ(result.val.str[result.val.str[0] + 1], L'\0');
    addin.FreeXLOper(&result);
  }
  // 32767 bytes of double-byte characters fit, as 16383 characters and one byte more.
  std::string pairs;
  for (int i = 0; i < 16383; ++i) pairs += "\x93\xFA";
  pairs += "\n";
  XLOPER12 result{};
  SetCsvText(pairs, false, 932, result);
  ASSERT_EQ(result.xltype, xltypeStr | xlbitDLLFree);
  EXPECT_EQ(result.val.str[0], 16384);
  addin.FreeXLOper(&result);
}

TEST_F(CsvCellsTest, HeapHoldsAsManyBlocksAfterManyCalls) {
  const std::wstring path = WriteBytes(temp.path() + L"\\heap.csv", "a,1\nb,2\nc,3\n");
  wchar_t* file = const_cast<wchar_t*>(path.c_str());
  char find[] = "b";
  short multi_line = 1;
  auto round = [&] {
    host.api().TakeResult(GetRowsCountCSVansi(file, 0));
    host.api().TakeResult(GetRowCSVansi(file, 2, 0));
    host.api().TakeResult(FindRowsInCSVansi(file, find, &multi_line, 0));
  };
  round();  // the runtime's own first-use allocations
  const std::size_t before = UsedHeapBlocks();
  // Each call sets up the reader's 64 MiB of buffers, which Wine faults in page by page: a few dozen
  // rounds show a block kept per call without making the test slow.
  for (int i = 0; i < 30; ++i) round();
  EXPECT_EQ(UsedHeapBlocks(), before);
  EXPECT_EQ(_heapchk(), _HEAPOK);
}

// Run by its own test entry under a Japanese locale, where the system code page is Shift-JIS (932); elsewhere
// it has nothing to check.
class CsvDoubleByteCodePage : public AddInTest {};

TEST_F(CsvDoubleByteCodePage, RowsComeBackAsTheirCharacters) {
  if (GetACP() != 932) GTEST_SKIP() << "system code page " << GetACP();
  // Shift-JIS bytes by hand: U+65E5 93 FA, U+672C 96 7B, U+30C6 83 65, U+30B9 83 58, U+30C8 83 67.
  const std::wstring path = WriteBytes(temp.path() + L"\\sjis.csv", "\x93\xFA\x96\x7B,1\n\x83\x65\x83\x58\x83\x67,2\n");
  wchar_t* file = const_cast<wchar_t*>(path.c_str());
  auto text_of = [this](XLOPER12* r) {
    std::wstring out;
    EXPECT_NE(r, nullptr);
    if (!r) return out;
    EXPECT_EQ(r->xltype, xltypeStr | xlbitDLLFree);
    if (r->xltype == (xltypeStr | xlbitDLLFree)) out.assign(r->val.str + 1, r->val.str[0]);
    host.api().TakeResult(r);
    return out;
  };
  // The count is of characters: 5 for the 9 bytes of the second row.
  EXPECT_TRUE(text_of(GetRowCSVansi(file, 2, 0)) == L"\u30C6\u30B9\u30C8,2\n");
  EXPECT_TRUE(text_of(GetRowCSVansi(file, 1, 0)) == L"\u65E5\u672C,1\n");
  char find[] = "\x83\x58";  // the host hands the cell's text over in the same code page
  short every_row = 1;
  EXPECT_TRUE(text_of(FindRowsInCSVansi(file, find, &every_row, 0)) == L"\u30C6\u30B9\u30C8,2\n");
  char comma[] = ",";
  EXPECT_TRUE(text_of(FindRowsInCSVansi(file, comma, &every_row, 0)) == L"\u65E5\u672C,1\n\u30C6\u30B9\u30C8,2\n");
}

}  // namespace
}  // namespace korvel::test
