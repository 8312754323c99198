// Big-float texts: the per-call separator, the decimal comma, the operand's exponent, and the scientific
// form in which results are written.
#pragma once

#include <gmp.h>

#include <cstdint>
#include <string>

#include "host/xl_types.h"

namespace korvel::xll {

// Every operand and result float: 108673 bits, which the library rounds up to 1700 limbs of 64 bits.
constexpr unsigned long BigFloatPrecision = 108673;
// The most significant digits the library writes at that precision.
constexpr int kMaxFloatDigits = 32734;

// The separator byte of a call: the first unit of `Separator` when it is not empty, else the runtime's
// decimal point. A unit above U+00FF, or one that the number syntax uses itself (a digit, "+", "-", "e",
// "E", "@"), cannot be told from the number ('12' with separator '2' would read as 1): false, a refusal.
bool Separator(const wchar_t* counted, char& separator);

// The runtime's decimal point, which the add-in never changes: the library reads and writes with it.
char DecimalPoint();

// From the last byte back, the first separator, "," or "." becomes the decimal point; at most one byte
// changes, so a text with both "," and "." does not read.
void NormalizeDecimalSeparator(char* text, char separator, char point);

// The digits to ask of the library: 0 and anything above 32734 mean all the precision gives. Negative
// values are refused before this is asked.
int PrecisionOut(int precision_out);

// The library reads a float's exponent in 32-bit arithmetic and wraps (or faults) beyond it: an operand
// whose written exponent, moved by the mantissa's digits, leaves 32 bits does not read.
bool OperandExponentFits(const char* text);

// Beyond this limb exponent (one limb carries 19.27 decimal digits) no decimal exponent fits 32 bits.
constexpr std::int64_t kNoTextLimbs = 111465430;

// Whether the decimal exponent e of value = 0.d1d2... x 10^e fits 32 bits, as the library's text needs.
bool ResultExponentFits(mpf_srcptr value);

// Writes [-]d1<separator>d2...E[+]<e-1> (or "0" for an empty digit string) into the record; 1 and the record
// unchanged for a digit string over 32742 characters. Each byte becomes the unit of its own value.
int FormatFloatSci(XLOPER12* record, const char* digits, char separator, std::int64_t exponent);

}  // namespace korvel::xll
