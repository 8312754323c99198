#include "registers/bignum_integer.h"

#include <cstdio>
#include <cstring>

#include "common/ansi_text.h"
#include "common/com_owners.h"
#include "common/gmp_number.h"
#include "server/help_page.h"
#include "registers/number_file.h"
#include "registers/register_store.h"
#include "registers/result_size.h"

namespace korvel {
namespace {

mpz_ptr R(BYTE index) { return IntegerRegisters()[index]; }

// Every member that touches the store holds its lock from start to end (see StoreLock), and is guarded like
// every entry point.
template <class Body>
HRESULT OnStore(Body&& body) {
  StoreScope scope(IntegerRegisters().lock());
  return Guarded(body);
}

bool ValidTextBase(LONG base) { return static_cast<unsigned long>(base) - 2 <= 34; }

// Bases the library can read from a file: 0 (taken from a prefix) and 2 to 62.
bool ValidReadBase(LONG base) { return base == 0 || (base >= 2 && base <= 62); }
// Bases the library can write: 0 (decimal), 2 to 62, and -2 to -36 (upper-case letters).
bool ValidWriteBase(LONG base) { return ValidReadBase(base) || (base <= -2 && base >= -36); }

std::uint64_t Bits(mpz_srcptr value) { return mpz_sizeinbase(value, 2); }

HRESULT SetFromText(BYTE reg, BSTR text, LONG base) {
  if (!ValidTextBase(base)) return E_INVALIDARG;
  std::string bytes = ToAnsi(text);
  GmpInteger parsed;
  if (mpz_set_str(parsed, bytes.c_str(), base) != 0) return E_INVALIDARG;  // the register keeps its value
  mpz_swap(R(reg), parsed);
  return S_OK;
}

// out = a + sign * |operand|, with the 64-bit operand used exactly.
void AddSigned(mpz_ptr out, mpz_srcptr a, std::int64_t operand, bool subtract) {
  bool add = (operand >= 0) != subtract;
  std::uint64_t magnitude = Magnitude(operand);
  if (FitsUnsignedLong(magnitude)) {
    if (add) mpz_add_ui(out, a, static_cast<unsigned long>(magnitude));
    else mpz_sub_ui(out, a, static_cast<unsigned long>(magnitude));
    return;
  }
  GmpInteger b;
  SetUnsigned(b, magnitude);
  if (add) mpz_add(out, a, b);
  else mpz_sub(out, a, b);
}

// Results of two-result members go through temporaries: operands may be either result, and when one
// register is named for both results it ends up holding the second one.
void StoreTwo(BYTE first, mpz_ptr first_value, BYTE second, mpz_ptr second_value) {
  mpz_swap(R(first), first_value);
  mpz_swap(R(second), second_value);
}

// F(n) or L(n), refused for a negative index or one whose number would outgrow the bound.
HRESULT LucasSequence(void (*term)(mpz_ptr, unsigned long), mpz_ptr out, LONG_PTR n) {
  if (n < 0 || !FitsUnsignedLong(static_cast<std::uint64_t>(n)) || !LucasSequenceFits(static_cast<std::uint64_t>(n)))
    return E_INVALIDARG;
  term(out, static_cast<unsigned long>(n));
  return S_OK;
}

// A member that writes register `out` in place: guarded like every entry point, and the register made a
// fresh 0 when the library fails inside (see WritingRegister).
template <class Body>
HRESULT GuardedWrite(BYTE out, Body&& body) {
  return OnStore([&]() -> HRESULT { return WritingRegister(R(out), body); });
}

}  // namespace

STDMETHODIMP CBignumArithmeticInteger::Help() { return Guarded([] { return ShowHelpPage(); }); }

STDMETHODIMP CBignumArithmeticInteger::get_Bignum(BYTE reg, LONG base, BSTR* text) {
  return OnStore([&]() -> HRESULT {
    if (!text) return E_POINTER;
    if (!ValidTextBase(base)) return E_INVALIDARG;
    char* digits = mpz_get_str(nullptr, base, R(reg));
    size_t length = std::strlen(digits);
    struct Release {
      char* p; size_t n;
      ~Release() { FreeGmpText(p, n); }
    } release{digits, length};
    *text = AnsiToBstr(digits, length);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::put_Bignum(BYTE reg, LONG base, BSTR text) {
  return OnStore([&] { return SetFromText(reg, text, base); });
}

STDMETHODIMP CBignumArithmeticInteger::BignumSet(BYTE reg, BSTR text, LONG base) {
  return OnStore([&] { return SetFromText(reg, text, base); });
}

STDMETHODIMP CBignumArithmeticInteger::get_Sign(BYTE reg, LONG* sign) {
  return OnStore([&]() -> HRESULT {
    if (!sign) return E_POINTER;
    *sign = mpz_sgn(R(reg));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::get_Even(BYTE reg, LONG* even) {
  return OnStore([&]() -> HRESULT {
    if (!even) return E_POINTER;
    *even = mpz_even_p(R(reg)) ? 1 : 0;
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Compare(BYTE a, BYTE b, LONG* order) {
  return OnStore([&]() -> HRESULT {
    if (!order) return E_POINTER;
    *order = mpz_cmp(R(a), R(b));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Sum(BYTE out, BYTE a, BYTE b) {
  return GuardedWrite(out, [&] { mpz_add(R(out), R(a), R(b)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticInteger::SumL(BYTE out, BYTE a, LONG_PTR operand) {
  return GuardedWrite(out, [&] { AddSigned(R(out), R(a), operand, false); return S_OK; });
}

STDMETHODIMP CBignumArithmeticInteger::Subtract(BYTE out, BYTE a, BYTE b) {
  return GuardedWrite(out, [&] { mpz_sub(R(out), R(a), R(b)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticInteger::SubtractL(BYTE out, BYTE a, LONG_PTR operand) {
  return GuardedWrite(out, [&] { AddSigned(R(out), R(a), operand, true); return S_OK; });
}

STDMETHODIMP CBignumArithmeticInteger::Abs(BYTE out, BYTE a) {
  return GuardedWrite(out, [&] {
    if (out != a) mpz_set(R(out), R(a));
    mpz_abs(R(out), R(out));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Negate(BYTE out, BYTE a) {
  return GuardedWrite(out, [&] {
    if (out != a) mpz_set(R(out), R(a));
    mpz_neg(R(out), R(out));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Multiply(BYTE out, BYTE a, BYTE b) {
  return GuardedWrite(out, [&]() -> HRESULT {
    if (mpz_sgn(R(a)) && mpz_sgn(R(b)) && !SumOfSizesFits(Bits(R(a)), Bits(R(b)))) return E_INVALIDARG;
    mpz_mul(R(out), R(a), R(b));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::MultiplyL(BYTE out, BYTE a, LONG_PTR operand) {
  return GuardedWrite(out, [&]() -> HRESULT {
    std::uint64_t magnitude = Magnitude(operand);
    if (mpz_sgn(R(a)) && operand && !SumOfSizesFits(Bits(R(a)), 64)) return E_INVALIDARG;
    if (operand >= LONG_MIN && operand <= LONG_MAX) {
      mpz_mul_si(R(out), R(a), static_cast<long>(operand));
    } else {
      GmpInteger b;
      SetUnsigned(b, magnitude);
      if (operand < 0) mpz_neg(b, b);
      mpz_mul(R(out), R(a), b);
    }
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Divide(BYTE quotient, BYTE remainder, BYTE a, BYTE b) {
  return OnStore([&]() -> HRESULT {
    if (mpz_sgn(R(b)) == 0) return E_INVALIDARG;
    GmpInteger q, r;
    mpz_tdiv_qr(q, r, R(a), R(b));
    StoreTwo(quotient, q, remainder, r);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::DivideL(BYTE quotient, BYTE remainder, BYTE a, LONG_PTR divisor) {
  return OnStore([&]() -> HRESULT {
    if (divisor <= 0) return E_INVALIDARG;
    GmpInteger q, r;
    std::uint64_t d = static_cast<std::uint64_t>(divisor);
    if (FitsUnsignedLong(d)) {
      mpz_tdiv_qr_ui(q, r, R(a), static_cast<unsigned long>(d));
    } else {
      GmpInteger big;
      SetUnsigned(big, d);
      mpz_tdiv_qr(q, r, R(a), big);
    }
    StoreTwo(quotient, q, remainder, r);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Power(BYTE out, BYTE a, LONG_PTR exponent) {
  return GuardedWrite(out, [&]() -> HRESULT {
    if (exponent < 0) return E_INVALIDARG;
    std::uint64_t e = static_cast<std::uint64_t>(exponent);
    mpz_ptr base = R(a);
    // 0, 1 and -1 stay small for any exponent, also one beyond the library's 32-bit exponent on Win64.
    if (mpz_cmpabs_ui(base, 1) <= 0) {
      int sign = mpz_sgn(base);
      long value = e == 0 ? 1 : sign == 0 ? 0 : (sign < 0 && (e & 1)) ? -1 : 1;
      mpz_set_si(R(out), value);
      return S_OK;
    }
    if (!FitsUnsignedLong(e) || !PowerFits(Bits(base), e)) return E_INVALIDARG;
    mpz_pow_ui(R(out), base, static_cast<unsigned long>(e));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Clone(BYTE out, BYTE a) {
  return GuardedWrite(out, [&] { mpz_set(R(out), R(a)); return S_OK; });
}

STDMETHODIMP CBignumArithmeticInteger::RootRem(BYTE root, BYTE remainder, BYTE a, LONG_PTR n_root) {
  return OnStore([&]() -> HRESULT {
    if (n_root <= 0) return E_INVALIDARG;
    std::uint64_t n = static_cast<std::uint64_t>(n_root);
    if (mpz_sgn(R(a)) < 0 && (n & 1) == 0) return E_INVALIDARG;
    // Any degree above the operand's bit length gives the same root (0 or +-1), so a degree beyond the
    // library's 32-bit argument is brought into range with its parity kept.
    if (!FitsUnsignedLong(n)) n = (n & 1) ? ULONG_MAX : ULONG_MAX - 1;
    GmpInteger s, r;
    mpz_rootrem(s, r, R(a), static_cast<unsigned long>(n));
    StoreTwo(root, s, remainder, r);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Factorial(BYTE out, LONG n) {
  return GuardedWrite(out, [&]() -> HRESULT {
    if (n < 0 || !FactorialFits(static_cast<std::uint64_t>(n))) return E_INVALIDARG;
    mpz_fac_ui(R(out), static_cast<unsigned long>(n));
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Fibonacci(BYTE out, LONG_PTR n) {
  return GuardedWrite(out, [&] { return LucasSequence(mpz_fib_ui, R(out), n); });
}

STDMETHODIMP CBignumArithmeticInteger::LucNum(BYTE out, LONG_PTR n) {
  return GuardedWrite(out, [&] { return LucasSequence(mpz_lucnum_ui, R(out), n); });
}

STDMETHODIMP CBignumArithmeticInteger::FileSet(BYTE reg, BSTR file_name, LONG base) {
  return OnStore([&]() -> HRESULT {
    if (!ValidReadBase(base)) return E_INVALIDARG;
    NumberFile file(UpToNul(file_name), L"r");
    if (!file.get()) return E_ACCESSDENIED;
    GmpInteger value;
    size_t consumed = mpz_inp_str(value, file.get(), base);
    if (consumed == 0) return E_INVALIDARG;  // no digit: the register keeps its value
    mpz_swap(R(reg), value);
    return S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::FileGet(BYTE reg, BSTR file_name, LONG base) {
  return OnStore([&]() -> HRESULT {
    // Checked before the file is opened: opening for writing truncates it.
    if (!ValidWriteBase(base)) return E_INVALIDARG;
    NumberFile file(UpToNul(file_name), L"w");
    if (!file.get()) return E_ACCESSDENIED;
    size_t written = mpz_out_str(file.get(), base, R(reg));
    bool closed = file.Close();
    return (written == 0 || !closed) ? E_INVALIDARG : S_OK;
  });
}

STDMETHODIMP CBignumArithmeticInteger::Clear(LONG reg) {
  return OnStore([&] {
    auto clear = [](mpz_ptr r) {
      mpz_set_si(r, 0);
      mpz_realloc2(r, 0);
    };
    ForOneOrAllRegisters(reg, [&](BYTE i) { clear(R(i)); });
    return S_OK;
  });
}

}  // namespace korvel
