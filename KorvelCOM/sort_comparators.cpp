#include "sort_comparators.h"

namespace korvel {
namespace {

bool PlainString(const VARIANT& v) { return V_VT(&v) == VT_BSTR; }

const wchar_t* TextOf(const VARIANT& v) { return V_BSTR(&v) ? V_BSTR(&v) : L""; }

bool SafeForVarCmp(const VARIANT& v) {
  VARTYPE vt = V_VT(&v);
  if (vt & VT_ARRAY) return false;
  switch (vt & VT_TYPEMASK) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_RECORD:
    case VT_VARIANT:
      return false;
    default:
      break;
  }
  return !(vt & VT_BYREF) || V_BYREF(&v) != nullptr;
}

// VarCmp's answer, or a failure code for pairs it must not see.
HRESULT Compare(const VARIANT& a, const VARIANT& b) {
  if (!SafeForVarCmp(a) || !SafeForVarCmp(b)) return DISP_E_TYPEMISMATCH;
  return VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, NORM_IGNORECASE);
}

}  // namespace

bool VariantLess(const VARIANT& a, const VARIANT& b) {
  if (PlainString(a) && PlainString(b)) return CompareCodeUnits(TextOf(a), TextOf(b)) < 0;
  HRESULT r = Compare(a, b);
  return r == VARCMP_LT || FAILED(r);
}

bool VariantGreater(const VARIANT& a, const VARIANT& b) {
  if (PlainString(a) && PlainString(b)) return CompareCodeUnits(TextOf(a), TextOf(b)) > 0;
  HRESULT r = Compare(a, b);
  return r == VARCMP_GT || r == VARCMP_NULL;
}

bool VariantEqual(const VARIANT& a, const VARIANT& b) {
  if (PlainString(a)) return PlainString(b) && CompareCodeUnits(TextOf(a), TextOf(b)) == 0;
  return Compare(a, b) == VARCMP_EQ;
}

}  // namespace korvel
