#include "commands/formula_text.h"

namespace korvel::xll {

std::wstring OutsideTextConstants(const std::wstring& formula) {
  std::wstring out;
  out.reserve(formula.size());
  bool in_text = false;
  // A doubled quote inside a constant closes and reopens it at once: nothing between them is kept.
  for (wchar_t c : formula) {
    if (c == L'"') {
      in_text = !in_text;
      out += c;
    } else if (!in_text) {
      out += c;
    }
  }
  return out;
}

bool OccursOutsideText(const std::wstring& formula, const std::wstring& what) {
  return OutsideTextConstants(formula).find(what) != std::wstring::npos;
}

}  // namespace korvel::xll
