#include "commands/object_calls.h"

#include <vector>

#include "common/com_owners.h"
#include "host/auto_wrap.h"

namespace korvel::xll {

HRESULT CallMember(MemberAccess access, IDispatch* object, const wchar_t* name, VARIANT* result,
                   std::initializer_list<VARIANT> args) {
  // AutoWrap takes its arguments as VARIANTs by value: one call per count that the commands use.
  const VARIANT* a = args.begin();
  switch (args.size()) {
    case 0: return AutoWrap(access, result, object, name, 0);
    case 1: return AutoWrap(access, result, object, name, 1, a[0]);
    case 2: return AutoWrap(access, result, object, name, 2, a[0], a[1]);
    case 3: return AutoWrap(access, result, object, name, 3, a[0], a[1], a[2]);
    case 4: return AutoWrap(access, result, object, name, 4, a[0], a[1], a[2], a[3]);
    case 5: return AutoWrap(access, result, object, name, 5, a[0], a[1], a[2], a[3], a[4]);
    default: return E_INVALIDARG;
  }
}

bool SameObject(IDispatch* a, IDispatch* b) {
  if (!a || !b) return false;
  korvel::ComPtr<IUnknown> ua, ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, ua.put_void())) ||
      FAILED(b->QueryInterface(IID_IUnknown, ub.put_void())))
    return false;
  return ua.get() == ub.get();
}

bool ReadInteger(const VARIANT& value, long long& out) {
  switch (value.vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT: case VT_UI1: case VT_UI2: case VT_UI4:
    case VT_UI8: case VT_UINT: case VT_R4: case VT_R8: case VT_DECIMAL: case VT_CY:
      break;
    default:
      return false;
  }
  OwnedVariant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I8))) return false;
  out = converted.llVal;
  return true;
}

bool ReadTruth(const VARIANT& value) {
  OwnedVariant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BOOL))) return false;
  return converted.boolVal != VARIANT_FALSE;
}

bool ReadText(const VARIANT& value, std::wstring& out) {
  if (value.vt == VT_BSTR) {
    out.assign(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal));
    return true;
  }
  OwnedVariant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return false;
  out.assign(converted.bstrVal ? converted.bstrVal : L"", SysStringLen(converted.bstrVal));
  return true;
}

}  // namespace korvel::xll
