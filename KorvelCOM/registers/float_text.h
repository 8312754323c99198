// Float registers as text: the exponent form that get Bignum writes, and the reading of texts for put
// Bignum and FileSet on top of the library's own reader.
#pragma once

#include <windows.h>
#include <gmp.h>

#include <string>

namespace korvel {

// The character get Bignum writes between the first digit and the rest. An empty (or null) Separator
// counts as ".": its zero byte would end the text after the first digit.
char WrittenSeparator(const wchar_t* separator);

// `digits` and `exponent` as mpf_get_str gives them (value = 0.digits * base^exponent; digits carry a "-"
// for a negative value and are empty for zero): "0", or [-]d<separator>ddd E(+|-)decimal.
std::string ExponentForm(const std::string& digits, long exponent, char separator);

enum class ExponentDigits {
  // put Bignum: the form get Bignum writes, "E" or "e" with an explicit sign, carries a decimal exponent in
  // every base (the text written in base 16 or base 3 reads back); any other exponent ("@", and "e" or "E"
  // without a sign in bases up to 10) is read in the mantissa's base, as the library reads it.
  kWrittenForm,
  // FileSet: the library writes a file's exponent ("e" in bases up to 10, "@" above) in decimal.
  kDecimal,
};

// Reads `bytes` in `base` (2 to 62) into `out` as the library reads a float, with the exponent rule above.
// The text's decimal point must already be the library's. Returns false for a text that does not read, or
// whose value lies beyond the exponents the float members handle; `out` is then unspecified.
bool ReadFloatText(mpf_ptr out, const std::string& bytes, int base, ExponentDigits rule);

// The separator step of put Bignum: the first ".", "," or (when it can be told from the digits and signs
// of a number) the separator's own character after the first byte becomes the library's decimal point.
void MarkDecimalPoint(std::string& bytes, const wchar_t* separator);

}  // namespace korvel
