// BignumArithmeticInteger: arbitrary-precision integers in the process-wide integer store.
#pragma once

#include "server/object_base.h"
#include "server/server_ids.h"

namespace korvel {

class CBignumArithmeticInteger : public DispatchObject<IBignumArithmeticInteger> {
 public:
  explicit CBignumArithmeticInteger(IUnknown* outer) : DispatchObject(outer) {}

  STDMETHODIMP Help() override;
  STDMETHODIMP get_Bignum(BYTE reg, LONG base, BSTR* text) override;
  STDMETHODIMP put_Bignum(BYTE reg, LONG base, BSTR text) override;
  STDMETHODIMP get_Sign(BYTE reg, LONG* sign) override;
  STDMETHODIMP get_Even(BYTE reg, LONG* even) override;
  STDMETHODIMP Compare(BYTE a, BYTE b, LONG* order) override;
  STDMETHODIMP BignumSet(BYTE reg, BSTR text, LONG base) override;
  STDMETHODIMP Sum(BYTE out, BYTE a, BYTE b) override;
  STDMETHODIMP SumL(BYTE out, BYTE a, LONG_PTR operand) override;
  STDMETHODIMP Abs(BYTE out, BYTE a) override;
  STDMETHODIMP Negate(BYTE out, BYTE a) override;
  STDMETHODIMP Subtract(BYTE out, BYTE a, BYTE b) override;
  STDMETHODIMP SubtractL(BYTE out, BYTE a, LONG_PTR operand) override;
  STDMETHODIMP Multiply(BYTE out, BYTE a, BYTE b) override;
  STDMETHODIMP MultiplyL(BYTE out, BYTE a, LONG_PTR operand) override;
  STDMETHODIMP Divide(BYTE quotient, BYTE remainder, BYTE a, BYTE b) override;
  STDMETHODIMP DivideL(BYTE quotient, BYTE remainder, BYTE a, LONG_PTR divisor) override;
  STDMETHODIMP Power(BYTE out, BYTE a, LONG_PTR exponent) override;
  STDMETHODIMP Clone(BYTE out, BYTE a) override;
  STDMETHODIMP RootRem(BYTE root, BYTE remainder, BYTE a, LONG_PTR n_root) override;
  STDMETHODIMP Factorial(BYTE out, LONG n) override;
  STDMETHODIMP Fibonacci(BYTE out, LONG_PTR n) override;
  STDMETHODIMP LucNum(BYTE out, LONG_PTR n) override;
  STDMETHODIMP FileSet(BYTE reg, BSTR file_name, LONG base) override;
  STDMETHODIMP FileGet(BYTE reg, BSTR file_name, LONG base) override;
  STDMETHODIMP Clear(LONG reg) override;
};

}  // namespace korvel
