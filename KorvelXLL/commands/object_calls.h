// The object-model calls of the menu commands: one member of one object through AutoWrap (get, call or
// put), the objects they give held by an owner, and the values that commands pass.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>

#include "host/auto_wrap.h"
#include "host/owned_variant.h"

namespace korvel::xll {

// The Invoke flags of the commands' calls.
enum MemberAccess : int {
  kCallMember = DISPATCH_METHOD,        // call X
  kGetMember = DISPATCH_PROPERTYGET,    // get X
  kPutMember = DISPATCH_PROPERTYPUT,    // put X: the value is the one argument
};

// One member of `object` (null gives AutoWrap's 1) with `args` in DISPPARAMS order, the member's last
// argument first; `result` receives the member's result and must be empty, or null. 0 on success.
HRESULT CallMember(MemberAccess access, IDispatch* object, const wchar_t* name, VARIANT* result,
                   std::initializer_list<VARIANT> args = {});

// A member's result held for as long as a command needs the object it gives.
class HeldObject {
 public:
  // The result argument of the next call: whatever was held before is let go.
  VARIANT* out() {
    value_.Clear();
    return &value_;
  }
  // The object held; null when the result was no object.
  IDispatch* get() const { return value_.vt == VT_DISPATCH ? value_.pdispVal : nullptr; }
  // The result as the host gave it.
  const VARIANT& value() const { return value_; }

 private:
  OwnedVariant value_;
};

// Whether two pointers reach the same COM object (the identity of their IUnknown).
bool SameObject(IDispatch* a, IDispatch* b);

// A numeric result as a 64-bit integer, whatever numeric type the host gave; false for anything else.
bool ReadInteger(const VARIANT& value, long long& out);
// A result read as a truth value: true only for a value that converts to true.
bool ReadTruth(const VARIANT& value);
// A result as text; false when it does not convert to one.
bool ReadText(const VARIANT& value, std::wstring& out);

// The short forms of the commands that read values: get X into `result`, call X ignoring its result, put X.
inline IDispatch* ObjectOf(const VARIANT& v) { return v.vt == VT_DISPATCH ? v.pdispVal : nullptr; }

template <class... Args>
HRESULT GetMember(IDispatch* object, const wchar_t* name, OwnedVariant& result, const Args&... args) {
  result.Clear();
  return CallMember(kGetMember, object, name, &result, {static_cast<VARIANT>(args)...});
}

inline HRESULT CallMember(IDispatch* object, const wchar_t* name) {
  OwnedVariant ignored;
  return CallMember(kCallMember, object, name, &ignored);
}

inline HRESULT PutMember(IDispatch* object, const wchar_t* name, const VARIANT& value) {
  return CallMember(kPutMember, object, name, nullptr, {value});
}

// The automation conversion to a double (empty gives 0, a number stored as text converts).
inline bool ToDouble(const VARIANT& v, double& out) {
  OwnedVariant converted;
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&v), 0, VT_R8))) return false;
  out = converted.dblVal;
  return true;
}

}  // namespace korvel::xll
