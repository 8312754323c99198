#include "server/class_factory.h"

#include <new>

#include "registers/bignum_float.h"
#include "registers/bignum_integer.h"
#include "server/module.h"
#include "server/object_base.h"
#include "server/server_ids.h"
#include "toolbox/vba.h"

namespace korvel {
namespace {

const ObjectMapEntry kObjectMap[] = {
    {&CLSID_BignumArithmeticFloat, 107, &CreateObject<CBignumArithmeticFloat>},
    {&CLSID_BignumArithmeticInteger, 106, &CreateObject<CBignumArithmeticInteger>},
    {&CLSID_VBA, 108, &CreateObject<CVBA>},
};
constexpr size_t kEntries = sizeof kObjectMap / sizeof kObjectMap[0];

// Class objects live in the entry's slot, encoded like every long-lived pointer the module keeps.
void* class_objects[kEntries] = {};

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateInstanceFn create) : create_(create) {
    InitializeCriticalSectionAndSpinCount(&lock_, 0);
  }
  ~ClassFactory() { DeleteCriticalSection(&lock_); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The cache holds one reference, which lets the server go; every further one belongs to a client, which
  // may call CreateInstance after the platform unloaded an idle server, so the first of them locks it.
  STDMETHODIMP_(ULONG) AddRef() override {
    LONG now = InterlockedIncrement(&refs_);
    if (now == 2) Module().Lock();
    return now;
  }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 1) Module().Unlock();
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return Guarded([&] { return create_(outer, iid, out); });
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) Module().Lock();
    else Module().Unlock();
    return S_OK;
  }

 private:
  CreateInstanceFn create_;
  volatile LONG refs_ = 0;
  CRITICAL_SECTION lock_;  // multi-threaded model: the factory may be called from any apartment
};

}  // namespace

const ObjectMapEntry* ObjectMapBegin() { return kObjectMap; }
const ObjectMapEntry* ObjectMapEnd() { return kObjectMap + kEntries; }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (size_t i = 0; i < kEntries; ++i) {
    if (!IsEqualCLSID(clsid, *kObjectMap[i].clsid)) continue;
    IUnknown* factory = nullptr;
    {
      ModuleLockScope scope;
      if (!class_objects[i]) {
        ClassFactory* created = new (std::nothrow) ClassFactory(kObjectMap[i].create);
        if (!created) return E_OUTOFMEMORY;
        IUnknown* unknown = nullptr;
        HRESULT hr = created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
        if (FAILED(hr)) { delete created; return hr; }
        class_objects[i] = EncodePointer(unknown);
      }
      factory = static_cast<IUnknown*>(DecodePointer(class_objects[i]));
    }
    return factory->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

void ReleaseClassObjects() {
  for (void*& slot : class_objects) {
    if (slot) static_cast<IUnknown*>(DecodePointer(slot))->Release();
    slot = nullptr;
  }
}

}  // namespace korvel
