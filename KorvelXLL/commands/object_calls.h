// The object-model calls of the menu commands: get X, call X and put X (AutoWrap flags 2, 1 and 4) on the
// host's Application or on an object that an earlier call gave. Arguments go as AutoWrap takes them, the
// member's last argument first; the caller keeps and clears them. Any result but 0 is a failure.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "host/auto_wrap.h"
#include "host/owned_variant.h"

namespace korvel::xll {

inline IDispatch* ObjectOf(const VARIANT& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }

template <class... Args>
HRESULT GetMember(IDispatch* object, const wchar_t* name, OwnedVariant& result, const Args&... args) {
  result.Clear();
  return AutoWrap(DISPATCH_PROPERTYGET, &result, object, name, static_cast<int>(sizeof...(args)),
                  static_cast<VARIANT>(args)...);
}

inline HRESULT CallMember(IDispatch* object, const wchar_t* name) {
  OwnedVariant ignored;
  return AutoWrap(DISPATCH_METHOD, &ignored, object, name, 0);
}

inline HRESULT PutMember(IDispatch* object, const wchar_t* name, const VARIANT& value) {
  return AutoWrap(DISPATCH_PROPERTYPUT, nullptr, object, name, 1, value);
}

// The automation conversion to a double (empty gives 0, a number stored as text converts).
inline bool ToDouble(const VARIANT& v, double& out) {
  OwnedVariant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&v), 0, VT_R8))) return false;
  out = converted.dblVal;
  return true;
}

}  // namespace korvel::xll
