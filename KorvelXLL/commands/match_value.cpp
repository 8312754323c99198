#include "commands/match_value.h"

#include <algorithm>

namespace korvel::xll {
namespace {

DWORD KindOf(const XLOPER12& v) { return v.xltype & ~(xlbitXLFree | xlbitDLLFree); }

// A counted string's units; a null pointer reads as the empty text.
struct Units {
  const wchar_t* begin;
  const wchar_t* end;
};
Units UnitsOf(const XLOPER12& v) {
  if (!v.val.str) return {nullptr, nullptr};
  const wchar_t* first = v.val.str + 1;
  return {first, first + static_cast<unsigned short>(v.val.str[0])};
}

bool TextMatches(const XLOPER12& cell, const XLOPER12& find, int flags) {
  const Units text = UnitsOf(cell), wanted = UnitsOf(find);
  const auto text_length = text.end - text.begin, wanted_length = wanted.end - wanted.begin;
  if ((flags & kFindEqual) && text_length == wanted_length && std::equal(text.begin, text.end, wanted.begin))
    return true;
  if (flags & kFindContains) {
    if (wanted_length == 0) return true;
    return wanted_length <= text_length && std::search(text.begin, text.end, wanted.begin, wanted.end) != text.end;
  }
  return false;
}

}  // namespace

bool MatchValue(const XLOPER12& cell, const XLOPER12& find, int flags) {
  const DWORD kind = KindOf(cell);
  if (kind != KindOf(find)) return false;
  if (kind == xltypeNum) {
    const double a = cell.val.num, b = find.val.num;
    return (a < b && (flags & kFindLess)) || (a > b && (flags & kFindGreater)) || (a == b && (flags & kFindEqual));
  }
  if (kind == xltypeStr) return TextMatches(cell, find, flags);
  return false;
}

}  // namespace korvel::xll
