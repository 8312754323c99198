#include "commands/formula_text.h"

namespace korvel::xll {

namespace {

enum class Reading { kSyntax, kText, kQuotedName, kBrackets };

}  // namespace

std::wstring FormulaSyntax(const std::wstring& formula) {
  std::wstring out;
  out.reserve(formula.size());
  Reading state = Reading::kSyntax;
  // Brackets hold a structured reference (Table1[[#Headers],[Amount]], [@[Order '#]]) or a book's name
  // ([Book2]Sheet1!A1). Inside them the host escapes '#', '\'', '[' and ']' of a column's name with an
  // apostrophe, so an apostrophe there opens no quoted name and a quote no text, and an escaped bracket
  // neither opens nor closes one. A bracket inside a text constant or a quoted name is theirs.
  int depth = 0;
  bool escaped = false;
  for (wchar_t c : formula) {
    switch (state) {
      case Reading::kSyntax:
        if (c == L'"') {
          state = Reading::kText;
        } else if (c == L'\'') {
          state = Reading::kQuotedName;
        } else if (c == L'[') {
          state = Reading::kBrackets;
          depth = 1;
        }
        out += c;
        break;
      // A quote (or apostrophe) written twice closes the constant (or name) and opens it again at once, so
      // nothing between the two is kept.
      case Reading::kText:
      case Reading::kQuotedName:
        if (c == (state == Reading::kText ? L'"' : L'\'')) {
          state = Reading::kSyntax;
          out += c;
        }
        break;
      case Reading::kBrackets:
        if (escaped) {
          escaped = false;
        } else if (c == L'\'') {
          escaped = true;
        } else if (c == L'[') {
          ++depth;
        } else if (c == L']' && --depth == 0) {
          state = Reading::kSyntax;
          out += c;
        }
        break;
    }
  }
  return out;
}

bool OccursInFormulaSyntax(const std::wstring& formula, const std::wstring& what) {
  return FormulaSyntax(formula).find(what) != std::wstring::npos;
}

}  // namespace korvel::xll
