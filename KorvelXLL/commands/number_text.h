// Whether a text stored in a cell reads as a number the way the host reads a typed number: spaces around it,
// an optional sign ("-" or "+"), digits with the host's group separator between groups of three, at most one
// decimal separator (the host's) and an optional exponent. Dates, times, booleans, formulas, percentages and
// texts with other characters do not. Nor does a text that a double cannot carry as written: more than 15
// significant digits (a card number would come back another number) or an exponent that overflows or
// underflows (1E309, 1E-400); such a text stays a text.
#pragma once

#include <string>

namespace korvel::xll {

// The separators of the host's reading of typed numbers. No group separator (0) reads digits without groups
// only. A space and a no-break space stand for each other as group separators: imported numbers carry either
// whichever of them the settings name.
struct NumberSeparators {
  wchar_t decimal = L'.';
  wchar_t group = 0;
};

// The most significant digits that a text may carry and still come back as written.
constexpr int kMostSignificantDigits = 15;

// The number that `text` reads as with `separators`; false when it reads as no number.
bool ReadsAsNumber(const std::wstring& text, const NumberSeparators& separators, double& out);

}  // namespace korvel::xll
