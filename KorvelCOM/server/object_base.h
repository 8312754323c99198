// The one dispatch layer of the three classes: IUnknown with aggregation, and IDispatch answered from the
// type library. A class derives from DispatchObject over its dual interface and implements only its members.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <new>

#include "common/com_owners.h"
#include "server/dispatch_defaults.h"
#include "server/module.h"
#include "server/type_info_holder.h"

namespace korvel {

template <class Interface>
class DispatchObject : public Interface {
 public:
  explicit DispatchObject(IUnknown* outer) : inner_(this), controlling_(outer ? outer : &inner_) { Module().Lock(); }
  virtual ~DispatchObject() { Module().Unlock(); }
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  // IUnknown: everything goes to the controlling unknown (the outer object when aggregated).
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return controlling_->QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return Guarded([&] { return TypeInfo().GetTypeInfo(lcid, out); });
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return Guarded([&]() -> HRESULT {
      ITypeInfo* info = nullptr;
      HRESULT hr = TypeInfo().GetVtableInfo(lcid, &info);
      if (FAILED(hr)) return hr;
      return info->GetIDsOfNames(names, count, ids);
    });
  }
  STDMETHODIMP Invoke(DISPID member, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) override {
    return Guarded([&]() -> HRESULT {
      ITypeInfo* info = nullptr;
      HRESULT hr = TypeInfo().GetVtableInfo(lcid, &info);
      if (FAILED(hr)) return hr;
      DISPPARAMS none = {};
      CompletedArguments completed;
      DISPPARAMS* used = params ? params : &none;
      if (completed.Complete(__uuidof(Interface), info, member, flags, *used)) used = completed.get();
      return info->Invoke(static_cast<Interface*>(this), member, flags, used, result, exception, arg_error);
    });
  }

  // The object's own identity, which the class factory hands out first.
  IUnknown* InnerUnknown() { return &inner_; }

 private:
  static TypeInfoHolder& TypeInfo() {
    static TypeInfoHolder holder(__uuidof(Interface));
    return holder;
  }

  HRESULT InnerQueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = &inner_;
    } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(Interface))) {
      *out = static_cast<Interface*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }

  // The non-delegating unknown: owns the reference count. Single-threaded objects: no atomic counting.
  struct Inner final : IUnknown {
    explicit Inner(DispatchObject* self) : self(self) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return self->InnerQueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
      ULONG left = --refs;
      if (left == 0) delete self;
      return left;
    }
    DispatchObject* self;
    ULONG refs = 0;
  };

  Inner inner_;
  IUnknown* controlling_;
};

// Creation through a class factory: no aggregation unless IUnknown is asked for, one lock count per object.
template <class Object>
HRESULT CreateObject(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  Object* object = new (std::nothrow) Object(outer);
  if (!object) return E_OUTOFMEMORY;
  IUnknown* inner = object->InnerUnknown();
  inner->AddRef();
  HRESULT hr = inner->QueryInterface(iid, out);
  inner->Release();  // destroys the object when the query failed
  return hr;
}

}  // namespace korvel
