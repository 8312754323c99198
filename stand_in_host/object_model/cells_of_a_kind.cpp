#include "object_model/cells_of_a_kind.h"

#include "object_model/member_helpers.h"
#include "object_model/object_model.h"

namespace korvel::standin {
namespace {

constexpr LONG kFormulas = -4123;
constexpr LONG kConstants = 2;
constexpr LONG kNumbers = 1, kTexts = 2, kBooleans = 4, kErrors = 16;

bool Omitted(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }

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

void DefineSpecialCells(Range* range) {
  Worksheet* sheet = range->sheet();
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

}

}  // namespace korvel::standin
