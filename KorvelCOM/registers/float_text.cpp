#include "registers/float_text.h"

#include <cctype>
#include <cmath>
#include <clocale>
#include <cstdint>
#include <string>

#include "common/ansi_text.h"
#include "registers/float_number.h"

namespace korvel {
namespace {

// An exponent whose power of the base would pass the float members' exponent bound is refused before the
// library raises the base to it (its own exponent arithmetic is 32-bit).
bool ReadExponentFits(std::int64_t exponent, int base) {
  return static_cast<double>(exponent) * std::log2(static_cast<double>(base)) <=
         static_cast<double>(kMaxExponentBits + 2 * static_cast<std::int64_t>(kLimbBits));
}

int DigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

bool IsSpace(unsigned char c) { return std::isspace(c) != 0; }

// "E" or "e", an explicit sign and a decimal digit: the exponent that get Bignum writes.
bool IsWrittenExponent(const std::string& s, size_t at) {
  return (s[at] == 'E' || s[at] == 'e') && at + 2 < s.size() && (s[at + 1] == '+' || s[at + 1] == '-') &&
         s[at + 2] >= '0' && s[at + 2] <= '9';
}

// The library's decimal point: the runtime's, which the server never changes.
std::string LibraryPoint() {
  const char* point = std::localeconv() ? std::localeconv()->decimal_point : nullptr;
  return point && *point ? point : ".";
}

}  // namespace

char WrittenSeparator(const wchar_t* separator) {
  if (!separator || !*separator) return '.';
  if (*separator == L'.' || *separator == L',') return static_cast<char>(*separator);
  std::string ansi = ToAnsi(separator);
  return ansi.empty() || ansi[0] == '\0' ? '.' : ansi[0];
}

std::string ExponentForm(const std::string& digits, long exponent, char separator) {
  if (digits.empty()) return "0";
  bool negative = digits[0] == '-';
  std::string out = negative ? "-" : "";
  size_t first = negative ? 1 : 0;
  out += digits[first];
  out += separator;
  out += digits.size() > first + 1 ? digits.substr(first + 1) : "0";
  std::int64_t shown = static_cast<std::int64_t>(exponent) - 1;
  out += shown < 0 ? "E" : "E+";
  out += std::to_string(shown);
  return out;
}

void MarkDecimalPoint(std::string& bytes, const wchar_t* separator) {
  char own = WrittenSeparator(separator);
  unsigned char u = static_cast<unsigned char>(own);
  // A separator that is a digit, a letter, a sign, "@" or white space cannot be told from the number.
  bool own_counts = !(std::isalnum(u) || IsSpace(u) || own == '-' || own == '+' || own == '@');
  for (size_t i = 1; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '.' || c == ',' || (own_counts && c == own)) {
      std::string point = LibraryPoint();
      if (point.size() == 1) bytes[i] = point[0];
      else bytes.replace(i, 1, point);
      return;
    }
  }
}

bool ReadFloatText(mpf_ptr out, const std::string& bytes, int base, ExponentDigits rule) {
  // Where the library looks for an exponent: after the first character of the mantissa (past leading
  // white space and a "-"), from the right.
  size_t first = 0;
  while (first < bytes.size() && IsSpace(static_cast<unsigned char>(bytes[first]))) ++first;
  if (first < bytes.size() && bytes[first] == '-') ++first;
  size_t marker = std::string::npos;
  int exponent_base = base;
  for (size_t j = bytes.size(); j-- > first + 1;) {
    char c = bytes[j];
    bool e = c == 'e' || c == 'E';
    if (c == '@' || (e && base <= 10)) {
      marker = j;
      exponent_base = (rule == ExponentDigits::kDecimal || IsWrittenExponent(bytes, j)) ? 10 : base;
      break;
    }
    if (e && rule == ExponentDigits::kWrittenForm && IsWrittenExponent(bytes, j)) {
      marker = j;
      exponent_base = 10;
      break;
    }
  }
  std::string text = bytes;
  if (marker != std::string::npos) {
    // The exponent is handed to the library in decimal after "@" (a negative base tells it so), once its
    // size is known to be safe; whatever follows its digits is left for the library to judge.
    size_t p = marker + 1;
    bool negative = false;
    if (p < bytes.size() && (bytes[p] == '+' || bytes[p] == '-')) negative = bytes[p++] == '-';
    if (p >= bytes.size() || DigitValue(static_cast<unsigned char>(bytes[p])) >= exponent_base) return false;
    std::int64_t value = 0;
    while (p < bytes.size()) {
      int d = DigitValue(static_cast<unsigned char>(bytes[p]));
      if (d >= exponent_base) break;
      value = value * exponent_base + d;
      if (value > (std::int64_t{1} << 32)) return false;
      ++p;
    }
    if (!ReadExponentFits(value, base)) return false;
    text = bytes.substr(0, marker) + "@" + (negative ? "-" : "") + std::to_string(value) + bytes.substr(p);
  }
  if (mpf_set_str(out, text.c_str(), -base) != 0) return false;
  return ExponentFits(ExponentLimbs(out));
}

}  // namespace korvel
