// The loader's notification. OLE is initialised by xlAutoOpen on the host's thread, never
// under the loader lock.
#include <windows.h>

#include "startup/event_sink.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Freed while the sink is still advised (no removal ran): the host would call into freed code. At process
  // exit (reserved set) the host is going away itself.
  if (reason == DLL_PROCESS_DETACH && !reserved) korvel::xll::DisconnectEventSinkAtUnload();
  return TRUE;
}
