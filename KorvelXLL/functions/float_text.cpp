#include "functions/float_text.h"

#include <cctype>
#include <climits>
#include <clocale>
#include <cstring>
#include <string>

#include "common/gmp_number.h"
#include "functions/number_text.h"

namespace korvel::xll {
namespace {

// Below this limb exponent the decimal exponent surely fits 32 bits; between it and kNoTextLimbs it is
// compared exactly.
constexpr std::int64_t kSurelyFitsLimbs = 111465300;

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

char DecimalPoint() {
  const std::lconv* conv = std::localeconv();
  return conv && conv->decimal_point && *conv->decimal_point ? conv->decimal_point[0] : '.';
}

bool Separator(const wchar_t* counted, char& separator) {
  if (CountOf(counted) == 0) {
    separator = DecimalPoint();
    return true;
  }
  const wchar_t unit = counted[1];
  if (static_cast<unsigned short>(unit) > 0xFF) return false;
  if ((unit >= L'0' && unit <= L'9') || unit == L'+' || unit == L'-' || unit == L'e' || unit == L'E' || unit == L'@')
    return false;
  separator = static_cast<char>(unit);
  return true;
}

void NormalizeDecimalSeparator(char* text, char separator, char point) {
  for (size_t i = std::strlen(text); i-- > 0;) {
    if (text[i] == separator || text[i] == ',' || text[i] == '.') {
      text[i] = point;
      return;
    }
  }
}

int PrecisionOut(int precision_out) {
  return precision_out == 0 || precision_out > kMaxFloatDigits ? kMaxFloatDigits : precision_out;
}

bool OperandExponentFits(const char* text) {
  // The library's reading: white space, a "-", then the mantissa; the exponent's marker is looked for from
  // the right, after the mantissa's first character.
  size_t first = 0;
  const size_t n = std::strlen(text);
  while (first < n && IsSpace(text[first])) ++first;
  if (first < n && text[first] == '-') ++first;
  size_t marker = n;
  for (size_t j = n; j-- > first + 1;)
    if (text[j] == 'e' || text[j] == 'E' || text[j] == '@') {
      marker = j;
      break;
    }
  if (marker == n) return true;
  std::int64_t whole_digits = 0, fraction_digits = 0;
  bool after_point = false, leading = true;
  const char point = DecimalPoint();
  for (size_t i = first; i < marker; ++i) {
    if (text[i] == point) after_point = true;
    else if (after_point) ++fraction_digits;
    else if (!(leading && text[i] == '0')) {
      leading = false;
      ++whole_digits;
    }
  }
  size_t p = marker + 1;
  bool negative = false;
  if (p < n && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  std::int64_t value = 0;
  for (; p < n && text[p] >= '0' && text[p] <= '9'; ++p) {
    value = value * 10 + (text[p] - '0');
    if (value > (std::int64_t{1} << 40)) return false;
  }
  if (negative) value = -value;
  return value <= INT_MAX && value + whole_digits <= INT_MAX && value - fraction_digits > INT_MIN;
}

bool ResultExponentFits(mpf_srcptr value) {
  if (mpf_sgn(value) == 0) return true;
  const std::int64_t limbs = value->_mp_exp;
  const std::int64_t magnitude = limbs < 0 ? -limbs : limbs;
  if (magnitude <= kSurelyFitsLimbs) return true;
  if (magnitude > kNoTextLimbs) return false;
  // At the edge: e fits while 10^(INT_MIN - 1) <= |value| < 10^INT_MAX.
  GmpFloat bound(BigFloatPrecision), size(BigFloatPrecision);
  mpf_abs(size, value);
  mpf_set_ui(bound, 10);
  if (limbs > 0) {
    mpf_pow_ui(bound, bound, static_cast<unsigned long>(INT_MAX));
    return mpf_cmp(size, bound) < 0;
  }
  mpf_pow_ui(bound, bound, static_cast<unsigned long>(INT_MAX) + 2);
  mpf_ui_div(bound, 1, bound);
  return mpf_cmp(size, bound) >= 0;
}

int FormatFloatSci(XLOPER12* record, const char* digits, char separator, std::int64_t exponent) {
  const size_t length = std::strlen(digits);
  if (length > 32742) return 1;
  if (length == 0) return BytesToXLStr(record, "0", 1);
  std::string text;
  text.reserve(length + 26);
  size_t first = 0;
  if (digits[0] == '-') {
    text += '-';
    first = 1;
  }
  text += digits[first];
  text += separator;
  if (length > first + 1) text.append(digits + first + 1, length - first - 1);
  else text += '0';
  text += 'E';
  if (exponent > 0) text += '+';
  text += std::to_string(exponent - 1);
  return BytesToXLStr(record, text.data(), text.size());
}

}  // namespace korvel::xll
