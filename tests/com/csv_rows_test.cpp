// GetRowsCountCSVansi, GetRowCSVansi and FindRowsInCSVansi through the server's vtable, in both buffering
// modes. Expected values come from splitting the generated text at its line feeds in the test itself.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "csv_test_support.h"

namespace korvel::test {
namespace {

constexpr std::size_t kBlock = 0x1000000;

std::string Rows(std::size_t count, std::size_t width, std::size_t first = 0) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    std::string row = std::to_string(first + i) + ",";
    row.resize(width - 1, static_cast<char>('a' + i % 23));
    text += row + "\n";
  }
  return text;
}

struct LargeFile {
  const char* name;
  std::string text;
};

class CsvRows : public ::testing::TestWithParam<LONG> {
 protected:
  static void SetUpTestSuite() { folder_ = new std::wstring(ScratchFolder(L"csv-rows")); }
  // Made only by the test that needs them: each test runs in a process of its own.
  static void MakeLargeFiles() {
    files_ = new std::vector<LargeFile>;
    // Exactly one block, ending with a line feed; one block and one byte; a short last block after a full
    // one whose last row has no line feed; rows of 100 bytes with one straddling the block boundary and a
    // marker across the boundary; a row of 20 MiB across the boundary with markers near both ends; one
    // line of 17 MiB without a line feed.
    files_->push_back({"exact", Rows(kBlock / 64, 64)});
    files_->push_back({"plus-one", Rows(kBlock / 64, 64) + "z"});
    std::string short_tail = Rows(kBlock / 64, 64) + std::string(999, 'y') + "TAILMARK";
    files_->push_back({"short-tail", short_tail});
    std::string straddle = Rows(kBlock / 100 + 1000, 100);
    straddle.replace(kBlock - 3, 6, "MARKER");
    files_->push_back({"straddle", straddle});
    std::string long_row = "head\n" + std::string(20 * 1024 * 1024, 'q') + "\ntail\n";
    long_row.replace(10, 5, "FIRST");
    long_row.replace(20 * 1024 * 1024 - 10, 5, "LATER");
    files_->push_back({"long-row", long_row});
    std::string one_line(17 * 1024 * 1024, 'w');
    one_line.replace(one_line.size() - 7, 7, "THE-END");
    files_->push_back({"one-line", one_line});
    for (const LargeFile& f : *files_) {
      std::wstring name(f.name, f.name + std::char_traits<char>::length(f.name));
      WriteFileBytes(*folder_ + name, f.text);
    }
  }
  static void TearDownTestSuite() {
    RemoveFolder(*folder_);
    delete folder_;
    delete files_;
    files_ = nullptr;
  }
  void CheckCountsAtBlockEdges();
  void CheckRowsAtBlockEdges();
  void CheckFindAtBlockEdges();
  void SetUp() override { ASSERT_TRUE(vba_); }

  static std::wstring PathOf(const char* name) {
    return *folder_ + std::wstring(name, name + std::char_traits<char>::length(name));
  }
  static const std::string& TextOf(const char* name) {
    for (const LargeFile& f : *files_)
      if (std::string(f.name) == name) return f.text;
    throw std::logic_error("no such file");
  }
  std::wstring Small(const std::string& bytes) {
    std::wstring path = *folder_ + L"small-" + std::to_wstring(++small_) + L".csv";
    WriteFileBytes(path, bytes);
    return path;
  }

  HRESULT Count(const std::wstring& path, LONG* rows) {
    UniqueBstr file(SysAllocString(path.c_str()));
    return vba_->GetRowsCountCSVansi(file.get(), GetParam(), rows);
  }
  HRESULT Row(const std::wstring& path, LONG index, std::string* row) {
    UniqueBstr file(SysAllocString(path.c_str()));
    BSTR out = nullptr;
    HRESULT hr = vba_->GetRowCSVansi(file.get(), index, GetParam(), &out);
    UniqueBstr owned(out);
    *row = AnsiBytes(out);
    return hr;
  }
  HRESULT Find(const std::wstring& path, const std::wstring& text, LONG multi, std::string* rows, bool null_text = false) {
    UniqueBstr file(SysAllocString(path.c_str()));
    UniqueBstr find(null_text ? nullptr : SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    BSTR out = nullptr;
    HRESULT hr = vba_->FindRowsInCSVansi(file.get(), find.get(), multi, GetParam(), &out);
    UniqueBstr owned(out);
    *rows = AnsiBytes(out);
    return hr;
  }

  ComPtr<IVBA> vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
  int small_ = 0;
  static std::wstring* folder_;
  static std::vector<LargeFile>* files_;
};

std::wstring* CsvRows::folder_ = nullptr;
std::vector<LargeFile>* CsvRows::files_ = nullptr;

TEST_P(CsvRows, CountTable) {
  struct Case {
    std::string text;
    LONG rows;
  };
  const std::vector<Case> cases = {
      {"", 1},           {"a", 1},          {"a\n", 1},          {"a\nb", 2},        {"a\nb\n", 2},
      {"\n", 1},         {"\n\n", 2},       {"a\r\nb\r\n", 2},   {"a\r\nb", 2},      {"\r\r\r", 1},
      // A zero byte is an ordinary byte: the rows after it still count.
      {std::string("a\0b\nc\nd", 7), 3},   {std::string("\0\n\0\n\0", 5), 3},
  };
  for (const Case& c : cases) {
    LONG rows = -1;
    EXPECT_EQ(S_OK, Count(Small(c.text), &rows));
    EXPECT_EQ(rows, c.rows) << '"' << c.text << '"';
  }
}

// Counts, rows and matches at block edges: exactly 16 MiB, 16 MiB and one byte, a short last block after a
// full one, rows and matches that straddle the boundary, rows longer than a block.
TEST_P(CsvRows, BlockEdges) {
  MakeLargeFiles();
  CheckCountsAtBlockEdges();
  CheckRowsAtBlockEdges();
  CheckFindAtBlockEdges();
}

void CsvRows::CheckCountsAtBlockEdges() {
  for (const LargeFile& f : *files_) {
    LONG rows = -1;
    EXPECT_EQ(S_OK, Count(PathOf(f.name), &rows)) << f.name;
    EXPECT_EQ(static_cast<std::size_t>(rows), SplitAtLineFeeds(f.text).size()) << f.name;
  }
}

TEST_P(CsvRows, RowTable) {
  struct Case {
    std::string text;
    LONG index;
    std::string row;
  };
  const std::vector<Case> cases = {
      {"a\r\nb", 1, "a\r\n"}, {"a\r\nb", 2, "b"},  {"a\r\nb", 3, ""},   {"a\r\nb", 0, ""},
      {"a\r\nb", -5, ""},     {"a\n", 1, "a\n"},   {"a\n", 2, ""},      {"", 1, ""},
      {"x\n\ny\n", 2, "\n"},  {"abc", 1, "abc"},   {"a\nb\nc", 3, "c"},
      {std::string("a\0b\nc\0d\n", 8), 2, std::string("c\0d\n", 4)},
      {std::string("a\0b\nc\0d\n", 8), 1, std::string("a\0b\n", 4)},
  };
  for (const Case& c : cases) {
    std::string row = "unset";
    EXPECT_EQ(S_OK, Row(Small(c.text), c.index, &row));
    EXPECT_EQ(row, c.row) << '"' << c.text << "\" row " << c.index;
  }
}

void CsvRows::CheckRowsAtBlockEdges() {
  for (const LargeFile& f : *files_) {
    std::vector<std::string> rows = SplitAtLineFeeds(f.text);
    // The first and last rows, the row around the block boundary, and one past the end.
    std::vector<std::size_t> indexes = {1, rows.size(), rows.size() + 1};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (offset + rows[i].size() > kBlock - 1) {
        indexes.push_back(i + 1);
        if (i + 2 <= rows.size()) indexes.push_back(i + 2);
        break;
      }
      offset += rows[i].size();
    }
    for (std::size_t index : indexes) {
      std::string row;
      EXPECT_EQ(S_OK, Row(PathOf(f.name), static_cast<LONG>(index), &row)) << f.name;
      const std::string expected = index <= rows.size() ? rows[index - 1] : std::string();
      EXPECT_TRUE(row == expected) << f.name << " row " << index << ": " << row.size() << " bytes, expected "
                                   << expected.size();
    }
  }
}

TEST_P(CsvRows, FindTable) {
  struct Case {
    std::string text;
    std::wstring find;
    LONG multi;
    std::string rows;
  };
  const std::vector<Case> cases = {
      {"x1\nab\ny2\nab\n", L"ab", 0, "ab\n"},
      {"x1\nab\ny2\nab\n", L"ab", 1, "ab\nab\n"},
      {"a,b\nc,d", L"c", 0, "c,d"},
      {"a,b\nc,d", L"zz", 1, ""},
      // A one-line file: the row is found whole.
      {"abc", L"b", 0, "abc"},
      {"abc", L"abc", 1, "abc"},
      {"abc", L"q", 0, ""},
      // The empty text is in every row.
      {"r1\nr2\nr3", L"", 0, "r1\n"},
      {"r1\nr2\nr3", L"", 1, "r1\nr2\nr3"},
      {"r1\n\nr3\n", L"", 1, "r1\n\nr3\n"},
      {"", L"", 1, ""},
      // Rows are appended once each, even with several matches.
      {"aXaXa\nb\naX\n", L"X", 1, "aXaXa\naX\n"},
      // The search text ends at its first zero; a zero in a row hides nothing.
      {"pq\nrs\n", std::wstring(L"r\0zz", 4), 0, "rs\n"},
      {std::string("a\0b\nc\0needle\nd\n", 15), L"needle", 1, std::string("c\0needle\n", 9)},
      {"one\r\ntwo\r\n", L"tw", 0, "two\r\n"},
  };
  for (const Case& c : cases) {
    std::string rows = "unset";
    EXPECT_EQ(S_OK, Find(Small(c.text), c.find, c.multi, &rows));
    EXPECT_EQ(rows, c.rows) << '"' << c.text << "\" multi " << c.multi;
  }
  std::string rows;
  EXPECT_EQ(S_OK, Find(Small("a\nb\n"), L"", 1, &rows, true));
  EXPECT_EQ(rows, "a\nb\n") << "a null search text is the empty text";
}

void CsvRows::CheckFindAtBlockEdges() {
  struct Case {
    const char* file;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"straddle", "MARKER"},  // begins 3 bytes before the boundary
      {"long-row", "FIRST"},   // in the first block of a 20 MiB row
      {"long-row", "LATER"},   // in its second block
      {"one-line", "THE-END"}, {"short-tail", "TAILMARK"},
      {"plus-one", "z"},       {"exact", "262143,"},
      {"straddle", ","},       // every row but after the first match, with MultiLine
  };
  for (const Case& c : cases) {
    std::vector<std::string> rows = SplitAtLineFeeds(TextOf(c.file));
    std::string first, every;
    for (const std::string& r : rows)
      if (r.find(c.text) != std::string::npos) {
        if (first.empty()) first = r;
        every += r;
      }
    ASSERT_FALSE(first.empty());
    std::wstring text(c.text, c.text + std::char_traits<char>::length(c.text));
    for (LONG multi : {0, 1}) {
      std::string found;
      EXPECT_EQ(S_OK, Find(PathOf(c.file), text, multi, &found)) << c.file << " " << c.text;
      const std::string& expected = multi ? every : first;
      EXPECT_TRUE(found == expected) << c.file << " " << c.text << " multi " << multi << ": " << found.size()
                                     << " bytes, expected " << expected.size();
    }
  }
}

TEST_P(CsvRows, MissingFileAndRejectedSearchText) {
  const std::wstring missing = *folder_ + L"no-such-file.csv";
  LONG rows = 0;
  std::string text;
  EXPECT_EQ(E_INVALIDARG, Count(missing, &rows));
  EXPECT_EQ(E_INVALIDARG, Row(missing, 1, &text));
  EXPECT_EQ(E_INVALIDARG, Find(missing, L"a", 0, &text));
  EXPECT_EQ(E_INVALIDARG, Find(missing, L"\u041f", 0, &text)) << "even when the text matches no row";
  EXPECT_EQ(E_INVALIDARG, Count(*folder_, &rows)) << "a folder";
  EXPECT_EQ(E_INVALIDARG, Find(Small("a\n"), std::wstring(0x1000000, L'a'), 0, &text));
  EXPECT_EQ(S_OK, Find(Small("a\n"), std::wstring(0xFFFFFF, L'a'), 0, &text));
  EXPECT_EQ(text, "");
  EXPECT_EQ(E_POINTER, vba_->GetRowsCountCSVansi(nullptr, 0, nullptr));
}

// The private memory of the process, sampled every millisecond while `work` runs: the largest value seen.
// (Wine's peak counters are no peaks, and a process-wide peak would include what the test itself made.)
template <class Work>
std::size_t LargestPrivateMemoryDuring(Work&& work) {
  auto now = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
  };
  std::atomic<bool> done{false};
  std::atomic<std::size_t> largest{now()};
  std::thread sampler([&] {
    while (!done) {
      std::size_t v = now();
      if (v > largest) largest = v;
      Sleep(1);
    }
  });
  work();
  done = true;
  sampler.join();
  return largest;
}

// A row longer than a block is held only once it matches: one row of 100 MB (carriage returns, no line
// feed), searched for a text it lacks, takes no more than the two blocks of the reader.
TEST_P(CsvRows, RowLongerThanABlockIsKeptOnlyWhenItMatches) {
  const std::wstring path = *folder_ + L"one-row-100mb.csv";
  const std::string piece = "field one,field two,3.25\r";
  const std::string last = "the-last-field";
  const std::size_t pieces = 100 * 1000 * 1000 / piece.size();
  {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string chunk;
    for (std::size_t i = 0; i < 40000; ++i) chunk += piece;
    DWORD written = 0;
    for (std::size_t done = 0; done < pieces; done += 40000)
      ASSERT_TRUE(WriteFile(h, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr));
    ASSERT_TRUE(WriteFile(h, last.data(), static_cast<DWORD>(last.size()), &written, nullptr));
    CloseHandle(h);
  }
  const std::size_t size = (pieces + 39999) / 40000 * 40000 * piece.size() + last.size();
  std::string rows = "unset";
  HRESULT hr = E_FAIL;
  const std::size_t largest = LargestPrivateMemoryDuring([&] { hr = Find(path, L"absent", 1, &rows); });
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(rows, "");
  EXPECT_LT(largest, 100u * 1000 * 1000) << "private memory while searching";

  EXPECT_EQ(S_OK, Find(path, L"the-last", GetParam() ? 0 : 1, &rows));
  ASSERT_EQ(rows.size(), size);
  EXPECT_TRUE(rows == ReadFileBytes(path)) << "the whole row";
  DeleteFileW(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothBufferingModes, CsvRows, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<LONG>& p) { return p.param ? "NoBuffering" : "Buffered"; });

// A count beyond the 32-bit result is an error, not a wrapped number: 2^31 line feeds are 2^31 rows.
TEST(CsvRowCount, TooManyRowsForTheResultIsAnError) {
  std::wstring folder = ScratchFolder(L"csv-count");
  std::wstring path = folder + L"line-feeds.csv";
  {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string block(kBlock, '\n');
    bool ok = true;
    for (int i = 0; i < 128 && ok; ++i) {
      DWORD written = 0;
      ok = WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) && written == block.size();
    }
    CloseHandle(h);
    ASSERT_TRUE(ok) << "cannot write 2 GiB to the scratch folder";
  }
  ComPtr<IVBA> vba = Server::Get().Create<IVBA>(CLSID_VBA);
  UniqueBstr file(SysAllocString(path.c_str()));
  LONG rows = 12345;
  EXPECT_EQ(DISP_E_OVERFLOW, vba->GetRowsCountCSVansi(file.get(), 0, &rows));
  EXPECT_EQ(rows, 12345);
  RemoveFolder(folder);
}

}  // namespace
}  // namespace korvel::test
