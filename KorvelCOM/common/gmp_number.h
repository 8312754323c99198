// Owners of temporary GMP integers and floats, shared by the server and the add-in, and exact conversions from machine integers of any width (GMP's
// `long` is 32-bit on Win64, so its _ui/_si functions would cut a 64-bit operand).
#pragma once

#include <gmp.h>

#include <climits>
#include <cstdint>
#include <exception>

namespace korvel {

// A failed allocation inside the library can leave the number it was writing pointing at freed or too
// small memory; a number destroyed while such an exception unwinds is therefore abandoned, not cleared.
class GmpInteger {
 public:
  GmpInteger() : unwinding_at_start_(std::uncaught_exceptions()) { mpz_init(v_); }
  ~GmpInteger() {
    if (std::uncaught_exceptions() == unwinding_at_start_) mpz_clear(v_);
  }
  GmpInteger(const GmpInteger&) = delete;
  GmpInteger& operator=(const GmpInteger&) = delete;
  mpz_ptr get() { return v_; }
  operator mpz_ptr() { return v_; }

 private:
  mpz_t v_;
  int unwinding_at_start_;
};

// A float of a fixed precision. Float storage is made once, at its precision, and never grown, so a failed
// allocation inside the library leaves it whole and it is always cleared.
class GmpFloat {
 public:
  explicit GmpFloat(std::uint64_t bits) { mpf_init2(v_, static_cast<mp_bitcnt_t>(bits)); }
  ~GmpFloat() { mpf_clear(v_); }
  GmpFloat(const GmpFloat&) = delete;
  GmpFloat& operator=(const GmpFloat&) = delete;
  mpf_ptr get() { return v_; }
  operator mpf_ptr() { return v_; }

 private:
  mpf_t v_;
};

// Runs `body`, which writes `reg` in place. On any exception the register is made a fresh 0 before the
// exception goes on: what the interrupted library call left in it is abandoned, not freed (see GmpInteger).
template <class Body>
auto WritingRegister(mpz_ptr reg, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    mpz_init(reg);
    throw;
  }
}

// |value| as an unsigned number; exact for the most negative value too.
inline std::uint64_t Magnitude(std::int64_t value) {
  return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

inline bool FitsUnsignedLong(std::uint64_t value) { return value <= ULONG_MAX; }

inline void SetUnsigned(mpz_ptr out, std::uint64_t value) {
  mpz_import(out, 1, -1, sizeof value, 0, 0, &value);
}

inline void SetSigned(mpz_ptr out, std::int64_t value) {
  SetUnsigned(out, Magnitude(value));
  if (value < 0) mpz_neg(out, out);
}

// Frees a text that the library allocated.
inline void FreeGmpText(char* text, size_t length) {
  void (*free_function)(void*, size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &free_function);
  free_function(text, length + 1);
}

}  // namespace korvel
