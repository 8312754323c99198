// In-place reshaping of SAFEARRAYs for the toolbox and the add-in's transpose command. Elements are moved
// as opaque blocks of the array's element size: nothing an element owns is copied or freed.
// Two-dimensional arrays: the left index is the row (count H, in the descriptor's second bound record),
// the right index the column (count W, first bound record); data are column-major, (r, c) at c*H + r.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>

namespace korvel {

// The step of TransposeInPlace that failed, for callers that name it in their report.
enum class TransposeStep {
  kNone,
  kShape,     // not exactly two dimensions, or bounds no array can hold
  kAccess,    // SafeArrayAccessData
  kCopy,      // the working memory (a copy of the data block, or a block column and its bits)
  kUnaccess,  // SafeArrayUnaccessData: the array is transposed all the same
};

// Swaps rows and columns of a two-dimensional array, data and bounds, keeping its descriptor and data
// block. E_INVALIDARG unless it has exactly two dimensions; E_OUTOFMEMORY when the working memory cannot
// be had; the codes of SafeArrayAccessData and SafeArrayUnaccessData as they come. `failed_step`, when
// given, tells which of these it was (kNone after success).
// A square array is transposed in place, with two tiles of a few KiB as working memory; so is any other
// shape whose rows and columns have a large enough common divisor (square blocks of that side, then their
// columns regrouped), with one block column and a bit per block column besides. Other shapes go through a
// working copy of the data block, or in place after all when that copy cannot be had.
HRESULT TransposeInPlace(SAFEARRAY* array, TransposeStep* failed_step = nullptr);
// The in-place road alone, on a data block of rows x columns elements of `size` bytes (column-major): the
// road TransposeInPlace takes for any shape when it cannot have a working copy. E_OUTOFMEMORY when even
// its block column and bits cannot be had; the data are then unchanged.
HRESULT TransposeDataInPlace(unsigned char* data, size_t rows, size_t columns, size_t size);
// The working memory in bytes that TransposeInPlace takes for a rows x columns array of `size`-byte
// elements when it can have it (0 when it only changes the bounds).
std::uint64_t TransposeWorkingBytes(std::uint64_t rows, std::uint64_t columns, std::uint64_t size);

// Switches an array between one dimension (n elements, lower bound `first_lbound`) and two dimensions
// of which the column dimension holds one element (rows: n with lower bound `row_lbound`; the column:
// lower bound `first_lbound`). The data block is kept; one to two dimensions needs a new descriptor,
// which replaces the one in `*slot`.
HRESULT SwitchDimensions(SAFEARRAY** slot, LONG dims, LONG first_lbound, LONG row_lbound);

}  // namespace korvel
