// The add-in's owning VARIANT: copies with VariantCopy, clears when destroyed. It is laid out as a bare
// VARIANT, so that a vector of them is the argument array of DISPPARAMS.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "common/com_owners.h"

namespace korvel::xll {

// A failed VARIANT operation, carrying its HRESULT.
struct VariantError {
  HRESULT hr;
};

class OwnedVariant : public VARIANT {
 public:
  OwnedVariant() { VariantInit(this); }
  OwnedVariant(const OwnedVariant& o) : OwnedVariant() { Copy(o); }
  explicit OwnedVariant(const VARIANT& v) : OwnedVariant() { Copy(v); }
  OwnedVariant(OwnedVariant&& o) noexcept : VARIANT(o) { VariantInit(&o); }
  OwnedVariant& operator=(const OwnedVariant& o) {
    if (this != &o) {
      OwnedVariant copy(o);
      Swap(copy);
    }
    return *this;
  }
  OwnedVariant& operator=(OwnedVariant&& o) noexcept {
    Swap(o);
    return *this;
  }
  ~OwnedVariant() { VariantClear(this); }

  static OwnedVariant I4(LONG v) { OwnedVariant o; o.vt = VT_I4; o.lVal = v; return o; }
  static OwnedVariant I8(long long v) { OwnedVariant o; o.vt = VT_I8; o.llVal = v; return o; }
  static OwnedVariant Bool(bool v) { OwnedVariant o; o.vt = VT_BOOL; o.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return o; }
  static OwnedVariant Text(const wchar_t* text) {
    OwnedVariant o;
    o.bstrVal = SysAllocString(text);
    if (!o.bstrVal) throw VariantError{E_OUTOFMEMORY};
    o.vt = VT_BSTR;
    return o;
  }
  // Takes over the contents of `v`, which is left empty.
  static OwnedVariant Adopt(VARIANT& v) {
    OwnedVariant o;
    static_cast<VARIANT&>(o) = v;
    VariantInit(&v);
    return o;
  }

  void Clear() {
    HRESULT hr = VariantClear(this);
    if (FAILED(hr)) throw VariantError{hr};
  }
  void Swap(OwnedVariant& o) noexcept { std::swap(static_cast<VARIANT&>(*this), static_cast<VARIANT&>(o)); }

 private:
  void Copy(const VARIANT& v) {
    HRESULT hr = VariantCopy(this, const_cast<VARIANT*>(&v));
    if (FAILED(hr)) throw VariantError{hr};
  }
};

static_assert(sizeof(OwnedVariant) == sizeof(VARIANT), "an argument vector must be a VARIANT array");

}  // namespace korvel::xll
