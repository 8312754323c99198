#include "object_model/cell_value_types.h"

#include <algorithm>
#include <cwctype>

#include "object_model/cell_values.h"
#include "object_model/member_helpers.h"
#include "object_model/object_model.h"
#include "object_model/ranges.h"
#include "object_model/sheet_extras.h"

namespace korvel::standin {
namespace {

// The last day a Date shows: 9999-12-31.
constexpr double kLastDay = 2958465.0;

bool IsCurrencySign(wchar_t c) {
  return c == L'$' || c == L'\u20BD' || c == L'\u20AC' || c == L'\u00A3' || c == L'\u00A5';
}

bool IsDateCode(wchar_t c) {
  switch (std::towlower(c)) {
    case L'd': case L'm': case L'y': case L'h': case L's': return true;
    default: return false;
  }
}

// What one bracket block says: "[$€-407]" a currency sign, "[h]", "[mm]", "[ss]" elapsed time; colours,
// conditions and "[$-419]" (a locale alone) nothing.
FormatKind KindOfBracket(const std::wstring& block) {
  if (!block.empty() && block[0] == L'$') {
    const size_t dash = block.find(L'-');
    return (dash == std::wstring::npos ? block.size() : dash) > 1 ? FormatKind::kCurrency : FormatKind::kPlain;
  }
  if (block.empty()) return FormatKind::kPlain;
  for (wchar_t c : block)
    if (std::towlower(c) != std::towlower(block[0]) || !IsDateCode(c) || std::towlower(c) == L'd' ||
        std::towlower(c) == L'y')
      return FormatKind::kPlain;
  return FormatKind::kDate;
}

}  // namespace

FormatKind KindOfFormat(const std::wstring& format) {
  bool currency = false, date = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c == L'"') {
      const size_t close = format.find(L'"', i + 1);
      if (close == std::wstring::npos) break;
      i = close;
    } else if (c == L'\\' || c == L'_' || c == L'*') {
      ++i;
    } else if (c == L'[') {
      const size_t close = format.find(L']', i + 1);
      if (close == std::wstring::npos) break;
      const FormatKind kind = KindOfBracket(format.substr(i + 1, close - i - 1));
      currency |= kind == FormatKind::kCurrency;
      date |= kind == FormatKind::kDate;
      i = close;
    } else if (CompareStringOrdinal(format.c_str() + i, std::min<int>(7, static_cast<int>(format.size() - i)),
                                    L"General", 7, TRUE) == CSTR_EQUAL) {
      i += 6;
    } else if (CompareStringOrdinal(format.c_str() + i, std::min<int>(5, static_cast<int>(format.size() - i)),
                                    L"AM/PM", 5, TRUE) == CSTR_EQUAL ||
               CompareStringOrdinal(format.c_str() + i, std::min<int>(3, static_cast<int>(format.size() - i)),
                                    L"A/P", 3, TRUE) == CSTR_EQUAL) {
      date = true;
      i += format[i + 1] == L'/' ? 2 : 4;
    } else if (IsCurrencySign(c)) {
      currency = true;
    } else if (IsDateCode(c)) {
      date = true;
    }
  }
  if (date) return FormatKind::kDate;
  return currency ? FormatKind::kCurrency : FormatKind::kPlain;
}

OwnedVariant TypedValue(const CellValue& value, const std::wstring& format) {
  OwnedVariant v = ToVariant(value);
  if (value.kind != CellValue::Kind::kNumber) return v;
  switch (KindOfFormat(format)) {
    case FormatKind::kCurrency: {
      CY cy{};
      // The platform's conversion rounds to the Currency's four decimals, halves to even.
      if (SUCCEEDED(VarCyFromR8(value.number, &cy))) {
        v.vt = VT_CY;
        v.cyVal = cy;
      }
      break;
    }
    case FormatKind::kDate:
      if (value.number >= 0 && value.number < kLastDay + 1) {
        v.vt = VT_DATE;
        v.date = value.number;
      }
      break;
    case FormatKind::kPlain: break;
  }
  return v;
}

void DefineValueTypes(Range* range) {
  const HostObject::Member plain = range->MemberOf(L"Value");
  if (!plain) return;
  Worksheet* sheet = range->sheet();
  range->Define(L"Value2", plain);
  range->Define(L"Value", [range, sheet, plain](HostObject::Call& call) -> HRESULT {
    if (call.is_put()) return plain(call);
    if (!call.args.empty()) return DISP_E_BADPARAMCOUNT;
    const SheetCells& cells = sheet->cells();
    return GiveAreaValues(call, range->areas().front(), [&](LONG r, LONG c) {
      const Cell* cell = cells.Find(r, c);
      return TypedValue(cell ? cell->value : CellValue(), NumberFormatAt(sheet, r, c));
    });
  });
}

}  // namespace korvel::standin
