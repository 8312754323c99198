// Whether a text stored in a cell reads as a number when typed: an optional minus, digits with at most one
// decimal separator (the host's), and an optional exponent. Dates, times, booleans, formulas, percentages and
// texts with spaces do not.
#pragma once

#include <string>

namespace korvel::xll {

// The number that `text` reads as with `decimal` as the decimal separator; false when it is no number.
bool ReadsAsNumber(const std::wstring& text, wchar_t decimal, double& out);

}  // namespace korvel::xll
