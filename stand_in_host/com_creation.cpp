#include "com_creation.h"

#include <objbase.h>

#include "import_hook.h"

namespace korvel::standin {
namespace {

HRESULT WINAPI HookedCLSIDFromProgID(LPCOLESTR prog_id, LPCLSID clsid) {
  return ComCreation::Get().Lookup(prog_id, clsid);
}
HRESULT WINAPI HookedCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  return ComCreation::Get().Create(clsid, outer, context, iid, out);
}

template <class Fn>
Fn Real(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ole32.dll"), name)));
}

}  // namespace

ComCreation& ComCreation::Get() {
  static ComCreation creation;
  return creation;
}

int ComCreation::Hook(HMODULE module) {
  int patched = 0;
  patched += PatchImport(module, "ole32.dll", "CLSIDFromProgID", reinterpret_cast<void*>(&HookedCLSIDFromProgID));
  patched += PatchImport(module, "ole32.dll", "CoCreateInstance", reinterpret_cast<void*>(&HookedCoCreateInstance));
  return patched;
}

void ComCreation::Reset() {
  prog_id_failure_ = S_OK;
  creation_failure_ = S_OK;
  lookups_.clear();
  creations_.clear();
}

HRESULT ComCreation::Lookup(LPCOLESTR prog_id, CLSID* clsid) {
  CreationCall call;
  call.prog_id = prog_id ? prog_id : L"";
  if (FAILED(prog_id_failure_)) {
    if (clsid) *clsid = CLSID_NULL;
    call.returned = prog_id_failure_;
  } else {
    static auto real = Real<HRESULT(WINAPI*)(LPCOLESTR, LPCLSID)>("CLSIDFromProgID");
    call.returned = real(prog_id, clsid);
  }
  lookups_.push_back(call);
  return call.returned;
}

HRESULT ComCreation::Create(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out) {
  CreationCall call;
  call.clsid = clsid;
  call.outer = outer != nullptr;
  call.context = context;
  call.iid = iid;
  if (FAILED(creation_failure_)) {
    if (out) *out = nullptr;
    call.returned = creation_failure_;
  } else {
    static auto real = Real<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>("CoCreateInstance");
    call.returned = real(clsid, outer, context, iid, out);
  }
  creations_.push_back(call);
  return call.returned;
}

}  // namespace korvel::standin
