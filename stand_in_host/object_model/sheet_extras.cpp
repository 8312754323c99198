#include "object_model/sheet_extras.h"

#include <cwchar>
#include <cwctype>
#include <map>
#include <memory>

#include "common/safearray_access.h"
#include "object_model/cell_values.h"
#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {
namespace {

constexpr LONG kFormulas = -4123;
constexpr LONG kConstants = 2;
constexpr LONG kNumbers = 1, kTexts = 2, kBooleans = 4, kErrors = 16;

struct SheetExtras {
  bool protect = false;
  std::vector<TracerArrow> arrows;
  std::map<std::pair<LONG, LONG>, std::wstring> formats;
};

// By sheet: the stand-in's objects keep their memory for the whole process, so an address names one sheet.
SheetExtras& ExtrasOf(const Worksheet* sheet) {
  static auto* extras = new std::map<const Worksheet*, SheetExtras>;
  return (*extras)[sheet];
}

bool Omitted(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }

// The host refuses a change of a protected sheet with a run-time error.
constexpr HRESULT kRefused = DISP_E_EXCEPTION;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Equal but for case, Cyrillic letters included, whatever the runtime's locale.
bool SameLetters(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// A local number: optional minus, digits, a decimal comma, an exponent.
bool ReadLocalNumber(const std::wstring& text, double& out) {
  std::wstring plain;
  size_t i = 0, digits = 0;
  if (i < text.size() && text[i] == L'-') plain += text[i++];
  while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++digits;
  if (i < text.size() && text[i] == L',') {
    plain += L'.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++digits;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == L'E' || text[i] == L'e')) {
    plain += text[i++];
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) plain += text[i++];
    size_t e = 0;
    while (i < text.size() && IsDigit(text[i])) plain += text[i++], ++e;
    if (!e) return false;
  }
  if (i != text.size()) return false;
  out = std::wcstod(plain.c_str(), nullptr);
  return true;
}

// d.m or d.m.yyyy as the host's serial day number (day 1 is 1900-01-01; the host's day 60 is its
// 1900-02-29, so later dates count one more).
bool ReadLocalDate(const std::wstring& text, double& serial) {
  int day = 0, month = 0, year = 0;
  wchar_t tail = 0;
  const int read = swscanf(text.c_str(), L"%2d.%2d.%4d%lc", &day, &month, &year, &tail);
  if (read == 2) {
    if (text.find(L'.') != text.rfind(L'.')) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    year = now.wYear;
  } else if (read != 3) {
    return false;
  }
  if (text.empty() || !IsDigit(text[0]) || !IsDigit(text.back())) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > (month == 2 && !leap ? 28 : kDays[month - 1]))
    return false;
  SYSTEMTIME date{};
  date.wYear = static_cast<WORD>(year);
  date.wMonth = static_cast<WORD>(month);
  date.wDay = static_cast<WORD>(day);
  double ole = 0;
  if (!SystemTimeToVariantTime(&date, &ole)) return false;
  serial = ole;
  return true;
}

std::wstring LocalText(const Cell* cell) {
  if (!cell) return L"";
  if (cell->has_formula()) return cell->formula;
  const CellValue& v = cell->value;
  switch (v.kind) {
    case CellValue::Kind::kEmpty: return L"";
    case CellValue::Kind::kNumber: return LocalNumberText(v.number);
    case CellValue::Kind::kText: return v.text;
    case CellValue::Kind::kBool: return v.boolean ? L"ИСТИНА" : L"ЛОЖЬ";
    case CellValue::Kind::kError: return ErrorText(v.error);
  }
  return L"";
}

// The host calculates an entered formula at once unless its calculation is manual (-4135).
bool CalculatesAtOnce() {
  const OwnedVariant& mode = ObjectModel::Get().application()->Value(L"Calculation");
  return !(mode.vt == VT_I4 && mode.lVal == -4135);
}

bool KindMatches(const CellValue& v, LONG kinds) {
  if (kinds == 0) return true;
  switch (v.kind) {
    case CellValue::Kind::kNumber: return kinds & kNumbers;
    case CellValue::Kind::kText: return kinds & kTexts;
    case CellValue::Kind::kBool: return kinds & kBooleans;
    case CellValue::Kind::kError: return kinds & kErrors;
    default: return false;
  }
}

}  // namespace

std::vector<TracerArrow>& ArrowsOf(Worksheet* sheet) { return ExtrasOf(sheet).arrows; }
void SetContentsProtected(Worksheet* sheet, bool protect) { ExtrasOf(sheet).protect = protect; }
bool ContentsProtected(Worksheet* sheet) { return ExtrasOf(sheet).protect; }

std::wstring NumberFormatAt(Worksheet* sheet, LONG row, LONG column) {
  const auto& formats = ExtrasOf(sheet).formats;
  auto it = formats.find({row, column});
  return it == formats.end() ? L"General" : it->second;
}

std::wstring LocalNumberText(double n) {
  std::wstring text = NumberText(n);
  for (wchar_t& c : text)
    if (c == L'.') c = L',';
  return text;
}

void TypeLocal(Worksheet* sheet, LONG row, LONG column, const std::wstring& text) {
  SheetCells& cells = sheet->cells();
  double n = 0;
  if (text.empty()) {
    cells.Erase(row, column);
  } else if (text[0] == L'\'' || text[0] == L'=') {
    OwnedVariant typed = Text(text.c_str());
    PutVariant(cells, row, column, typed, CalculatesAtOnce());
  } else if (ReadLocalNumber(text, n)) {
    cells.SetValue(row, column, CellValue(n));
  } else if (SameLetters(text, L"ИСТИНА") || SameLetters(text, L"ЛОЖЬ")) {
    cells.SetValue(row, column, CellValue::Bool(SameLetters(text, L"ИСТИНА")));
  } else if (ReadLocalDate(text, n)) {
    cells.SetValue(row, column, CellValue(n));
    ExtrasOf(sheet).formats[{row, column}] = L"dd.mm.yyyy";
  } else {
    cells.SetValue(row, column, CellValue(text));
  }
}

Areas MatchingCells(const SheetCells& cells, const Areas& areas, LONG type, LONG kinds) {
  Areas out;
  for (const Area& a : areas) {
    for (LONG r = a.first_row; r <= a.last_row; ++r) {
      LONG run_start = 0;
      // Only cells that hold something can match: walk those of this row in column order.
      auto it = cells.cells().lower_bound({r, a.first_column});
      LONG last = 0;
      auto close = [&] {
        if (run_start) out.push_back(Area{r, run_start, r, last});
        run_start = 0;
      };
      for (; it != cells.cells().end() && it->first.first == r && it->first.second <= a.last_column; ++it) {
        const Cell& cell = it->second;
        const bool match = type == kFormulas ? cell.has_formula() && KindMatches(cell.value, kinds)
                                             : !cell.has_formula() && !cell.value.empty() && KindMatches(cell.value, kinds);
        const LONG c = it->first.second;
        if (!match || (run_start && c != last + 1)) close();
        if (match) {
          if (!run_start) run_start = c;
          last = c;
        }
      }
      close();
    }
  }
  return out;
}

void AttachSheetExtras(Worksheet* sheet) {
  sheet->Define(L"ProtectContents", ReadOnly([sheet] { return Bool(ContentsProtected(sheet)); }));
  sheet->Define(L"ClearArrows", [sheet](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    if (ContentsProtected(sheet)) return kRefused;
    ArrowsOf(sheet).clear();
    if (call.result) VariantInit(call.result);
    return S_OK;
  });
}

void AttachRangeExtras(Range* range) {
  Worksheet* sheet = range->sheet();
  // Writes of the values' family fail on a protected sheet.
  for (const wchar_t* name : {L"Value", L"Formula"}) {
    HostObject::Member base = range->MemberOf(name);
    if (!base) continue;
    range->Define(name, [sheet, base](HostObject::Call& call) -> HRESULT {
      if (call.is_put() && ContentsProtected(sheet)) return kRefused;
      return base(call);
    });
  }
  if (HostObject::Member clear = range->MemberOf(L"ClearContents"))
    range->Define(L"ClearContents", [sheet, clear](HostObject::Call& call) -> HRESULT {
      if (ContentsProtected(sheet)) return kRefused;
      return clear(call);
    });

  range->Define(L"NumberFormat", [range, sheet](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const Areas& areas = range->areas();
    if (!call.is_put()) return GiveValue(call, Text(NumberFormatAt(sheet, range->row(), range->column()).c_str()));
    if (call.value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
    if (ContentsProtected(sheet)) return kRefused;
    const std::wstring format(call.value->bstrVal, SysStringLen(call.value->bstrVal));
    for (const Area& a : areas) {
      if (a.count() > (int64_t{1} << 24)) return E_OUTOFMEMORY;
      for (LONG r = a.first_row; r <= a.last_row; ++r)
        for (LONG c = a.first_column; c <= a.last_column; ++c) ExtrasOf(sheet).formats[{r, c}] = format;
    }
    return S_OK;
  });

  range->Define(L"FormulaLocal", [range, sheet](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const Area& a = range->areas().front();
    if (!call.is_put()) {
      const SheetCells& cells = sheet->cells();
      if (a.count() == 1) return GiveValue(call, Text(LocalText(cells.Find(a.first_row, a.first_column)).c_str()));
      if (a.count() > (int64_t{1} << 24)) return E_OUTOFMEMORY;
      SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(a.rows()), 1}, {static_cast<ULONG>(a.columns()), 1}};
      UniqueSafeArray array(SafeArrayCreate(VT_VARIANT, 2, bounds));
      if (!array.get()) return E_OUTOFMEMORY;
      {
        SafeArrayLock lock(array.get());
        if (FAILED(lock.status())) return lock.status();
        auto* data = lock.data<VARIANT>();
        for (LONG r = 0; r < a.rows(); ++r)
          for (LONG c = 0; c < a.columns(); ++c) {
            OwnedVariant v = Text(LocalText(cells.Find(a.first_row + r, a.first_column + c)).c_str());
            data[static_cast<size_t>(c) * static_cast<size_t>(a.rows()) + r] = v;
            VariantInit(&v);
          }
      }
      if (!call.result) return S_OK;
      VariantInit(call.result);
      call.result->vt = VT_ARRAY | VT_VARIANT;
      call.result->parray = array.release();
      return S_OK;
    }
    if (ContentsProtected(sheet)) return kRefused;
    const VARIANT* value = call.value;
    auto put_one = [sheet](LONG r, LONG c, const VARIANT& v) -> bool {
      if (v.vt == VT_BSTR) {
        TypeLocal(sheet, r, c, std::wstring(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal)));
        return true;
      }
      return PutVariant(sheet->cells(), r, c, v, CalculatesAtOnce());
    };
    if (value->vt == (VT_ARRAY | VT_VARIANT)) {
      SAFEARRAY* psa = value->parray;
      // The first dimension is the row; the descriptor stores the last dimension first.
      LONG low_row = 0, high_row = -1, low_column = 0, high_column = -1;
      if (!psa || psa->cDims != 2 || FAILED(SafeArrayGetLBound(psa, 1, &low_row)) ||
          FAILED(SafeArrayGetUBound(psa, 1, &high_row)) || FAILED(SafeArrayGetLBound(psa, 2, &low_column)) ||
          FAILED(SafeArrayGetUBound(psa, 2, &high_column)) || int64_t{high_row} - low_row + 1 != a.rows() ||
          int64_t{high_column} - low_column + 1 != a.columns())
        return DISP_E_TYPEMISMATCH;
      SafeArrayLock lock(psa);
      if (FAILED(lock.status())) return lock.status();
      const VARIANT* data = lock.data<VARIANT>();
      for (LONG r = 0; r < a.rows(); ++r)
        for (LONG c = 0; c < a.columns(); ++c)
          if (!put_one(a.first_row + r, a.first_column + c, data[static_cast<size_t>(c) * a.rows() + r]))
            return DISP_E_TYPEMISMATCH;
      return S_OK;
    }
    if (value->vt & VT_ARRAY) return DISP_E_TYPEMISMATCH;
    for (const Area& area : range->areas())
      for (LONG r = area.first_row; r <= area.last_row; ++r)
        for (LONG c = area.first_column; c <= area.last_column; ++c)
          if (!put_one(r, c, *value)) return DISP_E_TYPEMISMATCH;
    return S_OK;
  });

  // SpecialCells(type[, kinds]): of one cell, over the sheet's used range; no cell found is the host's error.
  range->Define(L"SpecialCells", [range, sheet](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
    if (call.args.empty() || call.args.size() > 2) return DISP_E_BADPARAMCOUNT;
    LONG type = 0, kinds = 0;
    if (!ToLong(call.args[0], type)) return DISP_E_TYPEMISMATCH;
    if (call.args.size() == 2 && !Omitted(call.args[1]) && !ToLong(call.args[1], kinds)) return DISP_E_TYPEMISMATCH;
    if (type != kFormulas && type != kConstants) return E_INVALIDARG;
    Areas within = range->areas();
    if (range->count() == 1) {
      Area used;
      if (!sheet->cells().UsedRange(used)) return DISP_E_EXCEPTION;
      within = Areas{used};
    }
    const Areas found = MatchingCells(sheet->cells(), within, type, kinds);
    if (found.empty()) return DISP_E_EXCEPTION;
    HostObject::Call plain = call;
    plain.args.clear();
    return Range::Give(plain, sheet, found);
  });

  for (const auto& [name, kind] : {std::pair{L"ShowPrecedents", L"precedents"}, std::pair{L"ShowDependents", L"dependents"}}) {
    const std::wstring arrow_kind = kind;
    range->Define(name, [range, sheet, arrow_kind](HostObject::Call& call) -> HRESULT {
      if (call.is_put()) return DISP_E_MEMBERNOTFOUND;
      if (call.args.size() > 1) return DISP_E_BADPARAMCOUNT;
      if (ContentsProtected(sheet)) return kRefused;
      for (const Area& a : range->areas())
        for (LONG r = a.first_row; r <= a.last_row; ++r)
          for (LONG c = a.first_column; c <= a.last_column; ++c)
            ArrowsOf(sheet).push_back({A1Address(r, c), arrow_kind});
      if (call.result) VariantInit(call.result);
      return S_OK;
    });
  }
}

void AttachApplicationExtras(Application* application) {
  // The host reads typed numbers with its own decimal comma, not the system's.
  application->DefineValue(L"UseSystemSeparators", Bool(false), VT_BOOL);
  application->DefineValue(L"DecimalSeparator", Text(L","), VT_BSTR);
  application->DefineValue(L"ThousandsSeparator", Text(L" "), VT_BSTR);
}

}  // namespace korvel::standin
