#include "object_model/host_object.h"

#include <cwctype>

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {

std::wstring Lower(const std::wstring& s) {
  std::wstring out = s;
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

bool ToLong(const VARIANT* v, LONG& out) {
  if (!v) return false;
  OwnedVariant copy;
  if (FAILED(VariantChangeType(&copy, const_cast<VARIANT*>(v), 0, VT_I4))) return false;
  out = copy.lVal;
  return true;
}

bool IsNumber(const VARIANT* v) {
  switch (v->vt) {
    case VT_I2: case VT_I4: case VT_I8: case VT_R4: case VT_R8: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: return true;
    default: return false;
  }
}

// Written over the result argument, as the host writes its results: what the argument held is neither
// cleared nor released (HostObject::Invoke records it as the caller's fault).
HRESULT GiveValue(HostObject::Call& call, const VARIANT& v) {
  if (!call.result) return S_OK;
  VariantInit(call.result);
  return VariantCopy(call.result, const_cast<VARIANT*>(&v));
}

HostObject::Member ReadOnly(std::function<OwnedVariant()> get) {
  return [get](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    return GiveValue(call, get());
  };
}

HostObject::Member ItemByIndexOrName(std::function<HostObject*(size_t)> at,
                                     std::function<HostObject*(const std::wstring&)> named) {
  return [at, named](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    HostObject* found = nullptr;
    if (IsNumber(call.args[0])) {
      LONG index = 0;
      if (!ToLong(call.args[0], index)) return DISP_E_TYPEMISMATCH;
      if (index >= 1) found = at(static_cast<size_t>(index - 1));
    } else if (call.args[0]->vt == VT_BSTR) {
      found = named(Lower(std::wstring(call.args[0]->bstrVal, SysStringLen(call.args[0]->bstrVal))));
    } else {
      return DISP_E_TYPEMISMATCH;
    }
    if (!found) return DISP_E_BADINDEX;
    HostObject::Call plain = call;
    plain.args.clear();
    return HostObject::GiveObject(plain, found);
  };
}

SeenArg SeeArg(const VARIANT& v) {
  SeenArg a;
  a.vt = v.vt;
  if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) {
    a.text = L"<object>";
    return a;
  }
  OwnedVariant text;
  if (v.vt != VT_EMPTY && v.vt != VT_ERROR &&
      SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&v), 0x0409, VARIANT_ALPHABOOL, VT_BSTR)))
    a.text.assign(text.bstrVal, SysStringLen(text.bstrVal));
  return a;
}

// ---- Released objects

namespace {

// The memory of released objects, kept for the rest of the process: a caller that still calls one reaches
// the table below instead of freed memory. Never destroyed, so that objects released during the program's
// own shutdown find it.
std::vector<std::pair<void*, std::wstring>>& Released() {
  static auto* released = new std::vector<std::pair<void*, std::wstring>>;
  return *released;
}

std::wstring KindOf(void* self) {
  for (const auto& r : Released())
    if (r.first == self) return r.second;
  return L"?";
}

// IDispatch in the platform's layout, every entry a recorded fault.
struct DeadDispatchTable {
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(void*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* AddRef)(void*);
  ULONG(STDMETHODCALLTYPE* Release)(void*);
  HRESULT(STDMETHODCALLTYPE* GetTypeInfoCount)(void*, UINT*);
  HRESULT(STDMETHODCALLTYPE* GetTypeInfo)(void*, UINT, LCID, ITypeInfo**);
  HRESULT(STDMETHODCALLTYPE* GetIDsOfNames)(void*, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
  HRESULT(STDMETHODCALLTYPE* Invoke)(void*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
};

void DeadCall(void* self, const wchar_t* method) {
  ObjectModel::Get().Fault(std::wstring(method) + L" on a released " + KindOf(self));
}

const DeadDispatchTable kDeadDispatch = {
    [](void* self, REFIID, void** out) -> HRESULT {
      DeadCall(self, L"QueryInterface");
      if (out) *out = nullptr;
      return E_UNEXPECTED;
    },
    [](void* self) -> ULONG { DeadCall(self, L"AddRef"); return 0; },
    [](void* self) -> ULONG { DeadCall(self, L"Release"); return 0; },
    [](void* self, UINT*) -> HRESULT { DeadCall(self, L"GetTypeInfoCount"); return E_UNEXPECTED; },
    [](void* self, UINT, LCID, ITypeInfo**) -> HRESULT { DeadCall(self, L"GetTypeInfo"); return E_UNEXPECTED; },
    [](void* self, REFIID, LPOLESTR*, UINT, LCID, DISPID*) -> HRESULT {
      DeadCall(self, L"GetIDsOfNames");
      return E_UNEXPECTED;
    },
    [](void* self, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) -> HRESULT {
      DeadCall(self, L"Invoke");
      return E_UNEXPECTED;
    },
};

}  // namespace

// ---- HostObject

namespace {
long g_live_objects = 0;
}

namespace {
long g_made_for_call_alive = 0;
bool g_free_released = false;
}  // namespace

void HostObject::set_free_released(bool on) { g_free_released = on; }

HostObject::HostObject(std::wstring kind) : kind_(std::move(kind)) { ++g_live_objects; }

HostObject::~HostObject() {
  --g_live_objects;
  if (made_for_call_) --g_made_for_call_alive;
  if (!g_free_released) Released().emplace_back(static_cast<void*>(this), kind_);
}

long HostObject::live() { return g_live_objects; }

void HostObject::MarkMadeForCall() {
  if (made_for_call_) return;
  made_for_call_ = true;
  ++g_made_for_call_alive;
}

long HostObject::made_for_call_alive() { return g_made_for_call_alive; }

void* HostObject::operator new(size_t size) { return ::operator new(size); }

void HostObject::operator delete(void* memory) {
  // Not freed: an IDispatch pointer is the address of its table pointer, which from now on leads to the
  // dead table.
  if (g_free_released) {
    ::operator delete(memory);
    return;
  }
  if (memory) *static_cast<const DeadDispatchTable**>(memory) = &kDeadDispatch;
}

ULONG HostObject::Release() {
  const LONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

HRESULT HostObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  if (IUnknown* further = interfaces_ ? interfaces_(iid) : nullptr) {
    further->AddRef();
    *out = further;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT HostObject::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT HostObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT HostObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  ObjectModel& model = ObjectModel::Get();
  if (model.counting()) {
    CountedLookup counted;
    counted.object = kind_;
    counted.nested = model.serving();
    for (UINT n = 0; names && n < count; ++n) counted.names += (n ? L"," : L"") + std::wstring(names[n] ? names[n] : L"");
    model.Count(std::move(counted));
  } else {
    SeenLookup seen;
    seen.object = kind_;
    seen.count = count;
    seen.lcid = lcid;
    seen.iid = iid;
    seen.nested = model.serving();
    for (UINT n = 0; names && n < count; ++n) seen.names.push_back(names[n] ? names[n] : L"");
    model.Record(std::move(seen));
  }
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT n = 0; n < count; ++n) {
    ids[n] = DISPID_UNKNOWN;
    const std::wstring wanted = Lower(names[n] ? names[n] : L"");
    for (size_t i = 0; i < members_.size(); ++i)
      if (!wanted.empty() && lower_names_[i] == wanted) ids[n] = static_cast<DISPID>(i + 1);
    if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT HostObject::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  const std::wstring name = members_[id - 1].first;
  ObjectModel& model = ObjectModel::Get();
  if (result && result->vt != VT_EMPTY)
    model.Fault(L"Invoke of " + kind_ + L"." + name + L" was handed a result holding type " +
                std::to_wstring(result->vt) + L": the host writes over it and what it held leaks");
  Call call;
  call.flags = flags;
  call.result = result;
  // In counting mode only the arguments' types are kept: seeing each as text is what a million calls
  // cannot afford.
  const bool counting = model.counting();
  SeenInvoke seen;
  std::vector<VARTYPE> arg_types;
  seen.object = kind_;
  seen.member = name;
  seen.flags = flags;
  seen.lcid = lcid;
  seen.iid = iid;
  seen.nested = model.serving();
  if (params) {
    const UINT named = params->cNamedArgs;
    for (UINT i = 0; i < named && i < params->cArgs; ++i) {
      if (!counting) {
        seen.named.push_back(params->rgdispidNamedArgs[i]);
        seen.named_args.push_back(SeeArg(params->rgvarg[i]));
      }
      if (params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) call.value = &params->rgvarg[i];
    }
    // DISPPARAMS hold the last positional argument first.
    for (UINT i = params->cArgs; i > named; --i) {
      call.args.push_back(&params->rgvarg[i - 1]);
      if (counting) arg_types.push_back(params->rgvarg[i - 1].vt);
      else seen.args.push_back(SeeArg(params->rgvarg[i - 1]));
    }
  }
  HRESULT hr;
  if (const MemberFailure* f = model.MatchFailure(this, name, flags)) {
    if (result && f->clear_result) VariantClear(result);
    if (result && f->write_result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = 7;
    }
    hr = f->hr;
  } else if (call.is_put() && !call.value) {
    hr = DISP_E_PARAMNOTFOUND;
  } else {
    // No reference of its own while the member runs: the host holds none either, so a caller that lets go
    // of the object during the call is seen. The member may release the object itself: nothing of it is
    // touched afterwards.
    model.BeginServing();
    hr = members_[id - 1].second(call);
    model.EndServing();
  }
  if (counting) {
    CountedInvoke counted;
    counted.object = std::move(seen.object);
    counted.member = std::move(seen.member);
    counted.flags = flags;
    counted.returned = hr;
    counted.nested = seen.nested;
    counted.arg_types = std::move(arg_types);
    model.Count(std::move(counted));
  } else {
    seen.returned = hr;
    model.Record(std::move(seen));
  }
  return hr;
}

void HostObject::Define(const std::wstring& name, Member member) {
  const std::wstring lower = Lower(name);
  for (size_t i = 0; i < members_.size(); ++i)
    if (lower_names_[i] == lower) {
      members_[i].second = std::move(member);
      return;
    }
  members_.emplace_back(name, std::move(member));
  lower_names_.push_back(lower);
}

void HostObject::DefineValue(const std::wstring& name, const VARIANT& initial, VARTYPE type) {
  values_[Lower(name)] = OwnedVariant(initial);
  const std::wstring key = Lower(name);
  Define(name, [this, key, type](Call& call) -> HRESULT {
    OwnedVariant& stored = values_[key];
    if (call.is_put()) {
      if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
      // A value that does not convert to the property's type is refused; one that does is kept with the
      // type it came in, so that tests see what the caller put.
      if (type != VT_EMPTY) {
        OwnedVariant converted;
        if (FAILED(VariantChangeType(&converted, call.value, 0, type))) return DISP_E_TYPEMISMATCH;
      }
      OwnedVariant value;
      if (FAILED(VariantCopy(&value, call.value))) return DISP_E_TYPEMISMATCH;
      stored = std::move(value);
      return S_OK;
    }
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    return GiveValue(call, stored);
  });
}

void HostObject::DefineObject(const std::wstring& name, std::function<HostObject*()> get) {
  Define(name, [get](Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    return GiveObject(call, get());
  });
}

OwnedVariant& HostObject::Value(const std::wstring& name) { return values_[Lower(name)]; }

HostObject::Member HostObject::MemberOf(const std::wstring& name) const {
  const std::wstring lower = Lower(name);
  for (size_t i = 0; i < members_.size(); ++i)
    if (lower_names_[i] == lower) return members_[i].second;
  return nullptr;
}

HRESULT HostObject::GiveObject(Call& call, HostObject* object) {
  if (!call.args.empty()) {
    if (!object) return DISP_E_EXCEPTION;
    DISPID item = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Item");
    if (FAILED(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &item))) return DISP_E_BADPARAMCOUNT;
    std::vector<VARIANT> args;
    for (auto it = call.args.rbegin(); it != call.args.rend(); ++it) args.push_back(**it);
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return object->Invoke(item, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, call.result, nullptr,
                          nullptr);
  }
  if (!call.result) return S_OK;
  VariantInit(call.result);
  call.result->vt = VT_DISPATCH;
  call.result->pdispVal = object;
  if (object) object->AddRef();
  return S_OK;
}

// ---- HostCollection

HostCollection::HostCollection(std::wstring kind) : HostObject(std::move(kind)) {
  Define(L"Count", ReadOnly([this] { return I4(static_cast<LONG>(items_.size())); }));
  Define(L"Item", ItemByIndexOrName([this](size_t i) { return At(i); },
                                    [this](const std::wstring& name) { return Find(name); }));
  Define(L"Add", [this](Call& call) -> HRESULT {
    if (!factory_) return DISP_E_MEMBERNOTFOUND;
    korvel::ComPtr<HostObject> made = factory_(call);
    if (!made) return DISP_E_EXCEPTION;
    HostObject* item = Append(made);
    Call plain = call;
    plain.args.clear();
    return GiveObject(plain, item);
  });
}

HostObject* HostCollection::Append(korvel::ComPtr<HostObject> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

HostObject* HostCollection::Insert(size_t index, korvel::ComPtr<HostObject> item) {
  if (index > items_.size()) index = items_.size();
  return items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item))->get();
}

size_t HostCollection::IndexOf(const HostObject* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return i;
  return items_.size();
}

bool HostCollection::Remove(HostObject* item) {
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->get() == item) {
      items_.erase(it);
      return true;
    }
  return false;
}

HostObject* HostCollection::Find(const std::wstring& name) const {
  for (const auto& item : items_) {
    const OwnedVariant& n = item->Value(L"Name");
    if (n.vt == VT_BSTR && Lower(std::wstring(n.bstrVal, SysStringLen(n.bstrVal))) == Lower(name)) return item.get();
  }
  return nullptr;
}

}  // namespace korvel::standin
