// The cell search that macros run by name: the matching cells of a reference as one multi-area reference,
// built from vertical runs of matches. It reads cells through the C API alone.
#include <memory>
#include <string>

#include "commands/match_value.h"
#include "functions/result_records.h"
#include "host/host_call.h"
#include "host/xl_owners.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// The area table holds at most this many runs; one more makes the result null.
constexpr int kMaxRuns = 32767;
// The host's sheet: rows 0..1048575, columns 0..16383.
constexpr XlRow kLastSheetRow = 1048575;
constexpr XlColumn kLastSheetColumn = 16383;
constexpr int kCoerceToArray = 64;  // xltypeMulti as the type argument of xlCoerce

DWORD KindOf(const XLOPER12& v) { return v.xltype & ~(xlbitXLFree | xlbitDLLFree); }

void Report(const wchar_t* what, int area) {
  const std::wstring text = std::wstring(L"FindValuesXLL") + L": ERROR> " + what + L", areasCount: " +
                            std::to_wstring(area);
  ShowBox(kInformationBox, text.c_str());
}

// The areas of a reference as the host hands them over; none for anything else.
struct Areas {
  const XlArea* first = nullptr;
  int count = 0;
};
Areas AreasOf(const XLOPER12& ref) {
  if (KindOf(ref) == xltypeSRef) return {&ref.val.sref.ref, 1};
  if (KindOf(ref) == xltypeRef && ref.val.mref.lpmref)
    return {ref.val.mref.lpmref->reftbl, ref.val.mref.lpmref->count};
  return {};
}

bool Valid(const XlArea& a) {
  return a.rwFirst >= 0 && a.rwFirst <= a.rwLast && a.rwLast <= kLastSheetRow && a.colFirst >= 0 &&
         a.colFirst <= a.colLast && a.colLast <= kLastSheetColumn;
}

class RunCollector {
 public:
  explicit RunCollector(XlAreaList* list) : list_(list) { list_->count = 0; }
  // False when the match would open run kMaxRuns + 1.
  bool Add(XlRow row, XlColumn column) {
    if (list_->count > 0 && column == previous_column_ && row == previous_row_ + 1) {
      list_->reftbl[list_->count - 1].rwLast = row;
    } else {
      if (list_->count == kMaxRuns) return false;
      list_->reftbl[list_->count] = XlArea{row, row, column, column};
      ++list_->count;
    }
    previous_row_ = row;
    previous_column_ = column;
    return true;
  }
  int runs() const { return list_->count; }

 private:
  XlAreaList* list_;
  XlRow previous_row_ = -2;
  XlColumn previous_column_ = -1;
};

XLOPER12* Search(XLOPER12* arr, XLOPER12* find, int compare) {
  if (!arr) return nullptr;
  const Areas areas = AreasOf(*arr);
  if (areas.count == 0) return nullptr;

  // The sheet's last used cell bounds the search, so a whole column costs only the used rows.
  HostResult ignored, last_cell;
  if (Excel12X(xlcSelectLastCell, ignored.get(), false, nullptr, 0) != xlretSuccess) return nullptr;
  if (Excel12X(xlfSelection, last_cell.get(), false, nullptr, 0) != xlretSuccess) return nullptr;
  const Areas bound = AreasOf(*last_cell);
  if (bound.count == 0) return nullptr;
  const XlRow last_row = bound.first->rwLast;
  const XlColumn last_column = bound.first->colLast;
  // The host's own record goes as a copy without ownership flags: Excel12X releases what is flagged.
  XLOPER12 selected = *arr;
  selected.xltype = KindOf(*arr);
  if (Excel12X(xlcSelect, ignored.get(), false, nullptr, 1, &selected) != xlretSuccess) return nullptr;

  OwnedXlRecord result(NewXLAreaRef(kMaxRuns, 0));
  if (!result) return nullptr;
  HostResult sheet;
  if (Excel12X(xlSheetId, sheet.get(), false, nullptr, 0) != xlretSuccess || sheet.kind() != xltypeRef)
    return nullptr;
  result->val.mref.idSheet = sheet->val.mref.idSheet;

  RunCollector runs(result->val.mref.lpmref);
  const XLOPER12 nothing{{}, xltypeNil};
  const XLOPER12& wanted = find ? *find : nothing;
  XLOPER12 type{{}, xltypeInt};
  type.val.w = kCoerceToArray;
  HostResult values;  // one record for every area's values
  for (int k = 0; k < areas.count; ++k) {
    XlArea area = areas.first[k];
    if (!Valid(area)) {
      Report(L"Ref12Areas", k);
      return nullptr;
    }
    if (area.colFirst > last_column || area.rwFirst > last_row) continue;
    if (area.colLast > last_column) area.colLast = last_column;
    if (area.rwLast > last_row) area.rwLast = last_row;
    XLOPER12 one{{}, xltypeSRef};
    one.val.sref.count = 1;
    one.val.sref.ref = area;
    if (Excel12X(xlCoerce, values.get(), false, nullptr, 2, &one, &type) != xlretSuccess) return nullptr;
    if (values.kind() != xltypeMulti || !values->val.array.lparray) {
      Report(L"xltypeMulti", k);
      return nullptr;
    }
    const XlRow rows = values->val.array.rows;
    const XlColumn columns = values->val.array.columns;
    const XLOPER12* cells = values->val.array.lparray;
    for (XlColumn c = 0; c < columns; ++c)
      for (XlRow r = 0; r < rows; ++r)
        if (MatchValue(cells[static_cast<size_t>(r) * columns + c], wanted, compare) &&
            !runs.Add(area.rwFirst + r, area.colFirst + c))
          return nullptr;
  }
  // No match gives #N/A rather than a reference without areas.
  if (runs.runs() == 0) return NewErrorResult(xlerrNA);
  return result.release();
}

}  // namespace

extern "C" XLOPER12* __stdcall FindValuesXLL(XLOPER12* arr, XLOPER12* find, int compare) {
  try {
    return Search(arr, find, compare);
  } catch (...) {
    return nullptr;
  }
}
