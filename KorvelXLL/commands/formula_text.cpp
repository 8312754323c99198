#include "commands/formula_text.h"

namespace korvel::xll {

std::wstring OutsideTextConstants(const std::wstring& formula) {
  std::wstring out;
  out.reserve(formula.size());
  bool in_text = false;
  // A sheet or book name in apostrophes ('Q"1'!A1) may hold a quote that opens no text constant; an
  // apostrophe written twice inside the name closes and reopens it at once, as a doubled quote does a text.
  bool in_name = false;
  // A doubled quote inside a constant closes and reopens it at once: nothing between them is kept.
  for (wchar_t c : formula) {
    if (c == L'"' && !in_name) {
      in_text = !in_text;
      out += c;
    } else if (!in_text) {
      if (c == L'\'') in_name = !in_name;
      out += c;
    }
  }
  return out;
}

bool OccursOutsideText(const std::wstring& formula, const std::wstring& what) {
  return OutsideTextConstants(formula).find(what) != std::wstring::npos;
}

}  // namespace korvel::xll
