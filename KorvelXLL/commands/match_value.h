// The cell test of the cell search: whether one value of a cell matches the value looked for.
#pragma once

#include "host/xl_types.h"

namespace korvel::xll {

// FindCompareFlags: values that combine by OR. Numbers use 1, 2 and 4; texts use 2 and 8.
enum FindCompareFlags : int {
  kFindLess = 1,      // number below `find`
  kFindEqual = 2,     // number equal, or text equal unit for unit (case counts)
  kFindGreater = 4,   // number above `find`
  kFindContains = 8,  // text holding `find`'s text as a run of units (case counts; an empty text is in every text)
};

// Only two values of the same kind, numbers or texts, can match; anything else (empty, logical, error,
// array, reference) never does. Reads the records only: no allocation, no host call.
bool MatchValue(const XLOPER12& cell, const XLOPER12& find, int flags);

}  // namespace korvel::xll
