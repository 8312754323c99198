#include "test_support.h"

#include "apartment_environment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace korvel::test {

std::wstring WinePath(const std::wstring& linux_path) {
  std::wstring out = L"Z:" + linux_path;
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::wstring ServerDllPath() { return WinePath(KORVEL_COM_DLL); }
std::wstring SourcePath(const std::wstring& relative) { return WinePath(std::wstring(KORVEL_SOURCE_DIR) + L"/" + relative); }

std::wstring ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"korvel-test-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\";
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Server& Server::Get() {
  static Server server;
  return server;
}

Server::Server() : module_(LoadLibraryW(ServerDllPath().c_str())) {}

HRESULT Server::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
  auto fn = Export<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
  return fn ? fn(clsid, iid, out) : E_FAIL;
}

HRESULT Server::CanUnloadNow() const {
  auto fn = Export<HRESULT(WINAPI*)()>("DllCanUnloadNow");
  return fn ? fn() : E_FAIL;
}

HRESULT LateBound::Call(const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args, VARIANT* result,
                        std::initializer_list<std::pair<const wchar_t*, VARIANT>> named) {
  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(name)};
  for (const auto& n : named) names.push_back(const_cast<LPOLESTR>(n.first));
  std::vector<DISPID> ids(names.size());
  HRESULT hr = object_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                      ids.data());
  if (FAILED(hr)) {
    for (VARIANT v : args) VariantClear(&v);
    for (const auto& n : named) VariantClear(const_cast<VARIANT*>(&n.second));
    return hr;
  }
  // DISPPARAMS hold named arguments first, then the positional ones in reverse order.
  std::vector<VARIANT> all;
  std::vector<DISPID> named_ids;
  for (size_t i = 0; i < named.size(); ++i) {
    all.push_back((named.begin() + i)->second);
    named_ids.push_back(ids[i + 1]);
  }
  if (flags & DISPATCH_PROPERTYPUT) {
    // The last source argument is the new value, passed as the named DISPID_PROPERTYPUT.
    std::vector<VARIANT> source(args);
    all.insert(all.begin(), source.back());
    named_ids.insert(named_ids.begin(), DISPID_PROPERTYPUT);
    for (size_t i = source.size() - 1; i-- > 0;) all.push_back(source[i]);
  } else {
    std::vector<VARIANT> source(args);
    for (size_t i = source.size(); i-- > 0;) all.push_back(source[i]);
  }
  DISPPARAMS params{all.data(), named_ids.data(), static_cast<UINT>(all.size()), static_cast<UINT>(named_ids.size())};
  EXCEPINFO exception = {};
  UINT arg_error = 0;
  if (result) VariantInit(result);
  hr = object_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &arg_error);
  for (VARIANT& v : all) VariantClear(&v);
  if (hr == DISP_E_EXCEPTION) {
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return exception.scode ? exception.scode : hr;
  }
  return hr;
}

VARIANT VI4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I4;
  V_I4(&x) = v;
  return x;
}

VARIANT VI8(LONGLONG v) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_I8;
  V_I8(&x) = v;
  return x;
}

VARIANT VBstr(const wchar_t* text) {
  VARIANT x;
  VariantInit(&x);
  V_VT(&x) = VT_BSTR;
  V_BSTR(&x) = SysAllocString(text);
  return x;
}

}  // namespace korvel::test
