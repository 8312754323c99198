// Timing and the built server for the benchmarks.
#pragma once

#include <windows.h>

#include <string>

#include "common/com_owners.h"
#include "server/server_ids.h"

namespace korvel::bench {

// Seconds of the high-resolution clock.
double Now();

// Runs `body` `repeats` times and returns the best time of one run in seconds.
template <class Body>
double Best(int repeats, Body&& body) {
  double best = 1e300;
  for (int i = 0; i < repeats; ++i) {
    double start = Now();
    body();
    double t = Now() - start;
    if (t < best) best = t;
  }
  return best;
}

std::wstring ServerDllPath();
HMODULE LoadServer();
// An object of `clsid` from the server's own class factory (no registration needed).
template <class Interface>
ComPtr<Interface> Create(HMODULE server, REFCLSID clsid) {
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  ComPtr<Interface> object;
  if (get && SUCCEEDED(get(clsid, IID_IClassFactory, factory.put_void())))
    factory->CreateInstance(nullptr, __uuidof(Interface), object.put_void());
  return object;
}

// One line of a side-by-side table: name, then each time with its ratio to the first.
void PrintRow(const char* what, const char* first_name, double first, const char* second_name, double second);

}  // namespace korvel::bench
