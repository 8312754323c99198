#include "bench_support.h"

#include <cstdio>

namespace korvel::bench {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

std::wstring ServerDllPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_COM_DLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

HMODULE LoadServer() { return LoadLibraryW(ServerDllPath().c_str()); }

static void PrintTime(const char* name, double seconds) {
  if (seconds < 1e-6) std::printf("  %s %8.1f ns", name, seconds * 1e9);
  else if (seconds < 1e-3) std::printf("  %s %8.2f us", name, seconds * 1e6);
  else std::printf("  %s %8.2f ms", name, seconds * 1e3);
}

void PrintRow(const char* what, const char* first_name, double first, const char* second_name, double second) {
  std::printf("%-44s", what);
  PrintTime(first_name, first);
  PrintTime(second_name, second);
  std::printf("  ratio %.2f\n", second / first);
}

}  // namespace korvel::bench
