// Big-float worksheet functions: decimal numbers to about 32,700 significant digits at one fixed
// precision, read from text or cells and written in a fixed scientific form with the caller's separator.
#include <gmp.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "common/gmp_number.h"
#include "functions/big_number_call.h"
#include "functions/float_text.h"
#include "functions/number_text.h"
#include "startup/exports.h"

namespace korvel::xll {
namespace {

constexpr DWORD kKindMask = ~(xlbitXLFree | xlbitDLLFree);
using korvel::GmpFloat;

// A product's limb exponent is kept small by moving it into a 64-bit count after each factor (an exact
// scaling by a power of 2^64): the library's own exponent is 32-bit and would wrap silently.
constexpr std::int64_t kFoldLimbs = std::int64_t{1} << 28;

enum class FloatOperation { kSubtract, kDivide };
enum class FloatCombination { kSum, kProduct };

struct CallText {
  char separator;
  char point;
};

bool ReadFloat(mpf_ptr out, const wchar_t* counted, const CallText& t) {
  if (!NarrowsExactly(counted)) return false;
  NarrowedText bytes(counted);
  NormalizeDecimalSeparator(bytes.data(), t.separator, t.point);
  if (!OperandExponentFits(bytes.c_str())) return false;
  return mpf_set_str(out, bytes.c_str(), 10) == 0;
}

// A cell number enters exactly; an infinite or NaN one cannot, and ends the call with its failure value.
void SetCellNumber(mpf_ptr out, double value) {
  if (!std::isfinite(value)) throw FailureValue{};
  mpf_set_d(out, value);
}

// Writes the value with `digits` significant digits; a value whose decimal exponent leaves 32 bits stays
// the number 0.
void WriteFloat(ResultRecord& result, mpf_srcptr value, int digits, char separator) {
  if (!ResultExponentFits(value)) return;
  mp_exp_t exponent = 0;
  std::unique_ptr<char[]> text(new char[static_cast<size_t>(digits) + 2]);
  mpf_get_str(text.get(), &exponent, 10, static_cast<size_t>(digits), value);
  FormatFloatSci(result.get(), text.get(), separator, exponent);
}

// The sum or product over a value and a counted text; false where the functions give the number 0.
bool CombineFloats(mpf_ptr out, const XLOPER12* number1, const wchar_t* number2, const CallText& t,
                   FloatCombination how) {
  const bool product = how == FloatCombination::kProduct;
  mpf_set_si(out, product ? 1 : 0);
  GmpFloat operand(BigFloatPrecision), cell(64);
  std::int64_t folded = 0;
  size_t factors = 0;
  auto combine = [&](mpf_srcptr value) {
    ++factors;
    if (!product) {
      mpf_add(out, out, value);
      return;
    }
    mpf_mul(out, out, value);
    if (mpf_sgn(out) == 0) {
      folded = 0;
    } else if (out->_mp_exp > kFoldLimbs || out->_mp_exp < -kFoldLimbs) {
      folded += out->_mp_exp;
      out->_mp_exp = 0;
    }
  };
  auto combine_cell = [&](double v) {
    SetCellNumber(cell, v);
    combine(cell);
  };
  const bool number2_empty = CountOf(number2) == 0;
  switch (number1->xltype & kKindMask) {
    case xltypeStr:
      if (number2_empty || !ReadFloat(operand, number1->val.str, t)) return false;
      combine(operand);
      break;
    case xltypeNum:
      if (number2_empty) return false;
      combine_cell(number1->val.num);
      break;
    case xltypeMulti: {
      const XLOPER12* elements = number1->val.array.lparray;
      const long long n = elements ? static_cast<long long>(number1->val.array.rows) * number1->val.array.columns : 0;
      for (long long i = 0; i < n; ++i) {
        const DWORD kind = elements[i].xltype & kKindMask;
        if (kind == xltypeStr) {
          if (!ReadFloat(operand, elements[i].val.str, t)) return false;
          combine(operand);
        } else if (kind == xltypeNum) {
          combine_cell(elements[i].val.num);
        }  // empty cells, booleans and errors are skipped
      }
      break;
    }
    default:  // an empty cell
      return false;
  }
  if (!number2_empty) {
    if (!ReadFloat(operand, number2, t)) return false;
    combine(operand);
  }
  if (product && factors == 0) return false;
  if (folded != 0) {
    const std::int64_t limbs = folded + out->_mp_exp;
    if (limbs > kNoTextLimbs || limbs < -kNoTextLimbs) return false;
    out->_mp_exp = static_cast<mp_exp_t>(limbs);
  }
  return true;
}

bool AcceptedValue(const XLOPER12* number1) {
  if (!number1) return false;
  const DWORD kind = number1->xltype & kKindMask;
  return kind == xltypeNum || kind == xltypeStr || kind == xltypeMulti || kind == xltypeNil;
}

bool CallTextOf(const wchar_t* separator, CallText& t) {
  t.point = DecimalPoint();
  return Separator(separator, t.separator);
}

XLOPER12* FloatCombine(const XLOPER12* number1, const wchar_t* number2, int precision_out, const wchar_t* separator,
                       FloatCombination how) {
  return BigNumberCall([&](ResultRecord& result) {
    CallText t;
    if (precision_out < 0 || !AcceptedValue(number1) || !CallTextOf(separator, t)) return Outcome::kRejected;
    GmpFloat value(BigFloatPrecision);
    if (CombineFloats(value, number1, number2, t, how)) WriteFloat(result, value, PrecisionOut(precision_out), t.separator);
    return Outcome::kResult;
  });
}

// |value|^exponent surely has a decimal exponent beyond 32 bits: refused before the library computes it.
bool PowerSurelyOutOfRange(mpf_srcptr value, int exponent) {
  if (mpf_sgn(value) == 0 || exponent == 0) return false;
  const mp_limb_t top = value->_mp_d[std::abs(value->_mp_size) - 1];
  const double limbs_below = static_cast<double>(value->_mp_exp - 1) * 64;
  const double log2_low = limbs_below + std::log2(static_cast<double>(top));
  const double log2_high = limbs_below + std::log2(static_cast<double>(top) + 1);
  const double k = exponent, limit = 2147483650.0 / std::log10(2.0);
  return k * log2_low > limit || k * log2_high < -limit;
}

}  // namespace

// SubtractFloat and DivideFloat.
XLOPER12* FloatBinaryOp(const wchar_t* number1, const wchar_t* number2, int precision_out, const wchar_t* separator,
                        FloatOperation op) {
  return BigNumberCall([&](ResultRecord& result) {
    CallText t;
    if (CountOf(number1) == 0 || CountOf(number2) == 0 || precision_out < 0 || !CallTextOf(separator, t))
      return Outcome::kRejected;
    GmpFloat a(BigFloatPrecision), b(BigFloatPrecision), r(BigFloatPrecision);
    if (!ReadFloat(a, number1, t) || !ReadFloat(b, number2, t)) return Outcome::kResult;
    if (op == FloatOperation::kSubtract) {
      mpf_sub(r, a, b);
    } else {
      if (mpf_sgn(b.get()) == 0) {
        result.SetError(xlerrDiv0);
        return Outcome::kResult;
      }
      mpf_div(r, a, b);
    }
    WriteFloat(result, r, PrecisionOut(precision_out), t.separator);
    return Outcome::kResult;
  });
}

}  // namespace korvel::xll

using namespace korvel::xll;

extern "C" {

XLOPER12* __stdcall SumFloat(XLOPER12* number1, wchar_t* number2, int precision_out, wchar_t* separator) {
  return FloatCombine(number1, number2, precision_out, separator, FloatCombination::kSum);
}

XLOPER12* __stdcall MultiplyFloat(XLOPER12* number1, wchar_t* number2, int precision_out, wchar_t* separator) {
  return FloatCombine(number1, number2, precision_out, separator, FloatCombination::kProduct);
}

XLOPER12* __stdcall SubtractFloat(wchar_t* number1, wchar_t* number2, int precision_out, wchar_t* separator) {
  return FloatBinaryOp(number1, number2, precision_out, separator, FloatOperation::kSubtract);
}

XLOPER12* __stdcall DivideFloat(wchar_t* number1, wchar_t* number2, int precision_out, wchar_t* separator) {
  return FloatBinaryOp(number1, number2, precision_out, separator, FloatOperation::kDivide);
}

// A negative exponent is refused: the library would take it as a power near 2^64.
XLOPER12* __stdcall PowerFloat(wchar_t* number, int exponent, int precision_out, wchar_t* separator) {
  return BigNumberCall([&](ResultRecord& result) {
    CallText t;
    if (CountOf(number) == 0 || exponent < 0 || precision_out < 0 || !CallTextOf(separator, t))
      return Outcome::kRejected;
    GmpFloat a(BigFloatPrecision), r(BigFloatPrecision);
    if (!ReadFloat(a, number, t) || PowerSurelyOutOfRange(a, exponent)) return Outcome::kResult;
    mpf_pow_ui(r, a, static_cast<unsigned long>(exponent));
    WriteFloat(result, r, PrecisionOut(precision_out), t.separator);
    return Outcome::kResult;
  });
}

// The square root of a negative number is refused: the library would end the process.
XLOPER12* __stdcall RootFloat(wchar_t* number, int precision_out, wchar_t* separator) {
  return BigNumberCall([&](ResultRecord& result) {
    CallText t;
    if (CountOf(number) == 0 || precision_out < 0 || !CallTextOf(separator, t)) return Outcome::kRejected;
    GmpFloat a(BigFloatPrecision), r(BigFloatPrecision);
    if (!ReadFloat(a, number, t)) return Outcome::kResult;
    if (mpf_sgn(a.get()) < 0) return Outcome::kRejected;
    mpf_sqrt(r, a);
    WriteFloat(result, r, PrecisionOut(precision_out), t.separator);
    return Outcome::kResult;
  });
}

}  // extern "C"
