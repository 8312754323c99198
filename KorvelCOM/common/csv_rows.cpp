#include "common/csv_rows.h"

#include "common/ansi_text.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel::csv {
namespace {

const char* FindLineFeed(const char* from, const char* end) {
  return static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
}

// Just after the last line feed in [from, end), or `from` when there is none.
const char* AfterLastLineFeed(const char* from, const char* end) {
  for (const char* p = end; p != from; --p)
    if (p[-1] == '\n') return p;
  return from;
}

}  // namespace

std::size_t CountLineFeeds(const char* bytes, std::size_t n) {
  std::size_t count = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i line_feed = _mm_set1_epi8('\n');
  while (n - i >= 16) {
    // Byte counters overflow after 255 rounds.
    std::size_t rounds = std::min<std::size_t>((n - i) / 16, 255);
    __m128i counters = _mm_setzero_si128();
    for (std::size_t r = 0; r < rounds; ++r, i += 16) {
      __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(chunk, line_feed));
    }
    __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) + static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
  }
#endif
  for (; i < n; ++i) count += bytes[i] == '\n';
  return count;
}

bool RowCounter::Scan(const Block& block) {
  line_feeds_ += CountLineFeeds(block.data, block.size);
  if (block.size) ends_with_line_feed_ = block.data[block.size - 1] == '\n';
  return true;
}

bool RowPicker::Collect(const char* from, const char* to) {
  const auto n = static_cast<std::size_t>(to - from);
  if (n > limit_ - row_.size()) {
    overflowed_ = true;
    return false;
  }
  row_.append(from, to);
  return true;
}

bool RowPicker::Scan(const Block& block) {
  if (wanted_ < 1) return false;
  const char* p = block.data;
  const char* end = block.data + block.size;
  while (p < end) {
    const char* line_feed = FindLineFeed(p, end);
    if (current_ == wanted_) {
      if (!line_feed) return Collect(p, end);
      Collect(p, line_feed + 1);
      return false;
    }
    if (!line_feed) return true;
    ++current_;
    p = line_feed + 1;
  }
  return true;
}

RowFinder::RowFinder(std::string text, bool every_row, std::size_t limit)
    : text_(std::move(text)), every_row_(every_row), limit_(limit) {
  // A match needs at most its length less one byte carried over from the previous block.
  if (text_.size() >= kBlockSize) throw std::length_error("search text longer than a block");
  if (text_.size() == 1) {
    char c = text_[0];
    search_ = [c](const char* from, const char* end) {
      return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
    };
  } else if (!text_.empty()) {
    std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher(text_.begin(), text_.end());
    search_ = [searcher](const char* from, const char* end) -> const char* {
      const char* found = std::search(from, end, searcher);
      return found == end ? nullptr : found;
    };
  }
}

// The empty text is found at every position that has a byte after it (the start of a row).
const char* RowFinder::FindText(const char* from, const char* end) const {
  if (from >= end) return nullptr;
  return search_ ? search_(from, end) : from;
}

bool RowFinder::Fits(std::size_t n) {
  if (n <= limit_ - rows_.size()) return true;
  overflowed_ = true;
  return false;
}

bool RowFinder::Collect(const char* from, const char* to) {
  if (!Fits(static_cast<std::size_t>(to - from))) return false;
  rows_.append(from, to);
  return true;
}

bool RowFinder::Scan(const Block& block) {
  const char* region = block.data - block.carried;
  const char* end = block.data + block.size;
  const std::uint64_t region_offset = block.offset - block.carried;
  const char* from = region;
  if (continuing_) {
    const char* line_feed = FindLineFeed(block.data, end);
    if (!line_feed) return Collect(block.data, end);
    if (!Collect(block.data, line_feed + 1)) return false;
    continuing_ = false;
    if (!every_row_) return false;
    from = line_feed + 1;
  }
  while (const char* match = FindText(from, end)) {
    const char* row_start = AfterLastLineFeed(from, match);
    if (row_start == region && dropped_row_start_) {
      // The row began before the carried bytes: room for its first part, read back by Complete.
      const auto length = static_cast<std::size_t>(region_offset - *dropped_row_start_);
      if (!Fits(length)) return false;
      read_back_.push_back({rows_.size(), *dropped_row_start_, length});
      rows_.append(length, '\0');
    }
    dropped_row_start_.reset();
    const char* line_feed = FindLineFeed(match, end);
    if (!line_feed) {
      continuing_ = true;
      return Collect(row_start, end);
    }
    if (!Collect(row_start, line_feed + 1)) return false;
    if (!every_row_) return false;
    from = line_feed + 1;
  }
  // The partial last row goes before the next block, so that a match straddling the boundary is found and
  // its row returned whole. Of a row longer than a block only the last block's worth is carried; where the
  // row starts is remembered instead of its first bytes.
  const char* tail = AfterLastLineFeed(from, end);
  if (tail != region) dropped_row_start_.reset();
  std::size_t n = static_cast<std::size_t>(end - tail);
  if (n > kBlockSize) {
    if (!dropped_row_start_) dropped_row_start_ = region_offset + static_cast<std::uint64_t>(tail - region);
    tail += n - kBlockSize;
    n = kBlockSize;
  }
  KeepForNext(tail, n);
  return true;
}

bool RowFinder::Complete(BlockDevice& device) {
  // Overflowed rows are not given out, so their first parts need not be read.
  if (overflowed_) return true;
  for (const ReadBack& part : read_back_)
    if (!ReadRange(device, part.offset, part.length, rows_.data() + part.at)) return false;
  read_back_.clear();
  return true;
}

std::optional<std::string> NarrowSearchText(const wchar_t* text, std::size_t length, UINT code_page) {
  if (!text) return std::string();
  length = static_cast<std::size_t>(std::find(text, text + length, L'\0') - text);
  if (!length) return std::string();
  if (length > static_cast<std::size_t>(INT_MAX)) throw std::length_error("search text too long");
  if (KeepsAscii(code_page)) {
    std::string out(length, '\0');
    if (NarrowAscii(text, length, out.data()) == length) return out;
  }
  int units = static_cast<int>(length);
  BOOL used_default = FALSE;
  // UTF-8 and a few other code pages take neither the flag nor the default-character report.
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  BOOL* report = &used_default;
  int bytes = WideCharToMultiByte(code_page, flags, text, units, nullptr, 0, nullptr, report);
  if (!bytes && GetLastError() == ERROR_INVALID_PARAMETER) {
    flags = 0;
    report = nullptr;
    bytes = WideCharToMultiByte(code_page, flags, text, units, nullptr, 0, nullptr, report);
  }
  if (!bytes) throw std::runtime_error("search text cannot be converted");
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, flags, text, units, out.data(), bytes, nullptr, report);
  if (used_default) return std::nullopt;
  return out;
}

}  // namespace korvel::csv
