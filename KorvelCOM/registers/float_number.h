// The limits that keep float members inside what the library handles.
// GMP's `long` is 32-bit on Win64 as on Win32: precisions (mp_bitcnt_t), exponents (mp_exp_t, counted in
// limbs) and the exponents of its text conversions are all 32-bit, in both builds.
#pragma once

#include <gmp.h>

#include <cstdint>
#include <cstdlib>

#include "common/gmp_allocation.h"
#include "common/gmp_number.h"

namespace korvel {

constexpr std::uint64_t kLimbBits = GMP_NUMB_BITS;

// The largest precision a register accepts: a register of it takes 256 MiB in the 64-bit build (32 MiB in
// the 32-bit build), and the library's own precision arithmetic stays far from its 32-bit bit count.
constexpr std::uint64_t kMaxPrecisionBits =
    kMaxResultBits < (std::uint64_t{1} << 31) ? kMaxResultBits : (std::uint64_t{1} << 31);

// Results whose binary exponent would pass this bound are refused: beyond 2^31 bits the library's 32-bit
// exponents wrap silently (in its arithmetic and, sooner, in its text conversions).
constexpr std::int64_t kMaxExponentBits = (std::int64_t{1} << 31) - (std::int64_t{1} << 25);
// get Bignum and FileGet write values up to this binary exponent; a little above kMaxExponentBits, since a
// subtraction may cancel a few limbs below an operand's exponent.
constexpr std::int64_t kMaxTextExponentBits = (std::int64_t{1} << 31) - (std::int64_t{1} << 24);

// The register's exponent in limbs (0 for zero).
inline std::int64_t ExponentLimbs(mpf_srcptr value) { return value->_mp_exp; }
inline std::int64_t PrecisionLimbs(mpf_srcptr value) { return value->_mp_prec; }

inline bool ExponentFits(std::int64_t limbs) {
  return std::llabs(limbs) <= kMaxExponentBits / static_cast<std::int64_t>(kLimbBits);
}
inline bool TextExponentFits(mpf_srcptr value) {
  return std::llabs(ExponentLimbs(value)) <= kMaxTextExponentBits / static_cast<std::int64_t>(kLimbBits);
}

// An exact float of a machine integer (64 bits fit the smallest precision in both builds).
inline void SetUnsignedFloat(mpf_ptr out, std::uint64_t value) {
  if (FitsUnsignedLong(value)) {
    mpf_set_ui(out, static_cast<unsigned long>(value));
  } else {
    GmpInteger z;
    SetUnsigned(z, value);
    mpf_set_z(out, z);
  }
}

}  // namespace korvel
