// Calls the server's exports in the order given, in one process, and prints each HRESULT:
//   call_exports server.dll DllInstall:1:text DllRegisterServer DllUnregisterServer DllInstall:0:
// Used by the registration checks to show that the registration mode outlives the call that set it.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HMODULE server = LoadLibraryW(argv[1]);
  if (!server) return 3;
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    std::wstring step = argv[i];
    HRESULT hr = E_FAIL;
    if (step.rfind(L"DllInstall:", 0) == 0) {
      BOOL install = step[11] == L'1';
      std::wstring command_line = step.size() > 13 ? step.substr(13) : std::wstring();
      auto fn = reinterpret_cast<HRESULT(WINAPI*)(BOOL, LPCWSTR)>(
          reinterpret_cast<void*>(GetProcAddress(server, "DllInstall")));
      if (fn) hr = fn(install, command_line.c_str());
    } else {
      char name[64];
      std::snprintf(name, sizeof name, "%ls", step.c_str());
      auto fn = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(server, name)));
      if (fn) hr = fn();
    }
    std::printf("%ls %08lx\n", step.c_str(), static_cast<unsigned long>(hr));
    if (FAILED(hr)) ++failures;
  }
  return failures;
}
