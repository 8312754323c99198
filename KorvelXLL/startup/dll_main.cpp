// The loader's notification. Nothing runs at attach: OLE is initialised by xlAutoOpen on the host's thread,
// never under the loader lock. When the host frees the library while the event sink is still advised (no
// removal ran), the sink is disconnected first, or the host would call into freed code; then the objects it
// still holds are released. At process exit (reserved set) nothing is touched, since the host's objects may
// be gone already: the connection's pointers are dropped so that no destructor releases them either.
#include <windows.h>

#include "startup/event_sink.h"
#include "startup/held_objects.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH) {
    try {
      if (reserved) {
        korvel::xll::AbandonEventConnectionAtExit();
      } else {
        korvel::xll::DisconnectEventSinkAtUnload();
        korvel::xll::ReleaseHeldObjects();
      }
    } catch (...) {
    }
  }
  return TRUE;
}
