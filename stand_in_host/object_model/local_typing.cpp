#include "object_model/local_typing.h"

#include <cmath>
#include <cwchar>
#include <vector>

#include "common/safearray_access.h"
#include "object_model/cell_values.h"
#include "object_model/member_helpers.h"
#include "object_model/object_model.h"
#include "object_model/sheet_extras.h"
#include "system_locale.h"

namespace korvel::standin {
namespace {

// The host refuses a change of a protected sheet with a run-time error.
constexpr HRESULT kRefused = DISP_E_EXCEPTION;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Equal but for case, Cyrillic letters included, whatever the runtime's locale.
bool SameLetters(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The separators with which the host reads and writes typed numbers: the user's locale settings while
// UseSystemSeparators is true, else the Application's DecimalSeparator and ThousandsSeparator.
struct TypedSeparators {
  wchar_t decimal = L',';
  wchar_t group = L' ';
};

wchar_t FirstOf(const VARIANT& v, wchar_t otherwise) {
  return v.vt == VT_BSTR && v.bstrVal && v.bstrVal[0] ? v.bstrVal[0] : otherwise;
}

TypedSeparators CurrentSeparators() {
  TypedSeparators s;
  Application* application = ObjectModel::Get().application();
  if (!application) return s;
  OwnedVariant system;
  if (SUCCEEDED(VariantChangeType(&system, &application->Value(L"UseSystemSeparators"), 0, VT_BOOL)) &&
      system.boolVal != VARIANT_FALSE) {
    const std::wstring decimal = SystemLocale::Get().Setting(LOCALE_SDECIMAL);
    const std::wstring group = SystemLocale::Get().Setting(LOCALE_STHOUSAND);
    s.decimal = decimal.empty() ? L'.' : decimal[0];
    s.group = group.empty() ? L'\0' : group[0];
    return s;
  }
  s.decimal = FirstOf(application->Value(L"DecimalSeparator"), L',');
  s.group = FirstOf(application->Value(L"ThousandsSeparator"), L'\0');
  return s;
}

bool AllDigits(const std::wstring& s) {
  for (wchar_t c : s)
    if (!IsDigit(c)) return false;
  return true;
}

// The integer part of a typed number: digits alone, or digits in groups of three after a first group of one
// to three, parted by the group separator (a space and a no-break space stand for each other there).
bool ReadIntegerPart(const std::wstring& part, wchar_t group, std::wstring& digits) {
  const auto is_group = [group](wchar_t c) {
    const bool spaces = (group == L' ' || group == L'\u00A0') && (c == L' ' || c == L'\u00A0');
    return group && (c == group || spaces);
  };
  std::vector<std::wstring> groups(1);
  for (wchar_t c : part) {
    if (is_group(c)) groups.emplace_back();
    else groups.back() += c;
  }
  for (size_t g = 0; g < groups.size(); ++g) {
    if (!AllDigits(groups[g])) return false;
    if (groups.size() > 1 && (g == 0 ? groups[g].empty() || groups[g].size() > 3 : groups[g].size() != 3))
      return false;
  }
  for (const std::wstring& g : groups) digits += g;
  return true;
}

// A typed number: spaces around it, a sign ("-" or "+"), the integer part, a decimal separator with
// digits, an exponent.
bool ReadLocalNumber(const std::wstring& typed, const TypedSeparators& s, double& out) {
  const size_t first = typed.find_first_not_of(L' ');
  if (first == std::wstring::npos) return false;
  std::wstring text = typed.substr(first, typed.find_last_not_of(L' ') - first + 1);
  std::wstring plain;
  if (text[0] == L'-' || text[0] == L'+') plain += text[0], text.erase(0, 1);
  std::wstring exponent;
  const size_t e = text.find_first_of(L"Ee");
  if (e != std::wstring::npos) {
    exponent = text.substr(e + 1);
    text.erase(e);
    const size_t sign = !exponent.empty() && (exponent[0] == L'+' || exponent[0] == L'-') ? 1 : 0;
    if (exponent.size() == sign || !AllDigits(exponent.substr(sign))) return false;
  }
  const size_t point = s.decimal == s.group ? std::wstring::npos : text.find(s.decimal);
  const std::wstring fraction = point == std::wstring::npos ? L"" : text.substr(point + 1);
  std::wstring integer;
  if (!ReadIntegerPart(text.substr(0, point), s.decimal == s.group ? L'\0' : s.group, integer) ||
      !AllDigits(fraction) || integer.size() + fraction.size() == 0)
    return false;
  plain += integer + L"." + fraction;
  if (!exponent.empty()) plain += L"e" + exponent;
  wchar_t* end = nullptr;
  const double n = std::wcstod(plain.c_str(), &end);
  if (!end || *end || !std::isfinite(n)) return false;
  out = n;
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

}  // namespace

std::wstring LocalNumberText(double n) {
  std::wstring text = NumberText(n);
  const wchar_t decimal = CurrentSeparators().decimal;
  for (wchar_t& c : text)
    if (c == L'.') c = decimal;
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
  } else if (ReadLocalNumber(text, CurrentSeparators(), n)) {
    cells.SetValue(row, column, CellValue(n));
  } else if (SameLetters(text, L"ИСТИНА") || SameLetters(text, L"ЛОЖЬ")) {
    cells.SetValue(row, column, CellValue::Bool(SameLetters(text, L"ИСТИНА")));
  } else if (ReadLocalDate(text, n)) {
    cells.SetValue(row, column, CellValue(n));
    SetNumberFormat(sheet, row, column, L"dd.mm.yyyy");
  } else {
    cells.SetValue(row, column, CellValue(text));
  }
}

void DefineFormulaLocal(Range* range) {
  Worksheet* sheet = range->sheet();
  range->Define(L"FormulaLocal", [range, sheet](HostObject::Call& call) -> HRESULT {
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const Area& a = range->areas().front();
    if (!call.is_put()) {
      const SheetCells& cells = sheet->cells();
      return GiveAreaValues(call, a, [&](LONG r, LONG c) { return Text(LocalText(cells.Find(r, c)).c_str()); });
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

}

void DefineLocalSeparators(Application* application) {
  // The host reads typed numbers with the system's separators unless the user chose its own (its default);
  // its own are then a decimal comma and a space, as a Russian user sets them.
  application->DefineValue(L"UseSystemSeparators", Bool(true), VT_BOOL);
  application->DefineValue(L"DecimalSeparator", Text(L","), VT_BSTR);
  application->DefineValue(L"ThousandsSeparator", Text(L" "), VT_BSTR);
}

}  // namespace korvel::standin
