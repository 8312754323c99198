#include "server/type_info_holder.h"

#include "common/com_owners.h"
#include "server/module.h"
#include "server/server_ids.h"

namespace korvel {
namespace {

constexpr LCID kLibraryLocale = 1033;

}  // namespace

TypeInfoHolder::~TypeInfoHolder() {
  if (vtable_info_) vtable_info_->Release();
  if (dispatch_info_) dispatch_info_->Release();
}

HRESULT TypeInfoHolder::EnsureLoaded(LCID lcid) {
  ModuleLockScope scope;
  if (vtable_info_) return S_OK;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadRegTypeLib(LIBID_KorvelCOM, 1, 0, lcid, library.put());
  // The library is registered under its own locale (1033); a caller in another locale (a Russian user,
  // or a client that passes LOCALE_USER_DEFAULT) must still find it.
  if (hr == TYPE_E_LIBNOTREGISTERED && lcid != kLibraryLocale)
    hr = LoadRegTypeLib(LIBID_KorvelCOM, 1, 0, kLibraryLocale, library.put());
  if (FAILED(hr)) return hr;  // not registered: the next call tries again
  ComPtr<ITypeInfo> info;
  hr = library->GetTypeInfoOfGuid(iid_, info.put());
  if (FAILED(hr)) return hr;
  // A dual interface is described twice; ITypeInfo::Invoke on the dispatch half would call IDispatch::Invoke
  // again, so members are invoked through the vtable half.
  ComPtr<ITypeInfo> vtable = info;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    bool dual_dispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    if (dual_dispatch) {
      HREFTYPE ref = 0;
      hr = info->GetRefTypeOfImplType(-1, &ref);
      if (SUCCEEDED(hr)) hr = info->GetRefTypeInfo(ref, vtable.put());
      if (FAILED(hr)) return hr;
    }
  }
  dispatch_info_ = info.detach();
  vtable_info_ = vtable.detach();
  return S_OK;
}

HRESULT TypeInfoHolder::GetTypeInfo(LCID lcid, ITypeInfo** out) {
  HRESULT hr = EnsureLoaded(lcid);
  if (FAILED(hr)) return hr;
  dispatch_info_->AddRef();
  *out = dispatch_info_;
  return S_OK;
}

HRESULT TypeInfoHolder::GetVtableInfo(LCID lcid, ITypeInfo** borrowed) {
  HRESULT hr = EnsureLoaded(lcid);
  if (FAILED(hr)) return hr;
  *borrowed = vtable_info_;
  return S_OK;
}

}  // namespace korvel
