// Shared fixtures: the built server loaded as a DLL, objects made through its exports, and Wine paths.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "common/com_owners.h"
#include "server/server_ids.h"

namespace korvel::test {

// Windows path (Z:\...) of a path in the Linux build tree.
std::wstring WinePath(const std::wstring& linux_path);
// The server DLL that the build made for this architecture.
std::wstring ServerDllPath();
std::wstring SourcePath(const std::wstring& relative);
// A new, empty folder under the temporary folder for one test.
std::wstring ScratchFolder(const std::wstring& name);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// The built server, loaded once for the whole test program.
class Server {
 public:
  static Server& Get();
  HMODULE module() const { return module_; }
  template <class Fn>
  Fn Export(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
  HRESULT CanUnloadNow() const;

  // An object of `clsid` made through the server's class factory, asked for `Interface`.
  template <class Interface>
  ComPtr<Interface> Create(REFCLSID clsid) const {
    ComPtr<IClassFactory> factory;
    ComPtr<Interface> object;
    if (SUCCEEDED(GetClassObject(clsid, IID_IClassFactory, factory.put_void())))
      factory->CreateInstance(nullptr, __uuidof(Interface), object.put_void());
    return object;
  }

 private:
  Server();
  HMODULE module_ = nullptr;
};

// Late-bound calls through IDispatch by member name, as a script client makes them.
class LateBound {
 public:
  explicit LateBound(IDispatch* object) : object_(object) {}
  // Calls `name` with `args` in source order; returns the HRESULT of Invoke (or the member's code when it
  // failed with an exception) and fills `result`. Takes ownership of what the arguments hold.
  HRESULT Call(const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args, VARIANT* result,
               std::initializer_list<std::pair<const wchar_t*, VARIANT>> named = {});

 private:
  IDispatch* object_;
};

VARIANT VI4(LONG v);
VARIANT VI8(LONGLONG v);
VARIANT VBstr(const wchar_t* text);  // a new BSTR, freed by LateBound::Call

}  // namespace korvel::test
