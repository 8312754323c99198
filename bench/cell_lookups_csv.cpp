// The add-in's lookups and CSV worksheet functions, called through the exports of the built add-in file.
//   bench_cell_lookups_csv lookups
//     VLOOKUP3 and VlookupXLL over arrays of 1,000,000 elements whose only match is the last, against a
//     plain linear scan of the same elements; prints the table itself.
//   bench_cell_lookups_csv csv FILE ROW TEXT
//     the three CSV functions and the server's three methods of the same names on FILE (the last row is ROW,
//     TEXT occurs once): prints the six best-of-three times in seconds on one line, for bench/cell_lookups_csv.sh.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_support.h"
#include "host/xl_types.h"

#include <shellapi.h>

using namespace korvel;
using namespace korvel::bench;
using korvel::xll::XLOPER12;

namespace {

std::wstring WindowsPath(const char* unix_path) {
  std::wstring out = L"Z:" + std::wstring(unix_path, unix_path + std::strlen(unix_path));
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

struct AddInExports {
  using Lookup = XLOPER12*(__stdcall*)(XLOPER12*, XLOPER12*, XLOPER12*);
  Lookup VLOOKUP3 = nullptr;
  Lookup VlookupXLL = nullptr;
  XLOPER12*(__stdcall* GetRowsCountCSVansi)(wchar_t*, int) = nullptr;
  XLOPER12*(__stdcall* GetRowCSVansi)(wchar_t*, int, int) = nullptr;
  XLOPER12*(__stdcall* FindRowsInCSVansi)(wchar_t*, char*, short*, int) = nullptr;
  void(__stdcall* xlAutoFree12)(XLOPER12*) = nullptr;
};

// The shipped file, with the stand-in's XLCALL32.DLL found beside the test programs.
bool LoadAddIn(AddInExports& x) {
  SetDllDirectoryW(WindowsPath(KORVEL_HOST_DIR).c_str());
  HMODULE addin = LoadLibraryW(WindowsPath(KORVEL_XLL).c_str());
  if (!addin) return false;
  auto bind = [addin](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(reinterpret_cast<void*>(GetProcAddress(addin, name)));
    return fn != nullptr;
  };
  return bind(x.VLOOKUP3, "VLOOKUP3") && bind(x.VlookupXLL, "VlookupXLL") &&
         bind(x.GetRowsCountCSVansi, "GetRowsCountCSVansi") && bind(x.GetRowCSVansi, "GetRowCSVansi") &&
         bind(x.FindRowsInCSVansi, "FindRowsInCSVansi") && bind(x.xlAutoFree12, "xlAutoFree12");
}

XLOPER12 Text(std::vector<std::unique_ptr<wchar_t[]>>& keep, const std::wstring& s) {
  keep.push_back(std::make_unique<wchar_t[]>(s.size() + 2));
  wchar_t* b = keep.back().get();
  b[0] = static_cast<wchar_t>(s.size());
  std::wmemcpy(b + 1, s.data(), s.size());
  XLOPER12 x{};
  x.xltype = korvel::xll::xltypeStr;
  x.val.str = b;
  return x;
}

XLOPER12 Array(std::vector<XLOPER12>& elements) {
  XLOPER12 x{};
  x.xltype = korvel::xll::xltypeMulti;
  x.val.array.lparray = elements.data();
  x.val.array.rows = static_cast<int>(elements.size());
  x.val.array.columns = 1;
  return x;
}

// The plain scan the lookups are set against: the same comparison of type words and values, in place.
long long LinearScan(const std::vector<XLOPER12>& elements, const XLOPER12& find) {
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const XLOPER12& e = elements[i];
    if (e.xltype != find.xltype) continue;
    if (e.xltype == korvel::xll::xltypeNum ? e.val.num == find.val.num
                                           : e.val.str[0] == find.val.str[0] &&
                                                 !std::wmemcmp(e.val.str + 1, find.val.str + 1, e.val.str[0]))
      return static_cast<long long>(i);
  }
  return -1;
}

int Lookups(const AddInExports& x) {
  constexpr int kElements = 1000000;
  std::vector<std::unique_ptr<wchar_t[]>> keep;
  std::vector<XLOPER12> numbers(kElements), texts(kElements), partners(kElements);
  for (int i = 0; i < kElements; ++i) {
    numbers[i].xltype = korvel::xll::xltypeNum;
    numbers[i].val.num = i;
    // Texts of one length that differ only at their end: every comparison reads them whole.
    texts[i] = Text(keep, L"row-" + std::to_wstring(1000000 + i));
    partners[i].xltype = korvel::xll::xltypeNum;
    partners[i].val.num = -i;
  }
  XLOPER12 number_array = Array(numbers), text_array = Array(texts), partner_array = Array(partners);
  XLOPER12 last_number = numbers.back(), last_text = texts.back();
  long long sink = 0;
  bool ok = true;
  auto call = [&](AddInExports::Lookup fn, XLOPER12* a, XLOPER12* b, XLOPER12* c) {
    XLOPER12* r = fn(a, b, c);
    ok = ok && r && r->xltype == (korvel::xll::xltypeNum | korvel::xll::xlbitDLLFree) &&
         r->val.num == -(kElements - 1);
    x.xlAutoFree12(r);
  };
  struct Row {
    const char* what;
    XLOPER12* array;
    XLOPER12* find;
    const std::vector<XLOPER12>* elements;
  };
  for (const Row& row : {Row{"numbers", &number_array, &last_number, &numbers},
                         Row{"texts of 11 characters", &text_array, &last_text, &texts}}) {
    const double scan = Best(5, [&] { sink += LinearScan(*row.elements, *row.find); });
    const double vlookup3 = Best(5, [&] { call(x.VLOOKUP3, row.array, &partner_array, row.find); });
    const double vlookupxll = Best(5, [&] { call(x.VlookupXLL, row.array, row.find, &partner_array); });
    std::string what = std::string("VLOOKUP3, 1,000,000 ") + row.what;
    PrintRow(what.c_str(), "linear scan", scan, "VLOOKUP3", vlookup3);
    what = std::string("VlookupXLL (arrays), 1,000,000 ") + row.what;
    PrintRow(what.c_str(), "linear scan", scan, "VlookupXLL", vlookupxll);
  }
  if (!ok || sink != 10 * (kElements - 1)) {
    std::printf("a lookup gave a wrong result\n");
    return 1;
  }
  return 0;
}

int Csv(const AddInExports& x, const wchar_t* file, int row, const wchar_t* text) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<IVBA> vba = Create<IVBA>(LoadServer(), CLSID_VBA);
  if (!vba) {
    std::printf("cannot create VBA from %ls\n", ServerDllPath().c_str());
    return 1;
  }
  std::wstring path = file;
  std::string narrow(text, text + std::wcslen(text));
  UniqueBstr bfile(SysAllocString(file)), btext(SysAllocString(text));
  bool ok = true;
  double count_rows = 0;
  std::size_t row_chars = 0, found_chars = 0;
  auto take = [&](XLOPER12* r, DWORD type) {
    ok = ok && r && r->xltype == (type | korvel::xll::xlbitDLLFree);
    if (ok && type == korvel::xll::xltypeNum) count_rows = r->val.num;
    x.xlAutoFree12(r);
  };
  const double count = Best(3, [&] { take(x.GetRowsCountCSVansi(path.data(), 0), korvel::xll::xltypeNum); });
  const double pick = Best(3, [&] {
    XLOPER12* r = x.GetRowCSVansi(path.data(), row, 0);
    if (r && r->xltype == (korvel::xll::xltypeStr | korvel::xll::xlbitDLLFree)) row_chars = r->val.str[0];
    take(r, korvel::xll::xltypeStr);
  });
  const double find = Best(3, [&] {
    short multi_line = 0;
    XLOPER12* r = x.FindRowsInCSVansi(path.data(), narrow.data(), &multi_line, 0);
    if (r && r->xltype == (korvel::xll::xltypeStr | korvel::xll::xlbitDLLFree)) found_chars = r->val.str[0];
    take(r, korvel::xll::xltypeStr);
  });
  LONG server_rows = 0;
  const double server_count = Best(3, [&] { ok = ok && SUCCEEDED(vba->GetRowsCountCSVansi(bfile.get(), 0, &server_rows)); });
  const double server_pick = Best(3, [&] {
    BSTR out = nullptr;
    ok = ok && SUCCEEDED(vba->GetRowCSVansi(bfile.get(), row, 0, &out));
    ok = ok && SysStringLen(out) == row_chars;
    SysFreeString(out);
  });
  const double server_find = Best(3, [&] {
    BSTR out = nullptr;
    ok = ok && SUCCEEDED(vba->FindRowsInCSVansi(bfile.get(), btext.get(), 0, 0, &out));
    ok = ok && SysStringLen(out) == found_chars && found_chars > 0;
    SysFreeString(out);
  });
  ok = ok && count_rows == server_rows && count_rows == row && row_chars > 0;
  if (!ok) {
    std::printf("failed\n");
    return 1;
  }
  std::printf("%.4f %.4f %.4f %.4f %.4f %.4f\n", count, pick, find, server_count, server_pick, server_find);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  AddInExports x;
  if (!LoadAddIn(x)) {
    std::printf("cannot load the add-in %s\n", KORVEL_XLL);
    return 1;
  }
  if (argc >= 2 && !std::wcscmp(argv[1], L"csv") && argc >= 5) return Csv(x, argv[2], _wtoi(argv[3]), argv[4]);
  if (argc < 2 || !std::wcscmp(argv[1], L"lookups")) return Lookups(x);
  std::printf("usage: lookups | csv FILE ROW TEXT\n");
  return 1;
}
