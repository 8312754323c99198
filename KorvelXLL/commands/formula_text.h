// Reading a formula's text the way the host's formula syntax does, so that what stands inside a text
// constant ("...", a quote written twice inside), a quoted sheet or book name ('...', an apostrophe written
// twice inside) or a structured reference ([...], nested, an apostrophe escaping the next character) is never
// taken for a reference to another sheet or for an error value.
#pragma once

#include <string>

namespace korvel::xll {

// The formula with the contents of its text constants, quoted names and bracketed parts left out; the
// quotes, apostrophes and outer brackets stay.
std::wstring FormulaSyntax(const std::wstring& formula);

// Whether `what` occurs in the formula outside its text constants, quoted names and bracketed parts
// (case-sensitive).
bool OccursInFormulaSyntax(const std::wstring& formula, const std::wstring& what);

}  // namespace korvel::xll
