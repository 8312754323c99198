// Type information of one dual interface, loaded from the registered type library on first use and kept
// until the library unloads. Shared by every object of the class.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace korvel {

class TypeInfoHolder {
 public:
  explicit TypeInfoHolder(const IID& iid) : iid_(iid) {}
  ~TypeInfoHolder();
  TypeInfoHolder(const TypeInfoHolder&) = delete;
  TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

  // The interface's description as the library names it (a dispatch interface for a dual one), with one
  // reference added for the caller.
  HRESULT GetTypeInfo(LCID lcid, ITypeInfo** out);
  // The vtable half of the dual interface: what ITypeInfo::Invoke needs to call members directly.
  HRESULT GetVtableInfo(LCID lcid, ITypeInfo** borrowed);

 private:
  HRESULT EnsureLoaded(LCID lcid);

  const IID& iid_;
  ITypeInfo* dispatch_info_ = nullptr;
  ITypeInfo* vtable_info_ = nullptr;
};

}  // namespace korvel
