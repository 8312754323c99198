// The add-in's lookups and CSV worksheet functions, called through the exports of the built add-in file.
//   bench_cell_lookups_csv lookups
//     VLOOKUP3 and VlookupXLL over arrays of 1,000,000 elements whose only match is the last, against a
//     plain linear scan of the same elements; then VlookupXLL as a cell calls it over references to the same
//     values in A1:A1000000 and B1:B1000000 of a stand-in host's sheet, where the add-in asks the host for
//     each cell (xlCoerce and xlFree), with those host calls also timed alone; prints the table itself.
//   bench_cell_lookups_csv csv FILE ROW TEXT
//     the three CSV functions and the server's three methods of the same names on FILE (the last row is ROW,
//     TEXT occurs once): prints the six best-of-three times in seconds on one line, for bench/cell_lookups_csv.sh.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_support.h"
#include "export_calls.h"
#include "host.h"
#include "host/xl_types.h"
#include "host_numbers.h"
#include "object_model/workbooks.h"

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

// The shipped file, with the stand-in's XLCALL32.DLL found beside the test programs; `in_host`: loaded into
// the stand-in host (its call entry is this program's), which the lookups over references call.
HMODULE LoadAddIn(AddInExports& x, bool in_host) {
  SetDllDirectoryW(WindowsPath(KORVEL_HOST_DIR).c_str());
  const std::wstring path = WindowsPath(KORVEL_XLL);
  HMODULE addin = in_host ? standin::Host::Get().LoadAddIn(path) : LoadLibraryW(path.c_str());
  if (!addin) return nullptr;
  auto bind = [addin](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(reinterpret_cast<void*>(GetProcAddress(addin, name)));
    return fn != nullptr;
  };
  const bool all = bind(x.VLOOKUP3, "VLOOKUP3") && bind(x.VlookupXLL, "VlookupXLL") &&
                   bind(x.GetRowsCountCSVansi, "GetRowsCountCSVansi") && bind(x.GetRowCSVansi, "GetRowCSVansi") &&
                   bind(x.FindRowsInCSVansi, "FindRowsInCSVansi") && bind(x.xlAutoFree12, "xlAutoFree12");
  return all ? addin : nullptr;
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

constexpr int kElements = 1000000;

// The stand-in host's sheet that the references name: the keys in A1:A1000000, the partners in
// B1:B1000000, as the array elements hold them.
class SheetOfValues {
 public:
  SheetOfValues() : host_(standin::Host::Get()) {
    sheet_ = static_cast<standin::Worksheet*>(host_.application()->active_workbook()->sheets()->At(0));
  }
  void Fill(const wchar_t* address, const std::vector<XLOPER12>& elements) {
    std::vector<standin::CellValue> values;
    values.reserve(elements.size());
    for (const XLOPER12& e : elements)
      values.push_back(e.xltype == korvel::xll::xltypeNum
                           ? standin::CellValue(e.val.num)
                           : standin::CellValue(std::wstring(e.val.str + 1, static_cast<unsigned short>(e.val.str[0]))));
    sheet_->cells().SetEach(address, values);
  }
  standin::ArgValue Reference(const wchar_t* address) const { return standin::ArgValue::Reference(sheet_, address); }
  // The host records every call it serves: the record of one run goes before the next, untimed.
  void ForgetCalls() { host_.api().ClearCalls(); }
  bool NothingOutstanding() { return host_.api().outstanding() == 0 && host_.api().bad_frees() == 0; }
  standin::CApi& api() { return host_.api(); }

 private:
  standin::Host& host_;
  standin::Worksheet* sheet_ = nullptr;
};

// The best of three runs, the host's records of calls cleared before each.
template <class Body>
double BestOfThree(SheetOfValues& sheet, Body&& body) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) {
    sheet.ForgetCalls();
    best = std::min(best, Best(1, body));
  }
  sheet.ForgetCalls();
  return best;
}

XLOPER12 OneCell(int row) {
  XLOPER12 r{};
  r.xltype = standin::hostapi::xltypeSRef;
  r.val.sref.count = 1;
  r.val.sref.ref = korvel::xll::XlArea{row, row, 0, 0};
  return r;
}

XLOPER12 WholeColumn(int column) {
  XLOPER12 r{};
  r.xltype = standin::hostapi::xltypeSRef;
  r.val.sref.count = 1;
  r.val.sref.ref = korvel::xll::XlArea{0, kElements - 1, column, column};
  return r;
}

// One call of the host's entry with its result given back at once; false when the host refused.
bool CoerceAndFree(standin::CApi& api, XLOPER12 source, const XLOPER12* type) {
  XLOPER12 value{};
  XLOPER12* args[2] = {&source, const_cast<XLOPER12*>(type)};
  if (api.Call(standin::hostapi::xlCoerce, type ? 2 : 1, args, &value) != standin::hostapi::xlretSuccess) return false;
  XLOPER12* free_args[1] = {&value};
  api.Call(standin::hostapi::xlFree, 1, free_args, nullptr);
  return true;
}

// VlookupXLL as a cell calls it with the references A1:A1000000 and B1:B1000000 (the keys already in column A,
// the match in the last row), against the same linear scan as the arrays; then the host's part alone: the
// xlCoerce and xlFree of each key cell as the add-in asks them (one cell at a time, to the type of the value
// sought, then the partner's cell with the mask of every cell value), and the coercion of the two
// references whole, for comparison. False when a result is wrong.
bool ReferenceRows(HMODULE addin, SheetOfValues& sheet, const char* what, double scan, const XLOPER12& find) {
  const standin::ArgValue keys = sheet.Reference(L"A1:A1000000"), partners = sheet.Reference(L"B1:B1000000");
  const standin::ArgValue sought = find.xltype == korvel::xll::xltypeNum
                                       ? standin::ArgValue::Number(find.val.num)
                                       : standin::ArgValue::Text(std::wstring(find.val.str + 1, find.val.str[0]));
  bool ok = true;
  const double lookup = BestOfThree(sheet, [&] {
    // The type text the add-in registers VlookupXLL with: two references and the value sought.
    const standin::CallOutcome r = standin::CallExport(addin, "VlookupXLL", L"UUQU$", {keys, sought, partners});
    ok = ok && !r.null && r.value.type == (korvel::xll::xltypeNum | korvel::xll::xlbitDLLFree) &&
         r.value.num == -(kElements - 1);
  });
  XLOPER12 to_sought{};
  to_sought.xltype = korvel::xll::xltypeInt;
  to_sought.val.w = static_cast<int>(find.xltype);
  XLOPER12 any_value = to_sought;
  any_value.val.w = 279;  // number, text, boolean, error or empty
  const double per_cell = BestOfThree(sheet, [&] {
    for (int row = 0; row < kElements; ++row) ok = CoerceAndFree(sheet.api(), OneCell(row), &to_sought) && ok;
    XLOPER12 partner = OneCell(kElements - 1);
    partner.val.sref.ref.colFirst = partner.val.sref.ref.colLast = 1;
    ok = CoerceAndFree(sheet.api(), partner, &any_value) && ok;
  });
  const double whole = BestOfThree(sheet, [&] {
    ok = CoerceAndFree(sheet.api(), WholeColumn(0), nullptr) && ok;
    ok = CoerceAndFree(sheet.api(), WholeColumn(1), nullptr) && ok;
  });
  std::string label = std::string("VlookupXLL (references, time incl. stand-in's xlCoerce), 1,000,000 ") + what;
  PrintRow(label.c_str(), "linear scan", scan, "VlookupXLL", lookup);
  label = std::string("stand-in's xlCoerce+xlFree per cell alone, 1,000,000 ") + what;
  PrintRow(label.c_str(), "linear scan", scan, "host calls", per_cell);
  label = std::string("stand-in's xlCoerce of both references whole, 1,000,000 ") + what;
  PrintRow(label.c_str(), "linear scan", scan, "host calls", whole);
  return ok && sheet.NothingOutstanding();
}

int Lookups(const AddInExports& x, HMODULE addin) {
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
  SheetOfValues sheet;
  sheet.Fill(L"B1:B1000000", partners);
  for (const Row& row : {Row{"numbers", &number_array, &last_number, &numbers},
                         Row{"texts of 11 characters", &text_array, &last_text, &texts}}) {
    const double scan = Best(5, [&] { sink += LinearScan(*row.elements, *row.find); });
    const double vlookup3 = Best(5, [&] { call(x.VLOOKUP3, row.array, &partner_array, row.find); });
    const double vlookupxll = Best(5, [&] { call(x.VlookupXLL, row.array, row.find, &partner_array); });
    std::string what = std::string("VLOOKUP3, 1,000,000 ") + row.what;
    PrintRow(what.c_str(), "linear scan", scan, "VLOOKUP3", vlookup3);
    what = std::string("VlookupXLL (arrays), 1,000,000 ") + row.what;
    PrintRow(what.c_str(), "linear scan", scan, "VlookupXLL", vlookupxll);
    sheet.Fill(L"A1:A1000000", *row.elements);
    ok = ReferenceRows(addin, sheet, row.what, scan, *row.find) && ok;
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
  const bool csv = argc >= 2 && !std::wcscmp(argv[1], L"csv");
  const bool lookups = argc < 2 || !std::wcscmp(argv[1], L"lookups");
  if (!(lookups || (csv && argc >= 5))) {
    std::printf("usage: lookups | csv FILE ROW TEXT\n");
    return 1;
  }
  AddInExports x;
  // The CSV functions call no host: their file stays loaded as a plain library.
  HMODULE addin = LoadAddIn(x, lookups);
  if (!addin) {
    std::printf("cannot load the add-in %s\n", KORVEL_XLL);
    return 1;
  }
  if (csv) return Csv(x, argv[2], _wtoi(argv[3]), argv[4]);
  return Lookups(x, addin);
}
