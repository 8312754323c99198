#include "server/server_registration.h"

#include <oleauto.h>

#include <string>

#include "server/class_factory.h"
#include "common/com_owners.h"
#include "server/module.h"
#include "server/registrar.h"

namespace korvel {
namespace {

constexpr UINT kAppIdScript = 101;

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) { path.resize(n); return path; }
    path.resize(path.size() * 2);
  }
}

// Keeps the thread locale at the system default while the scripts run, and puts it back on every path.
class SystemLocaleScope {
 public:
  SystemLocaleScope() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~SystemLocaleScope() { SetThreadLocale(saved_); }

 private:
  LCID saved_;
};

// The key that a script's HKCR stands for.
class ClassesRoot {
 public:
  explicit ClassesRoot(bool per_user) {
    if (!per_user) { key_ = HKEY_CLASSES_ROOT; return; }
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                              &key_, nullptr);
    if (rc != ERROR_SUCCESS) { key_ = nullptr; error_ = HRESULT_FROM_WIN32(rc); }
    owned_ = key_ != nullptr;
  }
  ~ClassesRoot() { if (owned_) RegCloseKey(key_); }
  ClassesRoot(const ClassesRoot&) = delete;
  ClassesRoot& operator=(const ClassesRoot&) = delete;
  HKEY get() const { return key_; }
  HRESULT error() const { return error_; }

 private:
  HKEY key_ = nullptr;
  bool owned_ = false;
  HRESULT error_ = S_OK;
};

RegistryReplacements Replacements(bool with_module) {
  RegistryReplacements replacements;
  Module().AddCommonRGSReplacements(replacements);
  if (with_module) {
    std::wstring path = ModulePath();
    replacements.Add(L"Module", path);
    replacements.Add(L"Module_Raw", path);
  }
  return replacements;
}

// The per-user type-library calls are looked up by name: older systems' OLEAUT32.DLL lacks them.
template <class Fn>
Fn OleAutFunction(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  return oleaut ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

HRESULT LoadOwnTypeLibrary(std::wstring& path, ComPtr<ITypeLib>& library) {
  path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
}

HRESULT RegisterTypeLibrary(bool per_user) {
  std::wstring path;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadOwnTypeLibrary(path, library);
  if (FAILED(hr)) return hr;
  if (per_user) {
    if (auto for_user = OleAutFunction<RegisterForUserFn>("RegisterTypeLibForUser"))
      return for_user(library.get(), path.data(), nullptr);
  }
  return RegisterTypeLib(library.get(), path.data(), nullptr);
}

HRESULT UnregisterTypeLibrary(bool per_user) {
  std::wstring path;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadOwnTypeLibrary(path, library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  TLIBATTR identity = *attr;
  library->ReleaseTLibAttr(attr);
  if (per_user) {
    if (auto for_user = OleAutFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser"))
      return for_user(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum, identity.lcid, identity.syskind);
  }
  return UnRegisterTypeLib(identity.guid, identity.wMajorVerNum, identity.wMinorVerNum, identity.lcid,
                           identity.syskind);
}

}  // namespace

HRESULT RegisterServer(bool per_user) {
  SystemLocaleScope locale;
  ClassesRoot root(per_user);
  if (!root.get()) return root.error();
  HMODULE module = ThisModule();
  HRESULT hr = RunRegistryScriptResource(module, kAppIdScript, Replacements(false), ScriptAction::Register,
                                         root.get());
  if (FAILED(hr)) return hr;
  RegistryReplacements replacements = Replacements(true);
  for (const ObjectMapEntry* e = ObjectMapBegin(); e != ObjectMapEnd(); ++e) {
    hr = RunRegistryScriptResource(module, e->registry_script, replacements, ScriptAction::Register, root.get());
    if (FAILED(hr)) return hr;
  }
  return RegisterTypeLibrary(per_user);
}

HRESULT UnregisterServer(bool per_user) {
  SystemLocaleScope locale;
  ClassesRoot root(per_user);
  if (!root.get()) return root.error();
  HMODULE module = ThisModule();
  RegistryReplacements replacements = Replacements(true);
  for (const ObjectMapEntry* e = ObjectMapBegin(); e != ObjectMapEnd(); ++e) {
    HRESULT hr =
        RunRegistryScriptResource(module, e->registry_script, replacements, ScriptAction::Unregister, root.get());
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = UnregisterTypeLibrary(per_user);
  if (FAILED(hr)) return hr;
  return RunRegistryScriptResource(module, kAppIdScript, Replacements(false), ScriptAction::Unregister, root.get());
}

}  // namespace korvel
