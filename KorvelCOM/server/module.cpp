#include "server/module.h"

#include "server/class_factory.h"
#include "server/registrar.h"
#include "server/server_ids.h"

namespace korvel {

CKorvelCOMModule::CKorvelCOMModule() {
  if (!InitializeCriticalSectionAndSpinCount(&lock_, 0)) failed_init_ = true;
}

CKorvelCOMModule::~CKorvelCOMModule() {
  ReleaseClassObjects();
  if (git_) git_->Release();
  if (!failed_init_) DeleteCriticalSection(&lock_);
}

LONG CKorvelCOMModule::Lock() { return InterlockedIncrement(&lock_count_); }
LONG CKorvelCOMModule::Unlock() { return InterlockedDecrement(&lock_count_); }
LONG CKorvelCOMModule::GetLockCount() { return lock_count_; }

HRESULT CKorvelCOMModule::GetGITPtr(IGlobalInterfaceTable** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ModuleLockScope scope;
  if (!git_) {
    HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&git_));
    if (FAILED(hr)) return hr;
  }
  git_->AddRef();
  *out = git_;
  return S_OK;
}

void CKorvelCOMModule::AddCommonRGSReplacements(RegistryReplacements& replacements) {
  replacements.Add(L"APPID", GuidRegistryText(LIBID_KorvelCOM));
}

}  // namespace korvel
