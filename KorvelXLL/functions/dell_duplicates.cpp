// DellDuplicates (exported, never registered): the distinct integers of an array of numbers, ascending, as
// one row. Other elements count as 0.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "functions/result_records.h"
#include "host/xl_owners.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// The elements truncated toward zero, each value once, ascending; false when the array is not one the
// function takes. Truncated values are kept as they are, however large: a 32-bit list would turn every
// value beyond its range into one and the same number.
bool DistinctIntegers(const XLOPER12& array, std::vector<double>& out) {
  if (array.xltype != xltypeMulti || !array.val.array.lparray) return false;
  const long long rows = array.val.array.rows;
  const long long columns = array.val.array.columns;
  if (rows <= 0 || columns <= 0 || rows * columns > INT_MAX) return false;
  const long long n = rows * columns;
  out.reserve(static_cast<std::size_t>(n));
  for (long long i = 0; i < n; ++i) {
    const XLOPER12& element = array.val.array.lparray[i];
    double value = 0;
    if (element.xltype == xltypeNum) {
      // The host never holds an infinite or NaN number; a direct caller's would make the order meaningless.
      if (!std::isfinite(element.val.num)) return false;
      value = std::trunc(element.val.num) + 0.0;  // -0.4 truncates to -0, which is 0
    }
    out.push_back(value);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return true;
}

}  // namespace

extern "C" XLOPER12* __stdcall DellDuplicates(XLOPER12* array) {
  XLOPER12* result = NewErrorResult(xlerrNA);
  if (!result) return nullptr;
  try {
    std::vector<double> values;
    if (!array || !DistinctIntegers(*array, values)) return result;
    OwnedXlRecord row(NewXLArray(1, static_cast<int>(values.size())));
    if (!row) return result;
    for (std::size_t i = 0; i < values.size(); ++i) {
      XLOPER12& element = row->val.array.lparray[i];
      element.xltype = xltypeNum;
      element.val.num = values[i];
    }
    FreeXLOper(result);
    *result = *row;
    row->xltype = xltypeNil;  // the elements now belong to the result
  } catch (...) {
  }
  return result;
}
