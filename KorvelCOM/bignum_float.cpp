#include "bignum_float.h"
// Members that are not built yet answer E_NOTIMPL.

#include "help_page.h"

namespace korvel {

STDMETHODIMP CBignumArithmeticFloat::Help() { return Guarded([] { return ShowHelpPage(); }); }

STDMETHODIMP CBignumArithmeticFloat::get_SizeBits(BYTE /*Bignum*/, LONG_PTR */*pVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::put_SizeBits(BYTE /*Bignum*/, LONG_PTR /*newVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::get_Bignum(BYTE /*Bignum*/, LONG /*BignumBase*/, LONG_PTR /*Precision*/, BSTR /*Separator*/, VARIANT_BOOL /*Exponential*/, BSTR */*pVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::put_Bignum(BYTE /*Bignum*/, LONG /*BignumBase*/, LONG_PTR /*Precision*/, BSTR /*Separator*/, VARIANT_BOOL /*Exponential*/, BSTR /*newVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::get_Sign(BYTE /*Bignum*/, LONG */*pVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Compare(BYTE /*Bignum1*/, BYTE /*Bignum2*/, LONG */*pVal*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::SizeBitsSet(BYTE /*Bignum*/, LONG_PTR /*SizeBits*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::BignumSet(BYTE /*Bignum*/, BSTR /*StringBSTR*/, LONG /*BignumBase*/, BSTR /*Separator*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Sum(BYTE /*BignumSet*/, BYTE /*Bignum1*/, BYTE /*Bignum2*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::SumL(BYTE /*BignumSet*/, BYTE /*Bignum1*/, LONG_PTR /*operand*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Abs(BYTE /*BignumSet*/, BYTE /*Bignum1*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Subtract(BYTE /*BignumSet*/, BYTE /*Bignum1*/, BYTE /*Bignum2*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::SubtractL(BYTE /*BignumSet*/, BYTE /*Bignum1*/, LONG_PTR /*operand*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Multiply(BYTE /*BignumSet*/, BYTE /*Bignum1*/, BYTE /*Bignum2*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::MultiplyL(BYTE /*BignumSet*/, BYTE /*Bignum1*/, LONG_PTR /*operand*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Divide(BYTE /*BignumSet*/, BYTE /*Bignum1*/, BYTE /*Bignum2*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::DivideL(BYTE /*BignumSet*/, BYTE /*Bignum1*/, LONG_PTR /*operand*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Root(BYTE /*BignumSet*/, BYTE /*Bignum1*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Negate(BYTE /*BignumSet*/, BYTE /*Bignum1*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Power(BYTE /*BignumSet*/, BYTE /*Bignum1*/, LONG_PTR /*operand*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Clone(BYTE /*BignumSet*/, BYTE /*Bignum1*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::FileSet(BYTE /*Bignum*/, BSTR /*StringBSTRFileName*/, LONG /*BignumBase*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::FileGet(BYTE /*Bignum*/, BSTR /*StringBSTRFileName*/, LONG /*BignumBase*/, LONG_PTR /*Precision*/) { return E_NOTIMPL; }

STDMETHODIMP CBignumArithmeticFloat::Clear(LONG /*Bignum*/) { return E_NOTIMPL; }

}  // namespace korvel
