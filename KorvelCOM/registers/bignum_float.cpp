#include "registers/bignum_float.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/ansi_text.h"
#include "common/com_owners.h"
#include "registers/float_number.h"
#include "registers/float_text.h"
#include "server/help_page.h"
#include "registers/number_file.h"
#include "registers/register_store.h"

namespace korvel {
namespace {

mpf_ptr R(BYTE index) { return FloatRegisters()[index]; }

// Every member that touches the store holds its lock from start to end (see StoreLock), and is guarded like
// every entry point.
template <class Body>
HRESULT OnStore(Body&& body) {
  StoreScope scope(FloatRegisters().lock());
  return Guarded(body);
}

bool ValidTextBase(LONG base) { return static_cast<unsigned long>(base) - 2 <= 34; }
// Bases the library reads and writes in files: 0 (decimal) and 2 to 62.
bool ValidFileBase(LONG base) { return base == 0 || (base >= 2 && base <= 62); }

bool ValidPrecision(LONG_PTR bits) {
  return bits >= 0 && static_cast<std::uint64_t>(bits) <= kMaxPrecisionBits;
}

// mpf_set_prec records the new precision before it reallocates, so a failed allocation would leave a
// register that claims more limbs than it owns. The new storage is made first and swapped in instead.
void SetPrecision(mpf_ptr reg, std::uint64_t bits) {
  GmpFloat resized(bits);
  if (PrecisionLimbs(resized) == PrecisionLimbs(reg)) return;
  mpf_set(resized, reg);  // keeps the most significant limbs, as mpf_set_prec does
  mpf_swap(resized, reg);
}

// A register's value at its own precision, for reading into before the register is touched.
std::uint64_t BitsOf(mpf_srcptr reg) { return mpf_get_prec(reg); }

// Asking for more digits than the precision holds is the same as asking for 0 (all it holds), but the
// library would allocate buffers of the asked size first.
size_t DigitsToAsk(mpf_srcptr reg, LONG_PTR precision) {
  std::uint64_t most = (static_cast<std::uint64_t>(PrecisionLimbs(reg)) + 2) * kLimbBits + 8;
  return static_cast<std::uint64_t>(precision) > most ? 0 : static_cast<size_t>(precision);
}

std::int64_t Larger(std::int64_t a, std::int64_t b) { return a > b ? a : b; }

// out = a +- |operand| with a 64-bit operand used exactly.
HRESULT AddMachineInteger(mpf_ptr out, mpf_srcptr a, LONG_PTR operand, bool subtract) {
  if (!ExponentFits(Larger(std::llabs(ExponentLimbs(a)), 2) + 1)) return E_INVALIDARG;
  bool add = (operand >= 0) != subtract;
  std::uint64_t magnitude = Magnitude(operand);
  if (FitsUnsignedLong(magnitude)) {
    if (add) mpf_add_ui(out, a, static_cast<unsigned long>(magnitude));
    else mpf_sub_ui(out, a, static_cast<unsigned long>(magnitude));
  } else {
    GmpFloat b(64);
    SetUnsignedFloat(b, magnitude);
    if (add) mpf_add(out, a, b);
    else mpf_sub(out, a, b);
  }
  return S_OK;
}

HRESULT AddRegisters(BYTE out, BYTE a, BYTE b, bool subtract) {
  if (!ExponentFits(Larger(std::llabs(ExponentLimbs(R(a))), std::llabs(ExponentLimbs(R(b)))) + 1))
    return E_INVALIDARG;
  if (subtract) mpf_sub(R(out), R(a), R(b));
  else mpf_add(R(out), R(a), R(b));
  return S_OK;
}

// The binary exponent of |base|^exponent, estimated in floating point (good to far better than a limb).
double PowerExponentBits(mpf_srcptr base, std::uint64_t exponent) {
  long bits = 0;
  double mantissa = std::fabs(mpf_get_d_2exp(&bits, base));
  return static_cast<double>(exponent) * (static_cast<double>(bits) + std::log2(mantissa));
}

// b^e for an exponent beyond the library's 32-bit one (64-bit build): (b^hi)^(2^32) * b^lo, in a working
// precision one limb above the destination's.
void PowerBeyondLong(mpf_ptr out, mpf_srcptr base, std::uint64_t exponent) {
  std::uint64_t bits = BitsOf(out) + kLimbBits;
  GmpFloat high(bits), low(bits);
  mpf_pow_ui(high, base, static_cast<unsigned long>(exponent >> 32));
  for (int i = 0; i < 32; ++i) mpf_mul(high, high, high);
  mpf_pow_ui(low, base, static_cast<unsigned long>(exponent & 0xffffffffu));
  mpf_mul(out, high, low);
}

// The first white-space-delimited token of a stream, as mpf_inp_str takes it.
std::string ReadToken(FILE* f) {
  int c;
  do c = std::fgetc(f); while (c != EOF && std::isspace(c));
  std::string token;
  while (c != EOF && !std::isspace(c)) {
    token += static_cast<char>(c);
    c = std::fgetc(f);
  }
  return token;
}

}  // namespace

STDMETHODIMP CBignumArithmeticFloat::Help() { return Guarded([] { return ShowHelpPage(); }); }

STDMETHODIMP CBignumArithmeticFloat::get_SizeBits(BYTE Bignum, LONG_PTR* pVal) {
  return OnStore([&]() -> HRESULT {
    if (!pVal) return E_POINTER;
    *pVal = static_cast<LONG_PTR>(mpf_get_prec(R(Bignum)));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::put_SizeBits(BYTE Bignum, LONG_PTR newVal) {
  return OnStore([&]() -> HRESULT {
    if (!ValidPrecision(newVal)) return E_INVALIDARG;
    SetPrecision(R(Bignum), static_cast<std::uint64_t>(newVal));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::SizeBitsSet(BYTE Bignum, LONG_PTR SizeBits) {
  return OnStore([&] { return put_SizeBits(Bignum, SizeBits); });
}

STDMETHODIMP CBignumArithmeticFloat::get_Bignum(BYTE Bignum, LONG BignumBase, LONG_PTR Precision, BSTR Separator,
                                                VARIANT_BOOL /*Exponential*/, BSTR* pVal) {
  return OnStore([&]() -> HRESULT {
    if (!pVal) return E_POINTER;
    if (!ValidTextBase(BignumBase) || Precision < 0) return E_INVALIDARG;
    mpf_ptr reg = R(Bignum);
    if (!TextExponentFits(reg)) return E_UNEXPECTED;  // its exponent does not fit the library's text
    mp_exp_t exponent = 0;
    char* digits = mpf_get_str(nullptr, &exponent, BignumBase, DigitsToAsk(reg, Precision), reg);
    size_t length = std::strlen(digits);
    struct Release {
      char* p; size_t n;
      ~Release() { FreeGmpText(p, n); }
    } release{digits, length};
    std::string text = ExponentForm(std::string(digits, length), exponent, WrittenSeparator(Separator));
    *pVal = AnsiToBstr(text.data(), text.size());
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::put_Bignum(BYTE Bignum, LONG BignumBase, LONG_PTR /*Precision*/,
                                                BSTR Separator, VARIANT_BOOL /*Exponential*/, BSTR newVal) {
  return OnStore([&]() -> HRESULT {
    if (!ValidTextBase(BignumBase)) return E_INVALIDARG;
    std::string bytes = ToAnsi(newVal);
    MarkDecimalPoint(bytes, Separator);
    GmpFloat parsed(BitsOf(R(Bignum)));
    if (!ReadFloatText(parsed, bytes, BignumBase, ExponentDigits::kWrittenForm)) return E_INVALIDARG;
    mpf_swap(R(Bignum), parsed);  // same precision: the register keeps its own
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::BignumSet(BYTE Bignum, BSTR StringBSTR, LONG BignumBase, BSTR Separator) {
  // Through the interface, so that an override of put Bignum is what BignumSet does.
  IBignumArithmeticFloat* self = this;
  return OnStore([&] { return self->put_Bignum(Bignum, BignumBase, 0, Separator, VARIANT_FALSE, StringBSTR); });
}

STDMETHODIMP CBignumArithmeticFloat::get_Sign(BYTE Bignum, LONG* pVal) {
  return OnStore([&]() -> HRESULT {
    if (!pVal) return E_POINTER;
    *pVal = mpf_sgn(R(Bignum));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Compare(BYTE Bignum1, BYTE Bignum2, LONG* pVal) {
  return OnStore([&]() -> HRESULT {
    if (!pVal) return E_POINTER;
    int order = mpf_cmp(R(Bignum1), R(Bignum2));
    *pVal = order < 0 ? -1 : order > 0 ? 1 : 0;
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Sum(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) {
  return OnStore([&] { return AddRegisters(BignumSet, Bignum1, Bignum2, false); });
}

STDMETHODIMP CBignumArithmeticFloat::SumL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) {
  return OnStore([&] { return AddMachineInteger(R(BignumSet), R(Bignum1), operand, false); });
}

STDMETHODIMP CBignumArithmeticFloat::Abs(BYTE BignumSet, BYTE Bignum1) {
  return OnStore([&] { mpf_abs(R(BignumSet), R(Bignum1)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticFloat::Subtract(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) {
  return OnStore([&] { return AddRegisters(BignumSet, Bignum1, Bignum2, true); });
}

STDMETHODIMP CBignumArithmeticFloat::SubtractL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) {
  return OnStore([&] { return AddMachineInteger(R(BignumSet), R(Bignum1), operand, true); });
}

STDMETHODIMP CBignumArithmeticFloat::Multiply(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) {
  return OnStore([&]() -> HRESULT {
    mpf_ptr a = R(Bignum1), b = R(Bignum2);
    if (mpf_sgn(a) && mpf_sgn(b) && !ExponentFits(std::llabs(ExponentLimbs(a) + ExponentLimbs(b)) + 1))
      return E_INVALIDARG;
    mpf_mul(R(BignumSet), a, b);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::MultiplyL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) {
  return OnStore([&]() -> HRESULT {
    mpf_ptr a = R(Bignum1);
    if (!ExponentFits(std::llabs(ExponentLimbs(a)) + 2)) return E_INVALIDARG;
    std::uint64_t magnitude = Magnitude(operand);
    if (FitsUnsignedLong(magnitude)) {
      mpf_mul_ui(R(BignumSet), a, static_cast<unsigned long>(magnitude));
    } else {
      GmpFloat b(64);
      SetUnsignedFloat(b, magnitude);
      mpf_mul(R(BignumSet), a, b);
    }
    if (operand < 0) mpf_neg(R(BignumSet), R(BignumSet));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Divide(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) {
  return OnStore([&]() -> HRESULT {
    mpf_ptr a = R(Bignum1), b = R(Bignum2);
    if (mpf_sgn(b) == 0) return E_INVALIDARG;  // the library would end the process
    if (mpf_sgn(a) && !ExponentFits(std::llabs(ExponentLimbs(a) - ExponentLimbs(b)) + 1)) return E_INVALIDARG;
    mpf_div(R(BignumSet), a, b);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::DivideL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) {
  return OnStore([&]() -> HRESULT {
    if (operand == 0) return E_INVALIDARG;  // the library would end the process
    mpf_ptr a = R(Bignum1);
    if (!ExponentFits(std::llabs(ExponentLimbs(a)) + 2)) return E_INVALIDARG;
    std::uint64_t magnitude = Magnitude(operand);
    if (FitsUnsignedLong(magnitude)) {
      mpf_div_ui(R(BignumSet), a, static_cast<unsigned long>(magnitude));
    } else {
      GmpFloat b(64);
      SetUnsignedFloat(b, magnitude);
      mpf_div(R(BignumSet), a, b);
    }
    if (operand < 0) mpf_neg(R(BignumSet), R(BignumSet));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Root(BYTE BignumSet, BYTE Bignum1) {
  return OnStore([&]() -> HRESULT {
    if (mpf_sgn(R(Bignum1)) < 0) return E_INVALIDARG;  // the library would end the process
    mpf_sqrt(R(BignumSet), R(Bignum1));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Negate(BYTE BignumSet, BYTE Bignum1) {
  return OnStore([&] { mpf_neg(R(BignumSet), R(Bignum1)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticFloat::Power(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) {
  return OnStore([&]() -> HRESULT {
    if (operand < 0) return E_INVALIDARG;
    std::uint64_t exponent = static_cast<std::uint64_t>(operand);
    mpf_ptr base = R(Bignum1);
    // 0, 1 and -1 to any power need no estimate, also beyond the library's 32-bit exponent.
    if (exponent == 0 || mpf_sgn(base) == 0 || (mpf_cmp_ui(base, 1) == 0 || mpf_cmp_si(base, -1) == 0)) {
      long value = exponent == 0 ? 1 : mpf_sgn(base) == 0 ? 0 : (mpf_sgn(base) < 0 && (exponent & 1)) ? -1 : 1;
      mpf_set_si(R(BignumSet), value);
      return S_OK;
    }
    double bits = PowerExponentBits(base, exponent);
    if (!(std::fabs(bits) <= static_cast<double>(kMaxExponentBits - 4 * static_cast<std::int64_t>(kLimbBits))))
      return E_INVALIDARG;
    if (FitsUnsignedLong(exponent)) mpf_pow_ui(R(BignumSet), base, static_cast<unsigned long>(exponent));
    else PowerBeyondLong(R(BignumSet), base, exponent);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Clone(BYTE BignumSet, BYTE Bignum1) {
  return OnStore([&] { mpf_set(R(BignumSet), R(Bignum1)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticFloat::FileSet(BYTE Bignum, BSTR StringBSTRFileName, LONG BignumBase) {
  return OnStore([&]() -> HRESULT {
    if (!ValidFileBase(BignumBase)) return E_INVALIDARG;
    NumberFile file(UpToNul(StringBSTRFileName), L"r");
    if (!file.get()) return E_INVALIDARG;
    std::string token = ReadToken(file.get());
    file.Close();
    GmpFloat parsed(BitsOf(R(Bignum)));
    // The library writes a file's exponent in decimal whatever the base; it is read back the same way.
    if (!ReadFloatText(parsed, token, BignumBase == 0 ? 10 : BignumBase, ExponentDigits::kDecimal))
      return E_INVALIDARG;
    mpf_swap(R(Bignum), parsed);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::FileGet(BYTE Bignum, BSTR StringBSTRFileName, LONG BignumBase,
                                             LONG_PTR Precision) {
  return OnStore([&]() -> HRESULT {
    // Every check comes before the file is opened: opening it for writing truncates it.
    if (Precision < 0 || !ValidFileBase(BignumBase)) return E_INVALIDARG;
    mpf_ptr reg = R(Bignum);
    if (!TextExponentFits(reg)) return E_UNEXPECTED;
    NumberFile file(UpToNul(StringBSTRFileName), L"w");
    if (!file.get()) return E_INVALIDARG;
    size_t written = mpf_out_str(file.get(), BignumBase, DigitsToAsk(reg, Precision), reg);
    bool closed = file.Close();
    return (written == 0 || !closed) ? E_INVALIDARG : S_OK;
  });
}

STDMETHODIMP CBignumArithmeticFloat::Clear(LONG Bignum) {
  return OnStore([&] {
    auto clear = [](mpf_ptr r) {
      mpf_set_si(r, 0);
      SetPrecision(r, 0);
    };
    ForOneOrAllRegisters(Bignum, [&](BYTE i) { clear(R(i)); });
    return S_OK;
  });
}

}  // namespace korvel
