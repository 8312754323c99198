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

// How two zero-terminated texts collate, answered as the runtime's strcoll answers: negative, 0 or
// positive, or _NLSCMPERROR when it cannot compare them (on Windows, text that is invalid in the multibyte
// code page of the locale). Wine's strcoll never fails, so tests hand in one that does.
using Collation = int (*)(const char*, const char*);
int RuntimeCollation(const char* a, const char* b);

// Strict weak orders over records. Byte order is unsigned (strcmp order) over all bytes of a row, a zero
// byte included. Collated order compares the zero-separated pieces of a row with the collation under the
// current LC_COLLATE, and rows that collate equal by their bytes, so that equal rows always end up next to
// each other. A pair the collation cannot compare is no answer: a piece it can collate goes before one it
// cannot, and pieces it cannot collate go by their bytes.
int CompareRowBytes(const CsvRowRecord& a, const CsvRowRecord& b);
int CompareRowCollated(const CsvRowRecord& a, const CsvRowRecord& b, Collation collate = RuntimeCollation);

struct RowBytesLess {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowBytes(a, b) < 0; }
};
struct RowBytesGreater {
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowBytes(a, b) > 0; }
};
struct RowCollateLess {
  Collation collate = RuntimeCollation;
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowCollated(a, b, collate) < 0; }
};
struct RowCollateGreater {
  Collation collate = RuntimeCollation;
  bool operator()(const CsvRowRecord& a, const CsvRowRecord& b) const { return CompareRowCollated(a, b, collate) > 0; }
};

enum class RowOrder { kBytesAscending, kBytesDescending, kCollatedAscending, kCollatedDescending };

// Sorts [first, last); the collated orders compare through `collate`.
void SortRecords(CsvRowRecord* first, CsvRowRecord* last, RowOrder order, Collation collate = RuntimeCollation);

}  // namespace korvel::csv
