// CSV row records and their order. The sort of the records is one function, so that the way it is done
// can change without touching the CSV sort itself.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel::csv {

// One row of the whole-file buffer, without its line feed; text[length] is a zero byte. `prefix` holds the
// first four bytes big-endian (zero-padded), so that most byte comparisons never touch the buffer.
struct CsvRowRecord {
  const char* text;
  std::uint32_t length;
  std::uint32_t prefix;
};

std::uint32_t RowPrefix(const char* text, std::size_t length);

// Strict weak orders over records. Byte order is unsigned (strcmp order) over all bytes of a row, a zero
// byte included. Collated order compares the zero-separated pieces of a row with strcoll under the current
// LC_COLLATE, and rows that collate equal by their bytes, so that equal rows always end up next to each
// other.
int CompareRowBytes(const CsvRowRecord& a, const CsvRowRecord& b);
int CompareRowCollated(const CsvRowRecord& a, const CsvRowRecord& b);

struct RowBytesLess {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowBytes(a, b) < 0; }
};
struct RowBytesGreater {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowBytes(a, b) > 0; }
};
struct RowCollateLess {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowCollated(a, b) < 0; }
};
struct RowCollateGreater {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowCollated(a, b) > 0; }
};

enum class RowOrder { kBytesAscending, kBytesDescending, kCollatedAscending, kCollatedDescending };

// Sorts [first, last) stably.
void SortRecords(CsvRowRecord* first, CsvRowRecord* last, RowOrder order);

}  // namespace korvel::csv
