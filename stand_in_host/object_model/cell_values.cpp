// Cell values to and from the VARIANTs that the stand-in's Range members hand over.
#include "object_model/cell_values.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

namespace korvel::standin {
namespace {

struct ErrorName {
  int code;
  const wchar_t* text;
};

constexpr ErrorName kErrorNames[] = {{0, L"#NULL!"}, {7, L"#DIV/0!"}, {15, L"#VALUE!"}, {23, L"#REF!"},
                                     {29, L"#NAME?"}, {36, L"#NUM!"},  {42, L"#N/A"}};

// A typed number in the host's invariant form: digits, one point, an exponent; spaces around.
bool ReadNumber(const std::wstring& text, double& out) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring::npos) return false;
  const std::wstring t = text.substr(first, text.find_last_not_of(L' ') - first + 1);
  bool digit = false;
  for (wchar_t c : t) {
    if (c >= L'0' && c <= L'9') digit = true;
    else if (c != L'.' && c != L'+' && c != L'-' && c != L'e' && c != L'E') return false;
  }
  wchar_t* end = nullptr;
  const double n = digit ? std::wcstod(t.c_str(), &end) : 0;
  if (!digit || !end || *end != 0 || !std::isfinite(n)) return false;
  out = n;
  return true;
}

}  // namespace

SCODE CellErrorCode(int code) { return static_cast<SCODE>(0x800A0000u + 2000u + static_cast<unsigned>(code)); }

std::wstring NumberText(double n) {
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%.15G", n);
  return buffer;
}

std::wstring ErrorText(int code) {
  for (const ErrorName& e : kErrorNames)
    if (e.code == code) return e.text;
  return L"#VALUE!";
}

OwnedVariant ToVariant(const CellValue& value) {
  OwnedVariant v;
  switch (value.kind) {
    case CellValue::Kind::kEmpty: break;
    case CellValue::Kind::kNumber: v.vt = VT_R8; v.dblVal = value.number; break;
    case CellValue::Kind::kText: v = OwnedVariant::Text(value.text.c_str()); break;
    case CellValue::Kind::kBool: v = OwnedVariant::Bool(value.boolean); break;
    case CellValue::Kind::kError: v.vt = VT_ERROR; v.scode = CellErrorCode(value.error); break;
  }
  return v;
}

bool PutVariant(SheetCells& cells, LONG row, LONG column, const VARIANT& v, bool calculate) {
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: cells.Erase(row, column); return true;
    case VT_BOOL: cells.SetValue(row, column, CellValue::Bool(v.boolVal != VARIANT_FALSE)); return true;
    case VT_ERROR: {
      const auto code = static_cast<unsigned>(v.scode) - 0x800A0000u - 2000u;
      cells.SetValue(row, column, CellValue::Error(static_cast<int>(code)));
      return true;
    }
    case VT_BSTR: {
      const std::wstring text(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0);
      double n = 0;
      if (!text.empty() && text[0] == L'=') {
        cells.EnterFormula(row, column, text, calculate);
      } else if (!text.empty() && text[0] == L'\'') {
        cells.SetValue(row, column, CellValue(text.substr(1)));
      } else if (ReadNumber(text, n)) {
        cells.SetValue(row, column, CellValue(n));
      } else if (_wcsicmp(text.c_str(), L"TRUE") == 0 || _wcsicmp(text.c_str(), L"FALSE") == 0) {
        cells.SetValue(row, column, CellValue::Bool(_wcsicmp(text.c_str(), L"TRUE") == 0));
      } else if (text.empty()) {
        cells.Erase(row, column);
      } else {
        cells.SetValue(row, column, CellValue(text));
      }
      return true;
    }
    default: {
      OwnedVariant number;
      if (v.vt & (VT_ARRAY | VT_BYREF) || FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&v), 0, VT_R8)))
        return false;
      cells.SetValue(row, column, CellValue(number.dblVal));
      return true;
    }
  }
}

std::wstring FormulaText(const Cell* cell) {
  if (!cell) return L"";
  if (cell->has_formula()) return cell->formula;
  const CellValue& v = cell->value;
  switch (v.kind) {
    case CellValue::Kind::kEmpty: return L"";
    case CellValue::Kind::kNumber: return NumberText(v.number);
    case CellValue::Kind::kText: return v.text;
    case CellValue::Kind::kBool: return v.boolean ? L"TRUE" : L"FALSE";
    case CellValue::Kind::kError: return ErrorText(v.error);
  }
  return L"";
}

}  // namespace korvel::standin
