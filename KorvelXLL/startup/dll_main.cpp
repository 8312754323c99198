// The loader's notification. Nothing runs here: OLE is initialised by xlAutoOpen on the host's thread, never
// under the loader lock.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
