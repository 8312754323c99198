// The CSV members on files that bench/csv_files.sh generates; prints the best time of three runs in seconds
// so that the script can set it against the Linux tools. Usage:
//   bench_csv_files count FILE NOBUFFERING | find FILE TEXT | sort FILEIN FILEOUT | replace FILEIN FILEOUT
// `replace` sorts over an existing output through the library's own sort, once with the flush that makes the
// output durable before it replaces the old one and once without it (as the sort was before), and prints
// both times.
#include <cstdio>
#include <cwchar>

#include "bench_support.h"
#include "toolbox/csv_sort.h"

#include <shellapi.h>

using namespace korvel;
using namespace korvel::bench;

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<IVBA> vba = Create<IVBA>(LoadServer(), CLSID_VBA);
  if (!vba || argc < 4) {
    std::printf("cannot create VBA from %ls, or too few arguments\n", ServerDllPath().c_str());
    return 1;
  }
  UniqueBstr file(SysAllocString(argv[2]));
  UniqueBstr other(SysAllocString(argv[3]));
  HRESULT hr = S_OK;
  double seconds = 0;
  if (!std::wcscmp(argv[1], L"count")) {
    LONG rows = 0;
    seconds = Best(3, [&] { hr = vba->GetRowsCountCSVansi(file.get(), _wtoi(argv[3]), &rows); });
    std::fprintf(stderr, "rows %ld\n", static_cast<long>(rows));
  } else if (!std::wcscmp(argv[1], L"find")) {
    seconds = Best(3, [&] {
      BSTR found = nullptr;
      hr = vba->FindRowsInCSVansi(file.get(), other.get(), 0, 0, &found);
      std::fprintf(stderr, "found %u characters\n", SysStringLen(found));
      SysFreeString(found);
    });
  } else if (!std::wcscmp(argv[1], L"replace")) {
    csv::SortRequest request;
    request.file_in = argv[2];
    request.file_out = argv[3];
    bool ok = csv::SortCsvFile(request).status == csv::SortStatus::kOk;  // the output exists from here on
    double flushed = Best(3, [&] { ok = ok && csv::SortCsvFile(request).status == csv::SortStatus::kOk; });
    request.flush = [](HANDLE) { return true; };
    double unflushed = Best(3, [&] { ok = ok && csv::SortCsvFile(request).status == csv::SortStatus::kOk; });
    if (!ok) {
      std::printf("failed\n");
      return 1;
    }
    std::printf("%.4f %.4f\n", flushed, unflushed);
    return 0;
  } else if (!std::wcscmp(argv[1], L"sort")) {
    LONGLONG rows = 0;
    seconds = Best(3, [&] { hr = vba->SortDeleteDuplicateRowsCSVansi(file.get(), other.get(), 0, 0, 0, 0, 0, nullptr, &rows); });
    std::fprintf(stderr, "rows %lld\n", static_cast<long long>(rows));
  }
  if (FAILED(hr)) {
    std::printf("failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  std::printf("%.4f\n", seconds);
  return 0;
}
