// The orders of the toolbox's sorts. Each only reads its operands and the array they come from, so the
// parallel sort may call it on several threads at once.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>

namespace korvel {

// Compares two texts as unsigned 16-bit code units up to the first U+0000 (the BSTR length is not
// consulted): negative, zero or positive. A proper prefix is less. Neither pointer may be null.
inline int CompareCodeUnits(const wchar_t* a, const wchar_t* b) {
  for (;; ++a, ++b) {
    unsigned x = static_cast<std::uint16_t>(*a), y = static_cast<std::uint16_t>(*b);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

// String orders of ArraySortS: a null string goes last in both directions; two nulls are equivalent.
inline bool BstrLess(BSTR a, BSTR b) { return a && (!b || CompareCodeUnits(a, b) < 0); }
inline bool BstrGreater(BSTR a, BSTR b) { return a && (!b || CompareCodeUnits(a, b) > 0); }
inline bool BstrEquivalent(BSTR a, BSTR b) { return a && b ? CompareCodeUnits(a, b) == 0 : a == b; }

// A list element, row or column of a keyed string sort with the strings of up to three keys, borrowed from
// the array. `position` is the 0-based position within the sorted dimension.
struct KeyedPosition {
  BSTR keys[3];
  std::uint32_t position;
};

// Keys compared one after another, all in one direction. Comparing key by key keeps rows ordered by their
// first key before their second: joining the key texts would rank ('ab', 'a') before ('a', 'zz').
struct KeyedPositionOrder {
  int key_count;
  bool descending;
  bool operator()(const KeyedPosition& a, const KeyedPosition& b) const {
    for (int k = 0; k + 1 < key_count; ++k)
      if (!BstrEquivalent(a.keys[k], b.keys[k])) return Before(a.keys[k], b.keys[k]);
    return Before(a.keys[key_count - 1], b.keys[key_count - 1]);
  }
  bool Before(BSTR a, BSTR b) const { return descending ? BstrGreater(a, b) : BstrLess(a, b); }
};

// The variant order of ArraySortV. Two plain strings (type word exactly VT_BSTR) compare by code units, a
// null string pointer as the empty text; every other pair goes through VarCmp with the user's default
// locale, ignoring case. A pair that VarCmp cannot order (it fails) is less both ways and greater neither
// way; a pair with a Null is less neither way and greater both ways. Objects, arrays, records and null
// references count as a failed comparison without reaching VarCmp: their default value would be fetched
// through a call into the object, which must not happen on a worker thread, and a null reference would be
// read.
bool VariantLess(const VARIANT& a, const VARIANT& b);
bool VariantGreater(const VARIANT& a, const VARIANT& b);
bool VariantEqual(const VARIANT& a, const VARIANT& b);

inline bool VariantBefore(const VARIANT& a, const VARIANT& b, bool descending) {
  return descending ? VariantGreater(a, b) : VariantLess(a, b);
}

// Rows of a column-major VARIANT table, compared in place through their 0-based row numbers by up to three
// key columns (0-based), each with its own direction.
struct TableRowOrder {
  const VARIANT* cells;
  std::size_t height;
  int key_count;
  std::size_t columns[3];
  bool descending[3];

  const VARIANT& Cell(std::uint32_t row, int key) const { return cells[columns[key] * height + row]; }
  bool operator()(std::uint32_t i, std::uint32_t j) const {
    for (int k = 0; k + 1 < key_count; ++k)
      if (!VariantEqual(Cell(i, k), Cell(j, k))) return VariantBefore(Cell(i, k), Cell(j, k), descending[k]);
    int last = key_count - 1;
    return VariantBefore(Cell(i, last), Cell(j, last), descending[last]);
  }
};

}  // namespace korvel
