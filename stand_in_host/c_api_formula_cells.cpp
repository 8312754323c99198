// The host's C API over what the sheet's cells hold: xlcSelectSpecial (3: the formula cells) and
// xlfGetFormula of one cell. Texts handed out are host memory, counted until xlFree.
#include "c_api.h"
#include "host_numbers.h"
#include "object_model/cell_values.h"
#include "object_model/object_model.h"
#include "object_model/cells_of_a_kind.h"

namespace korvel::standin {

using namespace hostapi;

namespace {

constexpr LONG kFormulaCells = -4123;
// The dialog's choice of formula cells, as the command takes it.
constexpr int kSelectFormulas = 3;

DWORD Kind(const XLOPER12* r) { return r ? r->xltype & ~(xlbitXLFree | xlbitDLLFree) : 0; }

// One cell as a reference names it: xltypeSRef on the active sheet, a one-cell xltypeRef on the sheet of its id.
bool ReadCell(const XLOPER12* r, Worksheet*& sheet, LONG& row, LONG& column) {
  Application* app = ObjectModel::Get().application();
  const xll::XlArea* area = nullptr;
  if (Kind(r) == xltypeSRef && r->val.sref.count == 1) {
    sheet = app ? app->active_sheet() : nullptr;
    area = &r->val.sref.ref;
  } else if (Kind(r) == xltypeRef && r->val.mref.lpmref && r->val.mref.lpmref->count == 1) {
    sheet = app ? app->SheetById(r->val.mref.idSheet) : nullptr;
    area = &r->val.mref.lpmref->reftbl[0];
  } else {
    return false;
  }
  if (!sheet || area->rwFirst != area->rwLast || area->colFirst != area->colLast) return false;
  row = area->rwFirst + 1;
  column = area->colFirst + 1;
  return row >= 1 && row <= kSheetRows && column >= 1 && column <= kSheetColumns;
}

bool ReadNumber(const XLOPER12* r, int& out) {
  if (Kind(r) == xltypeNum) {
    out = static_cast<int>(r->val.num);
    return out == r->val.num;
  }
  if (Kind(r) == xltypeInt) {
    out = r->val.w;
    return true;
  }
  return false;
}

}  // namespace

void CApi::InstallSpecialCells() {
  // With one cell selected the host looks at the whole sheet, with several at the selection; no formula
  // cell there, and it fails as its dialog does.
  handlers_[xlcSelectSpecial] = [](int count, XLOPER12** args, XLOPER12* result) {
    int what = 0;
    if (count < 1 || !ReadNumber(args[0], what)) return xlretInvXloper;
    if (what != kSelectFormulas) return xlretFailed;
    Worksheet* sheet = ObjectModel::Get().application()->active_sheet();
    if (!sheet) return xlretFailed;
    SheetCells& cells = sheet->cells();
    Areas within = cells.selection().areas;
    int64_t selected = 0;
    for (const Area& a : within) selected += a.count();
    if (selected == 1) {
      Area used;
      if (!cells.UsedRange(used)) return xlretFailed;
      within = Areas{used};
    }
    const Areas found = MatchingCells(cells, within, kFormulaCells, 0);
    if (found.empty()) return xlretFailed;
    cells.Select(found);
    if (result) {
      *result = XLOPER12{};
      result->xltype = xltypeBool;
      result->val.xbool = TRUE;
    }
    return xlretSuccess;
  };
  // The formula of a formula cell, else the constant as the host writes it; empty for an empty cell.
  handlers_[xlfGetFormula] = [this](int count, XLOPER12** args, XLOPER12* result) {
    Worksheet* sheet = nullptr;
    LONG row = 0, column = 0;
    if (count != 1 || !ReadCell(args[0], sheet, row, column)) return xlretInvXloper;
    if (!result) return xlretSuccess;
    HandOutString(result, FormulaText(sheet->cells().Find(row, column)));
    return xlretSuccess;
  };
}

}  // namespace korvel::standin
