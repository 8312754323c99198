#include "toolbox/sort_comparators.h"

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

// The value of a Double or of a small integer, which a double holds exactly; false for anything else and
// for a NaN, which VarCmp answers in its own way. Singles are left to VarCmp: it compares a Single with a
// Double at the Single's precision.
bool SmallNumber(const VARIANT& v, double& out) {
  switch (V_VT(&v)) {
    case VT_UI1: out = V_UI1(&v); return true;
    case VT_I2: out = V_I2(&v); return true;
    case VT_I4: out = V_I4(&v); return true;
    case VT_R8: out = V_R8(&v); return out == out;
    default: return false;
  }
}

// VarCmp's answer, or a failure code for pairs it must not see. Pairs of small numbers, the bulk of a
// numeric column, are answered here as VarCmp would answer them: VarCmp's conversions and locale lookups
// cost more than the sort itself and serialise the worker threads.
HRESULT Compare(const VARIANT& a, const VARIANT& b) {
  double x, y;
  if (SmallNumber(a, x) && SmallNumber(b, y)) return x < y ? VARCMP_LT : x > y ? VARCMP_GT : VARCMP_EQ;
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
