// Reading a formula's text the way the host's formula syntax does, so that what stands inside a text
// constant ("...", a quote written twice inside) is never taken for a reference or an error value.
#pragma once

#include <string>

namespace korvel::xll {

// The formula with the contents of its text constants left out (the quotes stay).
std::wstring OutsideTextConstants(const std::wstring& formula);

// Whether `what` occurs in the formula outside its text constants (case-sensitive).
bool OccursOutsideText(const std::wstring& formula, const std::wstring& what);

}  // namespace korvel::xll
