// SortDeleteDuplicateRowsCSVansi through the server's vtable, in both buffering modes. Expected outputs
// were worked out by hand or come from a plain reimplementation in the test (split, std::sort, unique).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "toolbox/csv_record_sort.h"
#include "toolbox/csv_sort.h"
#include "csv_test_support.h"

namespace korvel::test {
namespace {

class CsvSort : public ::testing::TestWithParam<LONG> {
 protected:
  static void SetUpTestSuite() { folder_ = new std::wstring(ScratchFolder(L"csv-sort")); }
  static void TearDownTestSuite() {
    RemoveFolder(*folder_);
    delete folder_;
  }
  void SetUp() override { ASSERT_TRUE(vba_); }
  static std::wstring Path(const std::wstring& name) { return *folder_ + name; }

  struct Options {
    LONG header = 0, only_sort = 0, descending = 0, set_locale = 0;
    const wchar_t* locale = L"";
  };
  HRESULT Sort(const std::wstring& in, const std::wstring& out, const Options& o, LONGLONG* rows) {
    UniqueBstr file_in(SysAllocString(in.c_str()));
    UniqueBstr file_out(SysAllocString(out.c_str()));
    UniqueBstr locale(o.locale ? SysAllocString(o.locale) : nullptr);
    return vba_->SortDeleteDuplicateRowsCSVansi(file_in.get(), file_out.get(), o.header, o.only_sort, o.descending,
                                                GetParam(), o.set_locale, locale.get(), rows);
  }

  ComPtr<IVBA> vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
  static std::wstring* folder_;
};

std::wstring* CsvSort::folder_ = nullptr;

struct Case {
  const char* what;
  std::string in;
  LONG header, only_sort, descending;
  std::string out;
  LONGLONG rows;
};

TEST_P(CsvSort, Table) {
  const std::string zeros("a\0x\na\0y\na\0x\n", 12);
  const std::vector<Case> cases = {
      {"ascending", "b\na\nb\n", 0, 0, 0, "a\nb\n", 2},
      {"only sort", "b\na\nb\n", 0, 1, 0, "a\nb\nb\n", 3},
      {"descending", "b\na\nb\n", 0, 0, 1, "b\na\n", 2},
      {"descending only sort", "b\na\nc\nb\n", 0, 1, 1, "c\nb\nb\na\n", 4},
      {"header row", "h\nz\na\n", 1, 0, 0, "h\na\nz\n", 3},
      {"header rows are not de-duplicated", "z\nz\nb\nz\nb\n", 2, 0, 0, "z\nz\nb\nz\n", 4},
      {"every row a header row", "c\nb\na\n", 3, 0, 0, "c\nb\na\n", 3},
      {"CR LF, no final line end", "x\r\nb\r\na", 0, 0, 0, "a\r\nb\r\nx", 3},
      {"CR LF, final line end", "x\r\nb\r\na\r\n", 0, 0, 0, "a\r\nb\r\nx\r\n", 3},
      {"CR LF duplicate of the last row", "a\r\nb\r\na", 0, 0, 0, "a\r\nb", 2},
      {"bytes: upper case first", "a\nB\nb\nA\n", 0, 0, 0, "A\nB\na\nb\n", 4},
      {"bytes are unsigned", "\xe9\nz\n", 0, 0, 0, "z\n\xe9\n", 2},
      {"blank first row", "\nb\na\n", 0, 0, 0, "\na\nb\n", 3},
      {"blank rows collapse", "\n\nb\n\n", 0, 0, 0, "\nb\n", 2},
      {"blank first row as header", "\nb\na\n", 1, 0, 0, "\na\nb\n", 3},
      {"LF rows, no final line end", "b\na", 0, 0, 0, "a\nb", 2},
      {"LF rows, no final line end, last row duplicated", "b\na\nb", 0, 0, 0, "a\nb", 2},
      {"LF rows, no final line end, descending", "a\nc\nb", 0, 1, 1, "c\nb\na", 3},
      {"one row without line end", "only", 0, 0, 0, "only", 1},
      {"rows that differ after a zero byte", zeros, 0, 0, 0, std::string("a\0x\na\0y\n", 8), 2},
      {"prefix rows", "abcde\nabcd\nabc\nabcdf\n", 0, 0, 0, "abc\nabcd\nabcde\nabcdf\n", 4},
      {"empty file", "", 0, 0, 0, "", 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring in = Path(L"table-in-" + std::to_wstring(++n));
    std::wstring out = Path(L"table-out-" + std::to_wstring(n));
    WriteFileBytes(in, c.in);
    LONGLONG rows = -1;
    Options o;
    o.header = c.header;
    o.only_sort = c.only_sort;
    o.descending = c.descending;
    ASSERT_EQ(S_OK, Sort(in, out, o, &rows));
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(ReadFileBytes(out), c.out);
    EXPECT_EQ(ReadFileBytes(in), c.in) << "the input is never changed";
  }
}

TEST_P(CsvSort, InPlaceAndOverAnExistingFile) {
  std::wstring file = Path(L"in-place.csv");
  WriteFileBytes(file, "3\n1\n2\n1\n");
  LONGLONG rows = 0;
  ASSERT_EQ(S_OK, Sort(file, file, {}, &rows));
  EXPECT_EQ(ReadFileBytes(file), "1\n2\n3\n");
  EXPECT_EQ(rows, 3);
  std::wstring out = Path(L"existing-out.csv");
  WriteFileBytes(out, std::string(100000, 'x'));
  ASSERT_EQ(S_OK, Sort(file, out, {0, 0, 1}, &rows));
  EXPECT_EQ(ReadFileBytes(out), "3\n2\n1\n") << "a longer old file is replaced, not overwritten in part";
}

TEST_P(CsvSort, UnbufferedOutputHasTheExactSize) {
  // 10,000 bytes in rows ending with a line feed: the filler of the last unbuffered write is cut away.
  std::string text;
  for (int i = 0; i < 1000; ++i) text += std::to_string(1000000000 - i * 7919).substr(0, 9) + "\n";
  ASSERT_EQ(text.size(), 10000u);
  std::wstring in = Path(L"ten-thousand.csv"), out = Path(L"ten-thousand-out.csv");
  WriteFileBytes(in, text);
  LONGLONG rows = 0;
  ASSERT_EQ(S_OK, Sort(in, out, {0, 1}, &rows));
  std::vector<std::string> expected = SplitAtLineFeeds(text);
  std::sort(expected.begin(), expected.end());
  std::string joined;
  for (const std::string& r : expected) joined += r;
  EXPECT_EQ(ReadFileBytes(out), joined);
  EXPECT_EQ(rows, 1000);
}

TEST_P(CsvSort, RefusedArgumentsTouchNoFile) {
  std::wstring in = Path(L"refused-in.csv"), out = Path(L"refused-out.csv");
  WriteFileBytes(in, "b\na\n");
  LONGLONG rows = 77;
  EXPECT_EQ(E_INVALIDARG, Sort(in, out, {-1}, &rows));
  EXPECT_EQ(E_INVALIDARG, Sort(in, out, {3}, &rows)) << "more header rows than rows";
  EXPECT_EQ(E_INVALIDARG, Sort(Path(L"missing.csv"), out, {}, &rows));
  Options bad_locale;
  bad_locale.set_locale = 1;
  bad_locale.locale = L"en-US";  // a name the run-time library does not know
  EXPECT_EQ(E_INVALIDARG, Sort(in, out, bad_locale, &rows));
  EXPECT_EQ(GetFileAttributesW(out.c_str()), INVALID_FILE_ATTRIBUTES) << "no output was made";
  EXPECT_EQ(E_INVALIDARG, Sort(in, Path(L"no-such-folder\\out.csv"), {}, &rows));
  EXPECT_EQ(rows, 77);
  EXPECT_EQ(ReadFileBytes(in), "b\na\n");
  EXPECT_EQ(E_POINTER, vba_->SortDeleteDuplicateRowsCSVansi(nullptr, nullptr, 0, 0, 0, 0, 0, nullptr, nullptr));
}

TEST_P(CsvSort, CollatedOrderOfANamedLocale) {
  // Code page 1251 bytes: "ж" E6, "ё" B8, "е" E5, "Е" C5. By bytes ё comes first; Russian collation puts
  // ё between е and ж (and lower case before upper case, as Windows collates).
  const std::string in_text = "\xe6\n\xb8\n\xe5\n\xc5\n";
  std::wstring in = Path(L"collate-in.csv"), out = Path(L"collate-out.csv");
  WriteFileBytes(in, in_text);
  LONGLONG rows = 0;
  ASSERT_EQ(S_OK, Sort(in, out, {}, &rows));
  EXPECT_EQ(ReadFileBytes(out), "\xb8\n\xc5\n\xe5\n\xe6\n") << "bytes";
  Options russian;
  russian.set_locale = 1;
  russian.locale = L"Russian_Russia.1251";
  ASSERT_EQ(S_OK, Sort(in, out, russian, &rows));
  EXPECT_EQ(ReadFileBytes(out), "\xe5\n\xc5\n\xb8\n\xe6\n");
  russian.descending = 1;
  ASSERT_EQ(S_OK, Sort(in, out, russian, &rows));
  EXPECT_EQ(ReadFileBytes(out), "\xe6\n\xb8\n\xc5\n\xe5\n");
  // A null locale keeps the collation the last call set.
  Options kept;
  kept.set_locale = 1;
  kept.locale = nullptr;
  ASSERT_EQ(S_OK, Sort(in, out, kept, &rows));
  EXPECT_EQ(ReadFileBytes(out), "\xe5\n\xc5\n\xb8\n\xe6\n");
  Options english;
  english.set_locale = 1;
  english.locale = L"English_United States.1252";
  WriteFileBytes(in, "b\nB\na\nA\n");
  ASSERT_EQ(S_OK, Sort(in, out, english, &rows));
  EXPECT_EQ(ReadFileBytes(out), "a\nA\nb\nB\n");
  Options c_locale;
  c_locale.set_locale = 1;
  c_locale.locale = L"C";
  ASSERT_EQ(S_OK, Sort(in, out, c_locale, &rows));
  EXPECT_EQ(ReadFileBytes(out), "A\nB\na\nb\n");
}

// A plain reimplementation: rows without their line feeds, sorted, de-duplicated, written with line feeds.
std::string Expected(const std::string& text, bool only_sort) {
  std::vector<std::string> rows;
  for (std::string r : SplitAtLineFeeds(text)) {
    if (!r.empty() && r.back() == '\n') r.pop_back();
    rows.push_back(r);
  }
  std::sort(rows.begin(), rows.end());
  if (!only_sort) rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::string out;
  for (const std::string& r : rows) out += r + "\n";
  return out;
}

TEST_P(CsvSort, LargeInputAcrossBlocksMatchesAPlainSort) {
  // About 40 MiB: three read blocks and three write blocks, rows of 0 to 300 bytes with many duplicates,
  // one row of 17 MiB that spans write blocks, zero bytes in some rows.
  std::mt19937 random(12345);
  std::string text;
  while (text.size() < 22 * 1024 * 1024) {
    std::size_t length = random() % 300;
    std::string row;
    for (std::size_t i = 0; i < length; ++i) row += static_cast<char>('0' + random() % 3 + (random() % 97 == 0 ? 40 : 0));
    if (random() % 1000 == 0) row += std::string(1, '\0') + "z";
    text += row + "\n";
  }
  text += std::string(17 * 1024 * 1024, 'L') + "\n";
  std::wstring in = Path(L"large-in.csv"), out = Path(L"large-out.csv");
  WriteFileBytes(in, text);
  for (LONG only_sort : {0, 1}) {
    LONGLONG rows = 0;
    Options o;
    o.only_sort = only_sort;
    ASSERT_EQ(S_OK, Sort(in, out, o, &rows));
    std::string expected = Expected(text, only_sort);
    std::string got = ReadFileBytes(out);
    EXPECT_TRUE(got == expected) << "only sort " << only_sort << ": " << got.size() << " bytes, expected "
                                 << expected.size();
    EXPECT_EQ(static_cast<std::size_t>(rows), SplitAtLineFeeds(expected).size());
  }
}

INSTANTIATE_TEST_SUITE_P(BothBufferingModes, CsvSort, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<LONG>& p) { return p.param ? "NoBuffering" : "Buffered"; });

// A write that fails part-way leaves the old output, or the input sorted in place, as it was, and no
// temporary file behind.
TEST(CsvSortWriteFailure, LeavesTheOldFileAsItWas) {
  std::wstring folder = ScratchFolder(L"csv-sort-failure");
  std::string text;
  for (std::uint64_t i = 0; i < 2000000; ++i) text += std::to_string((i * 7919) % 2000003) + ",a row of the file\n";  // ~ 50 MB, 3 blocks
  std::wstring in = folder + L"in.csv", out = folder + L"out.csv";
  WriteFileBytes(in, text);
  const std::string old_output = "the old output\n";
  WriteFileBytes(out, old_output);
  for (bool in_place : {false, true}) {
    SCOPED_TRACE(in_place ? "in place" : "over another file");
    csv::SortRequest request;
    request.file_in = in.c_str();
    request.file_out = in_place ? in.c_str() : out.c_str();
    int writes = 0;
    request.write_gate = [&writes](std::uint64_t, std::size_t) { return ++writes < 2; };
    csv::SortOutcome outcome = csv::SortCsvFile(request);
    EXPECT_EQ(outcome.status, csv::SortStatus::kWriteFailed);
    EXPECT_EQ(writes, 2);
    EXPECT_TRUE(ReadFileBytes(in) == text);
    EXPECT_EQ(ReadFileBytes(out), old_output);
    std::vector<std::wstring> files = FilesIn(folder);
    EXPECT_EQ(files.size(), 2u) << "a temporary file was left behind";
  }
  RemoveFolder(folder);
}

// The collation as the runtime's strcoll answers on Windows under a locale with a multibyte code page (932
// here): _NLSCMPERROR when either text is invalid in the code page (a lead byte without its trail byte),
// otherwise the byte order of the C locale. Wine's strcoll never fails.
int FailingCollation(const char* a, const char* b) {
  for (const char* text : {a, b})
    if (!MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0)) return _NLSCMPERROR;
  return std::strcmp(a, b);
}

csv::CsvRowRecord Record(const std::string& text) {
  return {text.c_str(), static_cast<std::uint32_t>(text.size()), csv::RowPrefix(text.c_str(), text.size())};
}

TEST(CsvSortCollation, RowsTheCollationCannotCompareStillFormAStrictWeakOrder) {
  const std::vector<std::string> texts = {"a", "b", "\x82\xa0", "\x81", "x\x81", std::string("a\0\x81", 3),
                                          std::string("a\0b", 3), "\x81\x81", "B"};
  std::vector<csv::CsvRowRecord> records;
  for (const std::string& t : texts) records.push_back(Record(t));
  auto less = [](const csv::CsvRowRecord& x, const csv::CsvRowRecord& y) {
    return csv::CompareRowCollated(x, y, FailingCollation) < 0;
  };
  for (const auto& x : records) {
    EXPECT_EQ(0, csv::CompareRowCollated(x, x, FailingCollation)) << "a row equals itself";
    for (const auto& y : records) {
      EXPECT_FALSE(less(x, y) && less(y, x));
      for (const auto& z : records)
        if (less(x, y) && less(y, z)) EXPECT_TRUE(less(x, z));
    }
  }
}

TEST(CsvSortCollation, IdenticalRowsTheCollationCannotCompareAreDeDuplicated) {
  std::wstring folder = ScratchFolder(L"csv-collation");
  const std::wstring in = folder + L"in.csv", out = folder + L"out.csv";
  WriteFileBytes(in, "b\n\x81\na\nx\x81\n\x81\nb\nx\x81\n\x82\xa0\n");
  struct Order {
    csv::RowOrder order;
    const char* expected;
  };
  // Rows that collate come first in their order, the others after them by their bytes.
  const Order orders[] = {{csv::RowOrder::kCollatedAscending, "a\nb\n\x82\xa0\nx\x81\n\x81\n"},
                          {csv::RowOrder::kCollatedDescending, "\x81\nx\x81\n\x82\xa0\nb\na\n"}};
  for (const Order& o : orders) {
    csv::SortRequest request;
    request.file_in = in.c_str();
    request.file_out = out.c_str();
    request.order = o.order;
    request.collate = FailingCollation;
    csv::SortOutcome outcome = csv::SortCsvFile(request);
    ASSERT_EQ(outcome.status, csv::SortStatus::kOk);
    EXPECT_EQ(outcome.rows, 5u);
    EXPECT_EQ(ReadFileBytes(out), o.expected);
  }
  RemoveFolder(folder);
}

}  // namespace
}  // namespace korvel::test
