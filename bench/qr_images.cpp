// Time of one QRcodePrint call writing a PNG (GDI+ start and shutdown included, as every call does them),
// early-bound in this process. bench/qr_images.sh runs it beside the qrencode command-line tool.
// Usage: bench_qr_images.exe text output-folder  (prints "first <seconds>" and "best <seconds>" lines)
#include <cstdio>
#include <string>

#include "bench_support.h"

#include <shellapi.h>

using namespace korvel;
using namespace korvel::bench;

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);  // MinGW's main gets ANSI arguments only
  if (!argv || argc < 3) {
    std::printf("usage: bench_qr_images text output-folder\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<IVBA> vba = Create<IVBA>(LoadServer(), CLSID_VBA);
  if (!vba) {
    std::printf("cannot create VBA from %ls\n", ServerDllPath().c_str());
    return 1;
  }
  UniqueBstr text(SysAllocString(argv[1]));
  UniqueBstr file(SysAllocString((std::wstring(argv[2]) + L"\\bench").c_str()));
  HRESULT hr = S_OK;
  auto call = [&] {
    BSTR path = nullptr;
    hr = vba->QRcodePrint(text.get(), file.get(), 4, 4, 0, 0, 0, 0, 1, &path);
    SysFreeString(path);
  };
  double first = Best(1, call);
  double best = Best(50, call);
  if (FAILED(hr)) {
    std::printf("QRcodePrint failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  std::printf("first %.9f\nbest %.9f\n", first, best);
  return 0;
}
