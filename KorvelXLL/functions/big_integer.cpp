// Big-integer worksheet functions: integers of any size written as text in bases 2 to 36. Each call
// parses its operands, computes with the arithmetic library and returns a new record: the text, #DIV/0!,
// or the number 0 when an operand does not read or the result would be longer than 32767 characters.
#include <gmp.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "common/gmp_number.h"
#include "functions/big_integer.h"
#include "functions/big_number_call.h"
#include "functions/number_text.h"
#include "functions/result_lengths.h"
#include "startup/exports.h"

namespace korvel::xll {
namespace {

constexpr DWORD kKindMask = ~(xlbitXLFree | xlbitDLLFree);

// Reads a counted number text in `base`; false when it does not read.
bool ReadInteger(mpz_ptr out, const wchar_t* counted, int base) {
  if (!NarrowsExactly(counted)) return false;
  NarrowedText bytes(counted);
  return mpz_set_str(out, bytes.c_str(), base) == 0;
}

// A cell number enters truncated toward zero; an infinite or NaN one cannot, and ends the call.
void SetTruncated(mpz_ptr out, double value) {
  if (!std::isfinite(value)) throw FailureValue{};
  mpz_set_d(out, value);
}

// Writes `value` in `base` into the record; a text over 32767 characters leaves the number 0. A short text
// is written on the stack: on the host's calculation threads each trip to the shared heap waits for its lock.
void WriteInteger(ResultRecord& result, mpz_srcptr value, int base) {
  const size_t digits = mpz_sizeinbase(value, base);  // exact, or one more
  if (digits - 1 > static_cast<size_t>(kMaxXlChars)) return;
  char short_text[512];
  std::unique_ptr<char[]> long_text;
  char* text = short_text;
  if (digits + 2 > sizeof short_text) {
    long_text.reset(new char[digits + 2]);
    text = long_text.get();
  }
  mpz_get_str(text, base, value);
  result.SetText(text, std::strlen(text));
}

// The sum or product of a value and a counted text, shared by SumInteger, MultiplyInteger and SumInteger2.
// Gives false (the failure value) where the functions give the number 0; `out` then is unspecified.
bool CombineIntegers(mpz_ptr out, const XLOPER12* number1, const wchar_t* number2, int base_in, int base_out,
                     IntCombination how) {
  const bool product = how == IntCombination::kProduct;
  mpz_set_ui(out, product ? 1 : 0);
  GmpInteger operand;
  bool too_long = false, zero = false;
  double bits_at_least = 0;
  size_t factors = 0;
  auto combine = [&](mpz_srcptr value) {
    ++factors;
    if (!product) {
      mpz_add(out, out, value);
      return;
    }
    if (zero) return;
    if (mpz_sgn(value) == 0) {
      zero = true;
      mpz_set_ui(out, 0);
      return;
    }
    // Once the product surely cannot be written, its other factors are only read (a 0 or an unreadable
    // one still decides the result).
    bits_at_least += static_cast<double>(mpz_sizeinbase(value, 2) - 1);
    if (!too_long && ProductSurelyTooLong(bits_at_least, base_out)) too_long = true;
    if (!too_long) mpz_mul(out, out, value);
  };
  const bool number2_empty = CountOf(number2) == 0;
  switch (number1->xltype & kKindMask) {
    case xltypeStr:
      if (number2_empty || !ReadInteger(operand, number1->val.str, base_in)) return false;
      combine(operand);
      break;
    case xltypeNum:
      if (number2_empty) return false;
      SetTruncated(operand, number1->val.num);
      combine(operand);
      break;
    case xltypeMulti: {
      const XLOPER12* elements = number1->val.array.lparray;
      const long long n = elements ? static_cast<long long>(number1->val.array.rows) * number1->val.array.columns : 0;
      for (long long i = 0; i < n; ++i) {
        const XLOPER12& e = elements[i];
        const DWORD kind = e.xltype & kKindMask;
        if (kind == xltypeStr) {
          if (!ReadInteger(operand, e.val.str, base_in)) return false;
          combine(operand);
        } else if (kind == xltypeNum) {
          SetTruncated(operand, e.val.num);
          combine(operand);
        }  // empty cells, booleans and errors are skipped
      }
      break;
    }
    default:  // an empty cell
      return false;
  }
  if (!number2_empty) {
    if (!ReadInteger(operand, number2, base_in)) return false;
    combine(operand);
  }
  if (product && factors == 0) return false;  // an array without factors: not the empty product 1
  return zero || !too_long;
}

// Number1 of a sum or product is a number, a text, an array or an empty cell; anything else is refused.
bool AcceptedValue(const XLOPER12* number1) {
  if (!number1) return false;
  switch (number1->xltype & kKindMask) {
    case xltypeNum:
    case xltypeStr:
    case xltypeMulti:
    case xltypeNil:
      return true;
    default:
      return false;
  }
}

XLOPER12* IntCombine(const XLOPER12* number1, const wchar_t* number2, int base_in, int base_out, IntCombination how) {
  return BigNumberCall([&](ResultRecord& result) {
    base_in = ResolveBase(base_in);
    base_out = ResolveBase(base_out);
    if (!base_in || !base_out || !AcceptedValue(number1)) return Outcome::kRejected;
    GmpInteger value;
    if (CombineIntegers(value, number1, number2, base_in, base_out, how)) WriteInteger(result, value, base_out);
    return Outcome::kResult;
  });
}

}  // namespace

XLOPER12* IntBinaryOp(const wchar_t* number1, const wchar_t* number2, int base_in, int base_out, IntOperation op) {
  return BigNumberCall([&](ResultRecord& result) {
    if (CountOf(number1) == 0 || CountOf(number2) == 0) return Outcome::kRejected;
    base_in = ResolveBase(base_in);
    base_out = ResolveBase(base_out);
    if (!base_in || !base_out) return Outcome::kRejected;
    GmpInteger a, b, r;
    if (!ReadInteger(a, number1, base_in) || !ReadInteger(b, number2, base_in)) return Outcome::kResult;
    switch (op) {
      case IntOperation::kSubtract:
        mpz_sub(r, a, b);
        break;
      case IntOperation::kFloorQuotient:
      case IntOperation::kRemainder:
        if (mpz_sgn(b.get()) == 0) {
          result.SetError(xlerrDiv0);
          return Outcome::kResult;
        }
        if (op == IntOperation::kFloorQuotient) mpz_fdiv_q(r, a, b);
        else mpz_mod(r, a, b);
        break;
    }
    WriteInteger(result, r, base_out);
    return Outcome::kResult;
  });
}

}  // namespace korvel::xll

using namespace korvel::xll;

extern "C" {

XLOPER12* __stdcall SumInteger(XLOPER12* number1, wchar_t* number2, int base_in, int base_out) {
  return IntCombine(number1, number2, base_in, base_out, IntCombination::kSum);
}

XLOPER12* __stdcall MultiplyInteger(XLOPER12* number1, wchar_t* number2, int base_in, int base_out) {
  return IntCombine(number1, number2, base_in, base_out, IntCombination::kProduct);
}

XLOPER12* __stdcall SubtractInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out) {
  return IntBinaryOp(number1, number2, base_in, base_out, IntOperation::kSubtract);
}

XLOPER12* __stdcall DivideInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out) {
  return IntBinaryOp(number1, number2, base_in, base_out, IntOperation::kFloorQuotient);
}

XLOPER12* __stdcall ModInteger(wchar_t* number1, wchar_t* number2, int base_in, int base_out) {
  return IntBinaryOp(number1, number2, base_in, base_out, IntOperation::kRemainder);
}

// A negative exponent is refused like the other rejected arguments: the library would take it as a power
// near 2^64 and fail its allocation.
XLOPER12* __stdcall PowerInteger(wchar_t* number, int exponent, int base_in, int base_out) {
  return BigNumberCall([&](ResultRecord& result) {
    if (CountOf(number) == 0 || exponent < 0) return Outcome::kRejected;
    base_in = ResolveBase(base_in);
    base_out = ResolveBase(base_out);
    if (!base_in || !base_out) return Outcome::kRejected;
    korvel::GmpInteger a, r;
    if (!ReadInteger(a, number, base_in)) return Outcome::kResult;
    if (PowerSurelyTooLong(mpz_sizeinbase(a, 2), static_cast<unsigned>(exponent), base_out)) return Outcome::kResult;
    mpz_pow_ui(r, a, static_cast<unsigned long>(exponent));
    WriteInteger(result, r, base_out);
    return Outcome::kResult;
  });
}

XLOPER12* __stdcall ConvertBaseInteger(wchar_t* number, int base_in, int base_out) {
  return BigNumberCall([&](ResultRecord& result) {
    if (CountOf(number) == 0) return Outcome::kRejected;
    base_in = ResolveBase(base_in);
    base_out = ResolveBase(base_out);
    if (!base_in || !base_out) return Outcome::kRejected;
    korvel::GmpInteger a;
    if (ReadInteger(a, number, base_in)) WriteInteger(result, a, base_out);
    return Outcome::kResult;
  });
}

XLOPER12* __stdcall FactorialInteger(int n, int base_out) {
  return BigNumberCall([&](ResultRecord& result) {
    base_out = ResolveBase(base_out);
    if (n < 0 || !base_out) return Outcome::kRejected;
    if (FactorialSurelyTooLong(static_cast<unsigned>(n), base_out)) return Outcome::kResult;
    korvel::GmpInteger r;
    mpz_fac_ui(r, static_cast<unsigned long>(n));
    WriteInteger(result, r, base_out);
    return Outcome::kResult;
  });
}

// Writes the sum over Number2's own buffer (32769 units) and returns it. Where SumInteger gives the number
// 0, this gives a null pointer: Number2 unchanged would read as if it were the sum.
wchar_t* __stdcall SumInteger2(XLOPER12* number1, wchar_t* number2, int base_in, int base_out) {
  try {
    base_in = ResolveBase(base_in);
    base_out = ResolveBase(base_out);
    if (!base_in || !base_out || !AcceptedValue(number1) || !number2) return nullptr;
    korvel::GmpCallScope scope;
    korvel::GmpInteger sum;
    if (!CombineIntegers(sum, number1, number2, base_in, base_out, IntCombination::kSum)) return nullptr;
    const size_t digits = mpz_sizeinbase(sum, base_out);
    if (digits - 1 > static_cast<size_t>(kMaxXlChars)) return nullptr;
    std::unique_ptr<char[]> text(new char[digits + 2]);
    mpz_get_str(text.get(), base_out, sum);
    const size_t length = std::strlen(text.get());
    if (length > static_cast<size_t>(kMaxXlChars)) return nullptr;
    for (size_t i = 0; i < length; ++i) number2[i + 1] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    number2[length + 1] = 0;
    number2[0] = static_cast<wchar_t>(length);
    return number2;
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"
