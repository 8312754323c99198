// Upper estimates, in bits, of results that can outgrow memory; compared with kMaxResultBits before the
// library is asked to compute them.
#pragma once

#include <cmath>
#include <cstdint>

#include "common/gmp_allocation.h"

namespace korvel {

// |a|^e for an |a| of `bits` bits (a above 1): below 2^(bits*e).
inline bool PowerFits(std::uint64_t bits, std::uint64_t exponent) {
  return exponent == 0 || bits <= kMaxResultBits / exponent;
}

// log2(n!) < n*log2(n) + 1.
inline bool FactorialFits(std::uint64_t n) {
  return n < 2 || static_cast<double>(n) * std::log2(static_cast<double>(n)) + 1 <= static_cast<double>(kMaxResultBits);
}

// F(n) and L(n) are below phi^(n+2), log2(phi) < 0.6943.
inline bool LucasSequenceFits(std::uint64_t n) {
  return static_cast<double>(n) * 0.6943 + 2 <= static_cast<double>(kMaxResultBits);
}

inline bool SumOfSizesFits(std::uint64_t a_bits, std::uint64_t b_bits) {
  return a_bits <= kMaxResultBits && b_bits <= kMaxResultBits - a_bits;
}

}  // namespace korvel
