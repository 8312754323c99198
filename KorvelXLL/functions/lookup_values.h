// What the lookups share: the cell collections they scan (a reference's first rectangle or an array), how a
// candidate matches the value sought, and the copies that become their results.
#pragma once

#include <optional>

#include "host/xl_types.h"

namespace korvel::xll {

// The kind of a record without its ownership flags.
inline DWORD KindOf(const XLOPER12& x) { return x.xltype & ~(xlbitXLFree | xlbitDLLFree); }

// Cells of an xltypeSRef (on the calling sheet), of an xltypeRef's first area (on its sheet) or the
// elements of an xltypeMulti, in row-by-row order. Counts and positions are 64-bit: a whole sheet has
// 2^34 cells.
struct CellCollection {
  enum class Kind { kSheetRef, kRef, kArray };
  Kind kind;
  XlArea area{};       // references
  XlSheetId sheet = 0;  // kRef
  const XLOPER12* elements = nullptr;  // kArray
  long long count = 0;
  long long width = 0;

  // Null for any other record (the type word compared as a whole), an empty area list, an empty or
  // inverted rectangle, or an array without elements.
  static std::optional<CellCollection> Of(const XLOPER12* record);

  // A one-cell reference of the same kind to the cell at 0-based `position`; a kRef uses `room` as its
  // area list, which must outlive the record.
  XLOPER12 CellAt(long long position, XlAreaList& room) const;
};

// The same type word, and equal numbers, or texts of equal count and equal units (case and every
// character counting). Only numbers and texts ever match.
bool SameValue(const XLOPER12& candidate, const XLOPER12& find);

// 0-based position of the first array element that matches `find` (a number or a text), read in place.
std::optional<long long> FindInElements(const CellCollection& c, const XLOPER12& find);

// Puts a copy of a number or text into `result`, flagged xlbitDLLFree (a text in a new buffer of count + 2
// units), freeing what `result` held; false, and `result` unchanged, for any other kind. Throws
// std::bad_alloc when the copy cannot be had.
bool CopyNumberOrText(const XLOPER12& value, XLOPER12& result);

}  // namespace korvel::xll
