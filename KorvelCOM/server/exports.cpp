// The five exports through which the platform and Regsvr32 reach the server, and its entry point.
#include <windows.h>

#include "server/class_factory.h"
#include "common/com_owners.h"
#include "server/module.h"
#include "server/module_pin.h"
#include "server/server_registration.h"

using korvel::Guarded;
using korvel::Module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    if (Module().FailedInitialisation()) return FALSE;
    DisableThreadLibraryCalls(instance);
    korvel::PinThisModule();
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() {
  return Guarded([] { return korvel::ReturnToLoadStateIfUnused(); });
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  return Guarded([&] { return korvel::GetClassObject(clsid, iid, out); });
}

STDAPI DllRegisterServer() {
  return Guarded([] { return korvel::RegisterServer(Module().PerUser()); });
}

STDAPI DllUnregisterServer() {
  return Guarded([] { return korvel::UnregisterServer(Module().PerUser()); });
}

// Always per user: the command line is not read, so no text in it can ask for a machine-wide registration.
STDAPI DllInstall(BOOL install, LPCWSTR) {
  return Guarded([&]() -> HRESULT {
    Module().SetPerUser();
    if (!install) return korvel::UnregisterServer(true);
    HRESULT hr = korvel::RegisterServer(true);
    if (FAILED(hr)) korvel::UnregisterServer(true);  // takes back what was written; the first failure is kept
    return hr;
  });
}
