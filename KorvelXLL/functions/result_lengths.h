// Lower bounds of the length of an integer result written in a base, so that a power, factorial or product
// that surely cannot come back as text (more than 32767 characters) is refused before it is computed: the
// library would otherwise compute results of any size (FactorialInteger(2000000000) exhausts memory, and
// its allocation failure would end the host). A bound never passes the true length, so every result that
// fits is computed as before.
#pragma once

#include <cmath>
#include <cstdint>

#include "host/xl_types.h"

namespace korvel::xll {

// Digits that any number of at least 2^bits has in `base`, less a margin for rounding.
inline double DigitsAtLeast(double bits, int base) {
  return std::floor(bits / std::log2(static_cast<double>(base)) * (1 - 1e-9)) + 1;
}

// A power |a|^e of an |a| with `bits` significant bits (|a| >= 2^(bits-1)).
inline bool PowerSurelyTooLong(std::uint64_t bits, std::uint64_t exponent, int base) {
  if (bits <= 1 || exponent == 0) return false;  // 0, 1 and -1 raised to anything
  return DigitsAtLeast(static_cast<double>(bits - 1) * static_cast<double>(exponent), base) > kMaxXlChars;
}

// n! = Gamma(n + 1).
inline bool FactorialSurelyTooLong(std::uint64_t n, int base) {
  if (n < 2) return false;
  const double log2_factorial = std::lgamma(static_cast<double>(n) + 1) / std::log(2.0);
  return DigitsAtLeast(log2_factorial, base) > kMaxXlChars;
}

// A product whose nonzero factors have bit counts b1, b2, ...: it is at least 2^(sum of (bi - 1)).
inline bool ProductSurelyTooLong(double bits_at_least, int base) {
  return DigitsAtLeast(bits_at_least, base) > kMaxXlChars;
}

}  // namespace korvel::xll
