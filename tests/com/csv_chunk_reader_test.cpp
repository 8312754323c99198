// The CSV chunk reader through its device seam: the read results Wine never gives (a read that completes
// at once, an end of file reported by the read itself, a failure after some blocks, short blocks).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/csv_chunk_reader.h"
#include "common/csv_rows.h"
#include "csv_test_support.h"

namespace korvel::csv {
namespace {

// Serves `data` as a file. Every read may complete at once or stay pending, may deliver fewer bytes than
// asked, may report the end from Start or from Finish, and may fail from read number `fail_at` on.
class FakeDevice : public BlockDevice {
 public:
  struct Script {
    bool complete_at_once = false;
    bool end_from_start = false;
    std::size_t max_bytes = kBlockSize;
    int fail_at = -1;           // 0-based read number that fails
    bool fail_in_finish = true;
    bool unbuffered = false;
  };
  FakeDevice(std::string data, Script script) : data_(std::move(data)), script_(script) {}
  ~FakeDevice() override { EXPECT_FALSE(outstanding_) << "a read was left outstanding"; }

  ReadResult Start(char* buffer, std::uint32_t size, std::uint64_t offset) override {
    EXPECT_FALSE(outstanding_);
    offsets.push_back(offset);
    if (script_.unbuffered) EXPECT_EQ(offset % kSectorAlignment, 0u) << "unaligned unbuffered read";
    int number = reads_++;
    if (number == script_.fail_at && !script_.fail_in_finish) return {ReadResult::kFailed, 0, ERROR_CRC};
    if (offset >= data_.size() && script_.end_from_start) return {ReadResult::kEndOfFile};
    pending_ = {buffer, size, offset, number};
    outstanding_ = true;
    return {script_.complete_at_once ? ReadResult::kDone : ReadResult::kPending};
  }
  ReadResult Finish() override {
    EXPECT_TRUE(outstanding_);
    outstanding_ = false;
    if (pending_.number == script_.fail_at) return {ReadResult::kFailed, 0, ERROR_CRC};
    if (pending_.offset >= data_.size()) return {ReadResult::kEndOfFile};
    std::size_t n = std::min<std::size_t>({pending_.size, script_.max_bytes, data_.size() - pending_.offset});
    std::memcpy(pending_.buffer, data_.data() + pending_.offset, n);
    return {ReadResult::kDone, static_cast<std::uint32_t>(n)};
  }
  bool Unbuffered() const override { return script_.unbuffered; }

  std::vector<std::uint64_t> offsets;

 private:
  struct Pending {
    char* buffer;
    std::uint32_t size;
    std::uint64_t offset;
    int number;
  };
  std::string data_;
  Script script_;
  Pending pending_{};
  int reads_ = 0;
  bool outstanding_ = false;
};

// Collects what the reader delivers; optionally stops or throws after some blocks.
class Recorder : public ChunkScan {
 public:
  bool Scan(const Block& block) override {
    EXPECT_EQ(block.data[block.size], '\0');
    EXPECT_EQ(block.carried, 0u);
    bytes.append(block.data, block.size);
    sizes.push_back(block.size);
    if (throw_after && sizes.size() == throw_after) throw std::runtime_error("scan failed");
    return !(stop_after && sizes.size() == stop_after);
  }
  std::string bytes;
  std::vector<std::size_t> sizes;
  std::size_t stop_after = 0;
  std::size_t throw_after = 0;
};

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 5000) % 26);
  return s;
}

TEST(CsvChunkReader, DeliversEveryByteOnceWhateverWayTheReadsComplete) {
  const std::string data = Pattern(2 * kBlockSize + 12345);
  struct Case {
    const char* what;
    FakeDevice::Script script;
    std::vector<std::size_t> sizes;
  };
  const std::size_t tail = 12345;
  std::vector<Case> cases = {
      {"pending, end from Finish", {}, {kBlockSize, kBlockSize, tail}},
      {"completed at once", {true}, {kBlockSize, kBlockSize, tail}},
      {"end reported by Start", {false, true}, {kBlockSize, kBlockSize, tail}},
      {"completed at once, end from Start", {true, true}, {kBlockSize, kBlockSize, tail}},
      {"short blocks", {false, false, 5000000}, {5000000, 5000000, 5000000, 5000000, 5000000, 5000000,
                                                  2 * kBlockSize + tail - 30000000}},
      {"unbuffered", {false, false, kBlockSize, -1, true, true}, {kBlockSize, kBlockSize, tail}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDevice device(data, c.script);
    Recorder recorder;
    EXPECT_EQ(ReadChunks(device, recorder), ReadStatus::kOk);
    EXPECT_TRUE(recorder.bytes == data);
    EXPECT_EQ(recorder.sizes, c.sizes);
  }
}

TEST(CsvChunkReader, AnUnbufferedShortBlockEndsTheFileWithoutAnotherRead) {
  FakeDevice::Script script;
  script.unbuffered = true;
  FakeDevice device(Pattern(kBlockSize + 100), script);
  Recorder recorder;
  EXPECT_EQ(ReadChunks(device, recorder), ReadStatus::kOk);
  EXPECT_EQ(device.offsets, (std::vector<std::uint64_t>{0, kBlockSize}));
  EXPECT_EQ(recorder.bytes.size(), kBlockSize + 100);
}

TEST(CsvChunkReader, EmptyFileGivesNoBlock) {
  for (bool at_once : {false, true}) {
    FakeDevice device("", {at_once, at_once});
    Recorder recorder;
    EXPECT_EQ(ReadChunks(device, recorder), ReadStatus::kOk);
    EXPECT_TRUE(recorder.sizes.empty());
  }
}

TEST(CsvChunkReader, AReadFailureAfterSomeBlocksIsReportedAsSuch) {
  const std::string data = Pattern(3 * kBlockSize);
  for (bool in_finish : {true, false}) {
    SCOPED_TRACE(in_finish ? "fails when waited for" : "fails when started");
    FakeDevice::Script script;
    script.fail_at = 2;
    script.fail_in_finish = in_finish;
    FakeDevice device(data, script);
    Recorder recorder;
    EXPECT_EQ(ReadChunks(device, recorder), ReadStatus::kReadFailed);
    // Blocks before the failing read may have been scanned, never one after it.
    EXPECT_LE(recorder.bytes.size(), 2 * kBlockSize);
  }
}

TEST(CsvChunkReader, AScanThatStopsOrThrowsWaitsForTheReadInFlight) {
  const std::string data = Pattern(3 * kBlockSize);
  {
    FakeDevice device(data, {});
    Recorder recorder;
    recorder.stop_after = 1;
    EXPECT_EQ(ReadChunks(device, recorder), ReadStatus::kOk);
    EXPECT_EQ(recorder.sizes.size(), 1u);
  }  // ~FakeDevice checks that nothing is outstanding
  {
    FakeDevice device(data, {});
    Recorder recorder;
    recorder.throw_after = 1;
    EXPECT_THROW(ReadChunks(device, recorder), std::runtime_error);
  }
}

TEST(CsvChunkReader, MissingFileCannotBeOpened) {
  Recorder recorder;
  EXPECT_EQ(ReadChunks(L"Z:\\no\\such\\folder\\file.csv", false, recorder), ReadStatus::kCannotOpen);
  EXPECT_EQ(ReadChunks(nullptr, true, recorder), ReadStatus::kCannotOpen);
}

// The scan steps over injected blocks: counts beyond 32 bits, and rows and matches across short blocks.
TEST(CsvRowSteps, CountGoesBeyondThirtyTwoBitsExactly) {
  // 129 blocks of line feeds: 2^31 + 2^24 line feeds, the last byte one of them.
  class LineFeeds : public BlockDevice {
   public:
    ReadResult Start(char* buffer, std::uint32_t size, std::uint64_t offset) override {
      buffer_ = buffer;
      size_ = size;
      offset_ = offset;
      return {ReadResult::kPending};
    }
    ReadResult Finish() override {
      if (offset_ >= 129ull * kBlockSize) return {ReadResult::kEndOfFile};
      std::memset(buffer_, '\n', size_);
      return {ReadResult::kDone, size_};
    }
    bool Unbuffered() const override { return false; }

   private:
    char* buffer_ = nullptr;
    std::uint32_t size_ = 0;
    std::uint64_t offset_ = 0;
  } device;
  RowCounter counter;
  EXPECT_EQ(ReadChunks(device, counter), ReadStatus::kOk);
  EXPECT_EQ(counter.rows(), 129ull * kBlockSize);
}

TEST(CsvRowSteps, RowsAndMatchesAcrossShortBlocks) {
  // Rows of 1 to 3000 bytes, some holding "needle", read in blocks of 997 bytes: most rows and many
  // matches straddle a block boundary.
  std::string text;
  for (int i = 0; i < 600; ++i) {
    std::string row(static_cast<std::size_t>((i * 389) % 3000 + 1), static_cast<char>('a' + i % 20));
    if (i % 7 == 3) row.replace(row.size() / 2, 0, "needle");
    if (i % 50 == 9) row[row.size() / 3] = '\0';
    text += row;
    if (i != 599) text += '\n';
  }
  FakeDevice::Script script;
  script.max_bytes = 997;
  std::vector<std::string> rows = test::SplitAtLineFeeds(text);

  std::string every, first;
  for (const std::string& r : rows)
    if (r.find("needle") != std::string::npos) {
      if (first.empty()) first = r;
      every += r;
    }
  for (bool every_row : {false, true}) {
    FakeDevice device(text, script);
    RowFinder finder("needle", every_row);
    EXPECT_EQ(ReadChunks(device, finder), ReadStatus::kOk);
    EXPECT_TRUE(finder.rows() == (every_row ? every : first)) << every_row;
  }
  for (std::size_t index : {1u, 2u, 57u, 300u, 599u, 600u}) {
    FakeDevice device(text, script);
    RowPicker picker(static_cast<std::int64_t>(index));
    EXPECT_EQ(ReadChunks(device, picker), ReadStatus::kOk);
    EXPECT_TRUE(picker.row() == rows[index - 1]) << index;
  }
  FakeDevice device(text, script);
  RowCounter counter;
  EXPECT_EQ(ReadChunks(device, counter), ReadStatus::kOk);
  EXPECT_EQ(counter.rows(), 600u);
}

// Rows longer than a block, matched near their start, their end, or not at all, read through devices that
// complete at once or later and that bypass the cache (reads back at aligned offsets only).
TEST(CsvRowSteps, LongRowsAreReturnedWholeWhenTheyMatch) {
  std::string text = "head\n" + Pattern(kBlockSize * 2 + 777) + "\nmiddle row\n" + Pattern(kBlockSize + 5) + "\ntail";
  const std::size_t first_long = 5, second_long = text.find("\nmiddle row\n") + 12;
  text.replace(first_long + kBlockSize * 2 + 700, 6, "needle");   // near the end of the first long row
  text.replace(second_long + 100, 6, "needle");                   // near the start of the second
  std::vector<std::string> rows = test::SplitAtLineFeeds(text);
  ASSERT_EQ(rows.size(), 5u);
  for (bool unbuffered : {false, true}) {
    for (bool at_once : {false, true}) {
      FakeDevice::Script script;
      script.unbuffered = unbuffered;
      script.complete_at_once = at_once;
      for (bool every_row : {false, true}) {
        FakeDevice device(text, script);
        RowFinder finder("needle", every_row);
        EXPECT_EQ(ReadChunks(device, finder), ReadStatus::kOk);
        const std::string expected = every_row ? rows[1] + rows[3] : rows[1];
        EXPECT_TRUE(finder.rows() == expected) << unbuffered << at_once << every_row << ": " << finder.rows().size();
      }
      FakeDevice device(text, script);
      RowFinder finder("absent", true);
      EXPECT_EQ(ReadChunks(device, finder), ReadStatus::kOk);
      EXPECT_EQ(finder.rows(), "");
    }
  }
  // A read that fails while a long row is read back fails the search.
  FakeDevice::Script script;
  script.fail_at = 4;
  FakeDevice device(text, script);
  RowFinder finder("needle", false);
  EXPECT_EQ(ReadChunks(device, finder), ReadStatus::kReadFailed);
}

TEST(CsvRowSteps, SearchTextIsWrittenInTheRowsCodePage) {
  // Expected bytes from Python: "Привет".encode("cp1251"), "Grüße".encode("cp1252").
  EXPECT_EQ(NarrowSearchText(L"\u041f\u0440\u0438\u0432\u0435\u0442", 6, 1251),
            std::string("\xcf\xf0\xe8\xe2\xe5\xf2"));
  EXPECT_EQ(NarrowSearchText(L"Gr\u00fc\u00dfe", 5, 1252), std::string("Gr\xfc\xdf" "e"));
  // Cyrillic has no place in code page 1252, and the low byte of each unit would be wrong text.
  EXPECT_EQ(NarrowSearchText(L"\u041f", 1, 1252), std::nullopt);
  EXPECT_EQ(NarrowSearchText(L"ab\0cd", 5, 1252), std::string("ab"));
  EXPECT_EQ(NarrowSearchText(nullptr, 0, 1252), std::string());
  EXPECT_EQ(NarrowSearchText(L"\u041f", 1, CP_UTF8), std::string("\xd0\x9f"));
}

}  // namespace
}  // namespace korvel::csv
