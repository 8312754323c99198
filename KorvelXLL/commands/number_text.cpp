#include "commands/number_text.h"

#include <cmath>
#include <cwchar>

namespace korvel::xll {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool ReadsAsNumber(const std::wstring& text, wchar_t decimal, double& out) {
  // Rewritten into the runtime's own notation ("." as the point), which the add-in never changes.
  std::wstring plain;
  size_t i = 0;
  if (i < text.size() && text[i] == L'-') plain += text[i++];
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++digits;
  if (i < text.size() && text[i] == decimal) {
    plain += L'.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++digits;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == L'E' || text[i] == L'e')) {
    plain += L'e';
    ++i;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) plain += text[i++];
    size_t exponent = 0;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++exponent;
    if (!exponent) return false;
  }
  if (i != text.size()) return false;
  wchar_t* end = nullptr;
  const double value = std::wcstod(plain.c_str(), &end);
  if (!end || *end != L'\0' || !std::isfinite(value)) return false;
  out = value;
  return true;
}

}  // namespace korvel::xll
