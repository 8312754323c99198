#include "toolbox/csv_record_sort.h"

#include <algorithm>
#include <cstring>
#include <string.h>

#include "toolbox/parallel_sort.h"

namespace korvel::csv {

std::uint32_t RowPrefix(const char* text, std::size_t length) {
  std::uint32_t prefix = 0;
  for (std::size_t i = 0; i < 4; ++i)
    prefix = (prefix << 8) | (i < length ? static_cast<unsigned char>(text[i]) : 0u);
  return prefix;
}

int CompareRowBytes(const CsvRowRecord& a, const CsvRowRecord& b) {
  if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
  std::uint32_t common = std::min(a.length, b.length);
  if (common > 4) {
    int r = std::memcmp(a.text + 4, b.text + 4, common - 4);
    if (r) return r;
  }
  // Equal prefixes of a short row may stand for zero padding or for zero bytes: the lengths decide.
  if (common < 4) {
    int r = std::memcmp(a.text, b.text, common);
    if (r) return r;
  }
  return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
}

int RuntimeCollation(const char* a, const char* b) { return std::strcoll(a, b); }

namespace {

// Two pieces the collation could not compare. Whether a piece collates at all is a property of the piece
// alone (it fails against itself), so sorting the ones that do first keeps the order a strict weak one;
// taking the error value as an answer put every such row after every other, both ways round.
int CompareUncollatable(const CsvRowRecord& a, const CsvRowRecord& b, const char* pa, const char* pb,
                        Collation collate) {
  const bool a_collates = collate(pa, pa) != _NLSCMPERROR;
  const bool b_collates = collate(pb, pb) != _NLSCMPERROR;
  if (a_collates != b_collates) return a_collates ? -1 : 1;
  return CompareRowBytes(a, b);
}

}  // namespace

int CompareRowCollated(const CsvRowRecord& a, const CsvRowRecord& b, Collation collate) {
  const char* pa = a.text;
  const char* pb = b.text;
  const char* ea = a.text + a.length;
  const char* eb = b.text + b.length;
  for (;;) {
    int r = collate(pa, pb);
    if (r == _NLSCMPERROR) return CompareUncollatable(a, b, pa, pb, collate);
    if (r) return r;
    // Equal pieces: go on after their zero bytes, if any.
    const char* za = pa + std::strlen(pa);
    const char* zb = pb + std::strlen(pb);
    if (za >= ea || zb >= eb) {
      if (za >= ea && zb >= eb) break;
      return za >= ea ? -1 : 1;
    }
    pa = za + 1;
    pb = zb + 1;
  }
  return CompareRowBytes(a, b);
}

// Rows that compare equal are equal byte for byte (the collated orders fall back to the bytes), so the
// order of ties does not matter and the parallel sort serves.
void SortRecords(CsvRowRecord* first, CsvRowRecord* last, RowOrder order, Collation collate) {
  std::size_t n = static_cast<std::size_t>(last - first);
  switch (order) {
    case RowOrder::kBytesAscending: ParallelSort(first, n, RowBytesLess()); break;
    case RowOrder::kBytesDescending: ParallelSort(first, n, RowBytesGreater()); break;
    case RowOrder::kCollatedAscending: ParallelSort(first, n, RowCollateLess{collate}); break;
    case RowOrder::kCollatedDescending: ParallelSort(first, n, RowCollateGreater{collate}); break;
  }
}

}  // namespace korvel::csv
