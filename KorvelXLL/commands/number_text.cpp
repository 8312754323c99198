#include "commands/number_text.h"

#include <cfloat>
#include <cmath>
#include <cwchar>

namespace korvel::xll {
namespace {

constexpr wchar_t kSpace = L' ';
constexpr wchar_t kNoBreakSpace = L'\u00A0';

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsSpaceLike(wchar_t c) { return c == kSpace || c == kNoBreakSpace; }

bool IsGroupSeparator(wchar_t c, const NumberSeparators& s) {
  if (!s.group || s.group == s.decimal) return false;
  return c == s.group || (IsSpaceLike(s.group) && IsSpaceLike(c));
}

}  // namespace

bool ReadsAsNumber(const std::wstring& text, const NumberSeparators& separators, double& out) {
  size_t i = 0, end = text.size();
  while (i < end && text[i] == kSpace) ++i;
  while (end > i && text[end - 1] == kSpace) --end;
  // Rewritten into the runtime's own notation ("." as the point, no groups), which the add-in never changes.
  std::wstring plain;
  if (i < end && (text[i] == L'-' || text[i] == L'+')) plain += text[i++];
  // The integer part: digits alone, or a group of one to three digits followed by groups of exactly three.
  size_t digits = 0, group = 0;
  bool grouped = false;
  int significant = 0, zeros_pending = 0;
  auto take_digit = [&](wchar_t c) {
    plain += c;
    ++digits;
    // Significant digits run from the first non-zero digit to the last one; zeros between count.
    if (c == L'0') {
      if (significant) ++zeros_pending;
    } else {
      significant += zeros_pending + 1;
      zeros_pending = 0;
    }
  };
  while (i < end) {
    if (IsDigit(text[i])) {
      take_digit(text[i++]);
      ++group;
    } else if (IsGroupSeparator(text[i], separators) && group >= 1 && (grouped ? group == 3 : group <= 3)) {
      grouped = true;
      group = 0;
      ++i;
    } else {
      break;
    }
  }
  if (grouped && group != 3) return false;
  if (i < end && text[i] == separators.decimal) {
    plain += L'.';
    ++i;
    while (i < end && IsDigit(text[i])) take_digit(text[i++]);
  }
  if (!digits) return false;
  if (i < end && (text[i] == L'E' || text[i] == L'e')) {
    plain += L'e';
    ++i;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) plain += text[i++];
    size_t exponent = 0;
    while (i < end && IsDigit(text[i])) plain += text[i++], ++exponent;
    if (!exponent) return false;
  }
  if (i != end || significant > kMostSignificantDigits) return false;
  wchar_t* stop = nullptr;
  const double value = std::wcstod(plain.c_str(), &stop);
  if (!stop || *stop != L'\0' || !std::isfinite(value)) return false;
  // Below the smallest normal double the host keeps no number (its smallest is 2.2251E-308): the digits would
  // be lost, down to nothing at all.
  if (significant && std::fabs(value) < DBL_MIN) return false;
  out = value;
  return true;
}

}  // namespace korvel::xll
