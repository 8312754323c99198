// The tracer arrows of the active sheet: precedents of the selection's formula cells, dependents of every
// selected cell, and the removal of all arrows. The host refuses arrows on a protected sheet, so each
// command looks at the protection first.
#include <ctime>

#include "commands/object_calls.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

constexpr LONG kFormulaCells = -4123;  // the host's constant for the cells that hold formulas
constexpr wchar_t kNoCells[] = L"Не найдено ни одной ячейки, удовлетворяющей указанным условиям.";

// False (its box shown) when the active sheet is protected or cannot be asked.
bool ActiveSheetOpen() {
  HeldObject sheet;
  if (CallMember(kGetMember, pExcelDisp, L"ActiveSheet", sheet.out()) != 0) {
    ShowBox(kErrorBox, L"ActiveSheet");
    return false;
  }
  OwnedVariant protect;
  if (CallMember(kGetMember, sheet.get(), L"ProtectContents", &protect) != 0) {
    ShowBox(kErrorBox, L"ProtectContents");
    return false;
  }
  if (ReadTruth(protect)) {
    ShowBox(kWarningBox, L"Снимите защиту листа перед выполнением этой команды");
    return false;
  }
  return true;
}

struct TraceKind {
  const wchar_t* question;
  const wchar_t* show;        // the member called on each cell
  bool formulas_only;         // a selection of several cells is narrowed to its formula cells
  UINT area_count_box;        // the box of a failing Count of one area
};

const TraceKind kPrecedents{L"Показать влияющие ячейки на выделенный диапазон?", L"ShowPrecedents", true,
                            kWarningBox};
const TraceKind kDependents{L"Показать зависимые ячейки от выделенного диапазона?", L"ShowDependents", false,
                            kErrorBox};

// Every cell of one area, in the order of the area's Item 1 to Count.
void TraceArea(const TraceKind& kind, IDispatch* area) {
  OwnedVariant count_value;
  long long count = 0;
  if (CallMember(kGetMember, area, L"Count", &count_value) != 0 || !ReadInteger(count_value, count)) {
    ShowBox(kind.area_count_box, L"Count");
    return;
  }
  for (long long j = 1; j <= count; ++j) {
    HeldObject cell;
    if (CallMember(kGetMember, area, L"Item", cell.out(), {OwnedVariant::I4(static_cast<LONG>(j))}) != 0) {
      ShowBox(kWarningBox, L"Item");
      continue;
    }
    if (CallMember(kCallMember, cell.get(), kind.show, nullptr) != 0) ShowBox(kWarningBox, kind.show);
  }
}

int Trace(const TraceKind& kind, const ScriptedAnswers& script) {
  if (!ConfirmCommand(script, kind.question)) return -1;
  const std::clock_t start = std::clock();
  if (!ActiveSheetOpen()) return -1;
  HeldObject selection, formulas;
  if (CallMember(kGetMember, pExcelDisp, L"Selection", selection.out()) != 0) {
    ShowBox(kErrorBox, L"Selection");
    return -1;
  }
  IDispatch* traced = selection.get();
  if (kind.formulas_only) {
    OwnedVariant cells_value;
    long long cells = 0;
    if (CallMember(kGetMember, traced, L"CountLarge", &cells_value) != 0 || !ReadInteger(cells_value, cells)) {
      ShowBox(kErrorBox, L"CountLarge");
      return -1;
    }
    // One cell is traced whatever it holds; of several, only those with formulas.
    if (cells > 1) {
      if (CallMember(kGetMember, traced, L"SpecialCells", formulas.out(), {OwnedVariant::I4(kFormulaCells)}) != 0) {
        ShowBox(kWarningBox, kNoCells);
        return -1;
      }
      traced = formulas.get();
    }
  }
  HeldObject areas;
  if (CallMember(kGetMember, traced, L"Areas", areas.out()) != 0) {
    ShowBox(kErrorBox, L"Areas");
    return -1;
  }
  OwnedVariant count_value;
  long long count = 0;
  if (CallMember(kGetMember, areas.get(), L"Count", &count_value) != 0 || !ReadInteger(count_value, count)) {
    ShowBox(kErrorBox, L"Count");
    return -1;
  }
  for (long long i = 1; i <= count; ++i) {
    HeldObject area;
    if (CallMember(kGetMember, areas.get(), L"Item", area.out(), {OwnedVariant::I4(static_cast<LONG>(i))}) != 0) {
      ShowBox(kWarningBox, L"Item");
      continue;
    }
    TraceArea(kind, area.get());
  }
  TimingNotice(script, 2, start);
  return 0;
}

int RemoveArrows(const ScriptedAnswers& script) {
  const std::clock_t start = std::clock();
  if (!ActiveSheetOpen()) return -1;
  HeldObject sheet;
  if (CallMember(kGetMember, pExcelDisp, L"ActiveSheet", sheet.out()) != 0) {
    ShowBox(kErrorBox, L"ActiveSheet");
    return -1;
  }
  if (CallMember(kCallMember, sheet.get(), L"ClearArrows", nullptr) != 0) {
    ShowBox(kErrorBox, L"ClearArrows: ");
    return -1;
  }
  TimingNotice(script, 1, start);
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonTracePrecedents(wchar_t* scripted_answers) {
  try {
    return Trace(kPrecedents, ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}

extern "C" int __stdcall XLLbuttonTraceDependents(wchar_t* scripted_answers) {
  try {
    return Trace(kDependents, ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}

extern "C" int __stdcall XLLbuttonRemoveArrows(wchar_t* scripted_answers) {
  try {
    return RemoveArrows(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}
