// ArraySortV's road for key columns that hold only numbers: each key cell is read once into a 64-bit key
// whose unsigned order is the variant order on that column, the (key, row) pairs go through a stable radix
// sort (on the sort's threads for very large arrays), and the VARIANTs then move once, as plain bytes.
//
// The comparator sort is a stable merge sort, so for a strict weak order its result is the one stable order
// of the rows. A key reproduces that result exactly when it ranks every pair of cells of its column as the
// comparator does, ties included; the radix sort is stable too. A column is taken only when that holds for
// all of its cells:
// - Doubles, Singles, Dates, Booleans (True = -1), Bytes, Integers, Longs and 64-bit integers up to 2^53 in
//   magnitude rank by their value as a double. VarCmp compares a Single with any other number at the
//   Single's precision, so a column with a Single is taken only when every value in it is a float exactly.
//   A 64-bit integer beyond 2^53 is equal under VarCmp to a double near it and unequal to the next integer:
//   no key holds such a column with doubles in it.
// - Columns of integer types alone rank by the 64-bit integer value.
// - Currency values rank by their exact count of 1/10000 units together with integers of those types, while
//   every value stays within 2^49 units: VarCmp compares currency through doubles, which keep such values
//   apart and in order. Currency beside doubles, dates or Singles is left to the comparator, as are Decimals.
// Anything else (strings, empties, Nulls, errors, NaNs, references, objects, other integer types) leaves
// the whole sort to the comparator.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>

namespace korvel {

// Sorts the rows of a column-major block of `height` rows and `width` columns (a list is one column) by up
// to three key columns (0-based), each with its own direction, when every key cell is a number that a key
// ranks exactly; the rows then move once. Returns false, with nothing changed, when some key cell is not
// such a number or the work memory cannot be had: the caller then sorts with the comparators.
bool SortRowsByNumberKeys(VARIANT* cells, std::size_t height, std::size_t width, int key_count,
                          const std::size_t columns[3], const bool descending[3]);

}  // namespace korvel
