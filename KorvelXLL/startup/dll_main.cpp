// The loader's notification. Nothing runs at attach: OLE is initialised by xlAutoOpen on the host's thread,
// never under the loader lock. When the host frees the library while the event sink is still advised (no
// removal ran, or the host refused the removal's Unadvise), the sink is disconnected first, or the host would
// call into freed code; when the host refuses that too, the module is pinned, so that the sink it holds stays
// mapped. Then the objects it still holds are released. At process exit (reserved set) nothing is touched,
// since the host's objects may be gone already: the connection's pointers are dropped so that no destructor
// releases them either.
#include <windows.h>

#include "startup/event_sink.h"
#include "startup/held_objects.h"

namespace {

// Set when the module stays mapped after its unload: the runtime it links must then stay whole too.
bool g_pinned = false;

void PinModule() {
  HMODULE self = nullptr;
  g_pinned = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                reinterpret_cast<LPCWSTR>(&PinModule), &self) != FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    try {
      if (reserved) {
        korvel::xll::AbandonEventConnectionAtExit();
      } else {
        if (!korvel::xll::DisconnectEventSinkAtUnload()) PinModule();
        korvel::xll::ReleaseHeldObjects();
      }
    } catch (...) {
    }
  }
  return TRUE;
}

// The C runtime's own entry, which runs the static constructors, DllMain and the static destructors.
extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);
// The statically linked C++ runtime allocates its emergency exception pool (about 72 KiB) when the library
// loads and frees it only when asked: each load and unload in one host process would keep it.
namespace __gnu_cxx {
void __freeres();
}

// The library's entry point (see the link options): the runtime's entry, and after it, when the library is
// being freed (not at process exit, reserved null) and not pinned, the C++ runtime's pool. Nothing of the
// library runs after that: the static destructors have run, and nothing can throw into the freed pool.
extern "C" BOOL WINAPI KorvelXllEntry(HANDLE module, DWORD reason, LPVOID reserved) {
  const BOOL result = DllMainCRTStartup(module, reason, reserved);
  if (reason == DLL_PROCESS_DETACH && !reserved && !g_pinned) __gnu_cxx::__freeres();
  return result;
}
