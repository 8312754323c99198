// BignumArithmeticFloat: arbitrary-precision binary floats in the process-wide float store.
#pragma once

#include "server/object_base.h"
#include "server/server_ids.h"

namespace korvel {

class CBignumArithmeticFloat : public DispatchObject<IBignumArithmeticFloat> {
 public:
  explicit CBignumArithmeticFloat(IUnknown* outer) : DispatchObject(outer) {}

  STDMETHODIMP Help() override;
  STDMETHODIMP get_SizeBits(BYTE Bignum, LONG_PTR *pVal) override;
  STDMETHODIMP put_SizeBits(BYTE Bignum, LONG_PTR newVal) override;
  STDMETHODIMP get_Bignum(BYTE Bignum, LONG BignumBase, LONG_PTR Precision, BSTR Separator, VARIANT_BOOL Exponential, BSTR *pVal) override;
  STDMETHODIMP put_Bignum(BYTE Bignum, LONG BignumBase, LONG_PTR Precision, BSTR Separator, VARIANT_BOOL Exponential, BSTR newVal) override;
  STDMETHODIMP get_Sign(BYTE Bignum, LONG *pVal) override;
  STDMETHODIMP Compare(BYTE Bignum1, BYTE Bignum2, LONG *pVal) override;
  STDMETHODIMP SizeBitsSet(BYTE Bignum, LONG_PTR SizeBits) override;
  STDMETHODIMP BignumSet(BYTE Bignum, BSTR StringBSTR, LONG BignumBase, BSTR Separator) override;
  STDMETHODIMP Sum(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) override;
  STDMETHODIMP SumL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) override;
  STDMETHODIMP Abs(BYTE BignumSet, BYTE Bignum1) override;
  STDMETHODIMP Subtract(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) override;
  STDMETHODIMP SubtractL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) override;
  STDMETHODIMP Multiply(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) override;
  STDMETHODIMP MultiplyL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) override;
  STDMETHODIMP Divide(BYTE BignumSet, BYTE Bignum1, BYTE Bignum2) override;
  STDMETHODIMP DivideL(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) override;
  STDMETHODIMP Root(BYTE BignumSet, BYTE Bignum1) override;
  STDMETHODIMP Negate(BYTE BignumSet, BYTE Bignum1) override;
  STDMETHODIMP Power(BYTE BignumSet, BYTE Bignum1, LONG_PTR operand) override;
  STDMETHODIMP Clone(BYTE BignumSet, BYTE Bignum1) override;
  STDMETHODIMP FileSet(BYTE Bignum, BSTR StringBSTRFileName, LONG BignumBase) override;
  STDMETHODIMP FileGet(BYTE Bignum, BSTR StringBSTRFileName, LONG BignumBase, LONG_PTR Precision) override;
  STDMETHODIMP Clear(LONG Bignum) override;
};

}  // namespace korvel
