// In-place reshaping of SAFEARRAYs for the toolbox and the add-in's transpose command. Elements are moved
// as opaque blocks of the array's element size: nothing an element owns is copied or freed.
// Two-dimensional arrays: the left index is the row (count H, in the descriptor's second bound record),
// the right index the column (count W, first bound record); data are column-major, (r, c) at c*H + r.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace korvel {

// The step of TransposeInPlace that failed, for callers that name it in their report.
enum class TransposeStep {
  kNone,
  kShape,     // not exactly two dimensions, or bounds no array can hold
  kAccess,    // SafeArrayAccessData
  kCopy,      // the working copy of the data block
  kUnaccess,  // SafeArrayUnaccessData: the array is transposed all the same
};

// Swaps rows and columns of a two-dimensional array, data and bounds, keeping its descriptor and data
// block. E_INVALIDARG unless it has exactly two dimensions; E_OUTOFMEMORY when the working copy cannot
// be had; the codes of SafeArrayAccessData and SafeArrayUnaccessData as they come. `failed_step`, when
// given, tells which of these it was (kNone after success).
HRESULT TransposeInPlace(SAFEARRAY* array, TransposeStep* failed_step = nullptr);

// Switches an array between one dimension (n elements, lower bound `first_lbound`) and two dimensions
// of which the column dimension holds one element (rows: n with lower bound `row_lbound`; the column:
// lower bound `first_lbound`). The data block is kept; one to two dimensions needs a new descriptor,
// which replaces the one in `*slot`.
HRESULT SwitchDimensions(SAFEARRAY** slot, LONG dims, LONG first_lbound, LONG row_lbound);

}  // namespace korvel
