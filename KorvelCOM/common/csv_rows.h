// The scan steps of the three row methods (count, one row by number, rows holding a text), each run by the
// CSV chunk reader. Rows end at line feeds; a carriage return is an ordinary byte and so is a zero byte.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/csv_chunk_reader.h"

namespace korvel::csv {

std::size_t CountLineFeeds(const char* bytes, std::size_t n);

// No limit on what a row step collects but memory.
constexpr std::size_t kNoLimit = SIZE_MAX;

// Counts rows: 1 + the line feeds, less 1 when the data end with one (an empty file counts 1).
class RowCounter final : public ChunkScan {
 public:
  bool Scan(const Block& block) override;
  std::uint64_t rows() const { return 1 + line_feeds_ - (ends_with_line_feed_ ? 1 : 0); }

 private:
  std::uint64_t line_feeds_ = 0;
  bool ends_with_line_feed_ = false;
};

// Collects row `index` (1-based) with its line feed; empty when there is no such row. A row longer than
// `limit` bytes stops the reading at once: overflowed() is then true and the bytes are meaningless.
class RowPicker final : public ChunkScan {
 public:
  explicit RowPicker(std::int64_t index, std::size_t limit = kNoLimit) : wanted_(index), limit_(limit) {}
  bool Scan(const Block& block) override;
  const std::string& row() const { return row_; }
  bool overflowed() const { return overflowed_; }

 private:
  // False (and overflowed) when the bytes would take the row past the limit.
  bool Collect(const char* from, const char* to);
  std::int64_t wanted_;
  std::size_t limit_;
  std::int64_t current_ = 1;
  bool overflowed_ = false;
  std::string row_;
};

// Collects the first row, or every row, that holds `text`, each whole with its line feed, in file order.
// A match may straddle blocks and a row may be longer than a block. Of a row in progress only the last
// block's worth is kept; when such a row matches, the part before it is read back from the file once the
// blocks are read, so that memory stays at the reader's two blocks and the result. Rows that together pass
// `limit` bytes stop the reading at once: overflowed() is then true and the bytes are meaningless.
class RowFinder final : public ChunkScan {
 public:
  RowFinder(std::string text, bool every_row, std::size_t limit = kNoLimit);
  // The searcher points into text_.
  RowFinder(const RowFinder&) = delete;
  RowFinder& operator=(const RowFinder&) = delete;
  bool Scan(const Block& block) override;
  bool Complete(BlockDevice& device) override;
  const std::string& rows() const { return rows_; }
  bool overflowed() const { return overflowed_; }

 private:
  // False (and overflowed) when `n` more bytes would take the rows past the limit.
  bool Fits(std::size_t n);
  bool Collect(const char* from, const char* to);
  // Bytes of the file that belong at rows_[at], read back by Complete.
  struct ReadBack {
    std::size_t at;
    std::uint64_t offset;
    std::size_t length;
  };
  const char* FindText(const char* from, const char* end) const;
  std::string text_;
  std::function<const char*(const char*, const char*)> search_;
  bool every_row_;
  std::size_t limit_;
  bool overflowed_ = false;
  bool continuing_ = false;  // the row in progress matched; its start is already in rows_
  // Where the row in progress starts in the file, once its start is no longer among the carried bytes.
  std::optional<std::uint64_t> dropped_row_start_;
  std::vector<ReadBack> read_back_;
  std::string rows_;
};

// The search text in the bytes of `code_page`, as the rows are stored: up to its first U+0000. Empty when
// the text holds a character the code page cannot write (no row can hold it then).
std::optional<std::string> NarrowSearchText(const wchar_t* text, std::size_t length, UINT code_page);

}  // namespace korvel::csv
