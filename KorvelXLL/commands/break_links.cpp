// Breaking the links of the active sheet: every formula that reaches another sheet or workbook (a "!" in its
// text) is replaced by its current value, through the host's C API with the host in fast mode.
#include <string>

#include "commands/formula_text.h"
#include "host/fast_mode.h"
#include "host/host_call.h"
#include "host/xl_owners.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr UINT kGoOnQuestion = MB_OKCANCEL | MB_ICONQUESTION | MB_TOPMOST;
constexpr UINT kErrorValueQuestion = MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST;
static_assert(kGoOnQuestion == 0x40021 && kErrorValueQuestion == 0x40131, "the box types of the command");

constexpr wchar_t kQuestion[] =
    L"Разорвать связи с другими ЛИСТАМИ и КНИГАМИ.\n\nПри разрыве связей формулы и внешние ссылки будут "
    L"преобразованы в принимаемые на данный момент значения. Т.к. эту операцию невозможно отменить, "
    L"рекомендуется сохранить версию этого файла под другим именем.\n\n(Признак разрыва связи в ячейке: наличие "
    L"в формуле символа '!')\n\nПродолжаем?";
constexpr wchar_t kErrorValueText[] =
    L"Ошибка в формуле с внешней ссылкой!\nПродолжить дальше или завершить макрос, для возможности исправить "
    L"ошибку вручную ?\n\n ОК- продолжить и сохранить все ошибочные значения как есть на сейчас, с ошибкой (не "
    L"рекомендуется)\n\nОтмена - завершить работу и показать ячейку с ошибкой (команду можно запустить еще раз, "
    L"после исправлений)";

// The `k`-th cell (from 0) of a reference, its areas walked in order and each area row by row; false when
// the reference has fewer cells.
bool LocateCell(const XLOPER12& reference, long long k, XlArea& cell) {
  const DWORD kind = reference.xltype & ~(xlbitXLFree | xlbitDLLFree);
  const XlArea* areas = nullptr;
  WORD count = 0;
  if (kind == xltypeSRef) {
    areas = &reference.val.sref.ref;
    count = 1;
  } else if (kind == xltypeRef && reference.val.mref.lpmref) {
    areas = reference.val.mref.lpmref->reftbl;
    count = reference.val.mref.lpmref->count;
  }
  for (WORD a = 0; a < count; ++a) {
    const long long width = static_cast<long long>(areas[a].colLast) - areas[a].colFirst + 1;
    const long long cells = (static_cast<long long>(areas[a].rwLast) - areas[a].rwFirst + 1) * width;
    if (width <= 0 || cells <= 0) continue;
    if (k >= cells) {
      k -= cells;
      continue;
    }
    cell.rwFirst = cell.rwLast = static_cast<XlRow>(areas[a].rwFirst + k / width);
    cell.colFirst = cell.colLast = static_cast<XlColumn>(areas[a].colFirst + k % width);
    return true;
  }
  return false;
}

bool Succeeds(int code) { return code == xlretSuccess; }

// Steps 3 to 9 of the command, with the prompts' script and timer; false for a host failure (its box shown
// and the host's settings put back by the failing call).
bool BreakLinks(TimedPrompts& prompts, long long& broken) {
  XLOPER12 cell{};
  cell.xltype = xltypeSRef;
  cell.val.sref.count = 1;
  cell.val.sref.ref = XlArea{0, 0, 0, 0};
  if (!Succeeds(Excel12X(xlcCalculateNow, nullptr, false, nullptr, 0))) return false;
  if (!Succeeds(Excel12X(xlcSelect, nullptr, false, nullptr, 1, &cell))) return false;
  // With one cell selected the host selects every formula of the sheet; a sheet without one fails quietly.
  XLOPER12 formulas{};
  formulas.xltype = xltypeNum;
  formulas.val.num = 3;
  if (!Succeeds(Excel12X(xlcSelectSpecial, nullptr, true, nullptr, 1, &formulas))) return false;
  HostResult selection;
  if (!Succeeds(Excel12X(xlfSelection, selection.get(), false, nullptr, 0))) return false;
  if (HostFastMode(false)) return false;
  const long long cells = CellCount(selection.get());
  for (long long k = 0; k < cells; ++k) {
    if (!LocateCell(*selection, k, cell.val.sref.ref)) break;
    HostResult formula;
    if (!Succeeds(Excel12X(xlfGetFormula, formula.get(), false, nullptr, 1, &cell))) return false;
    // A "!" inside a text constant (="Total!"&A1) or a table's column name ([@[Done!]]) is no link: such a
    // formula stays.
    if (!OccursInFormulaSyntax(formula.Text(), L"!")) continue;
    HostResult value;
    if (!Succeeds(Excel12X(xlCoerce, value.get(), false, nullptr, 1, &cell))) return false;
    if (value.kind() == xltypeErr && IsDeclined(prompts.Ask(kErrorValueQuestion, kErrorValueText))) {
      if (!Succeeds(Excel12X(xlcSelect, nullptr, false, nullptr, 1, &cell))) return false;
      break;
    }
    XLOPER12 replacement = value.AsArgument();
    if (!Succeeds(Excel12X(xlSet, nullptr, false, nullptr, 2, &cell, &replacement))) return false;
    ++broken;
  }
  HostFastMode(true);
  return true;
}

int BreakLinksSheet(const wchar_t* scripted_answers) {
  TimedPrompts prompts(scripted_answers);
  if (IsDeclined(prompts.Ask(kGoOnQuestion, kQuestion))) return -1;
  long long broken = 0;
  if (!BreakLinks(prompts, broken)) return -1;
  prompts.Ask(kInformationBox, (L"Разорвано связей в ячейках: " + std::to_wstring(broken)).c_str());
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonBreakLinksSheet(wchar_t* scripted_answers) {
  int result = -1;
  try {
    result = BreakLinksSheet(scripted_answers);
  } catch (...) {
    result = -1;
  }
  // The walk runs in fast mode: a stop that is no failed host call (running out of memory) must not leave the
  // host without screen updating and calculation.
  LeaveHostNormal();
  return result;
}
