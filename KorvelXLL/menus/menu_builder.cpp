#include "menus/menu_builder.h"

#include "host/host_state.h"
#include "menus/command_list.h"
#include "menus/menu_calls.h"
#include "menus/prompts.h"
#include "menus/window_menus.h"
#include "menus/window_walk.h"

namespace korvel::xll {
namespace {

// The row-0 control marks a window built.
Lookup FindBuiltMark(const MenuTable& table) {
  OwnedVariant found;
  return FindControls(false, RowValue(table[0], kMenuKind), ControlTag(0), found);
}

int Build() {
  if (!pExcelDisp) {
    ShowBox(kErrorBox, L"Error HwndExcel: ");
    return -1;
  }
  MenuTable& table = ActiveMenuTable;
  // The last row names the popups, the next-to-last lists the commands, row 0 marks a built window.
  if (table.size() < 3) return -1;
  if (FindBuiltMark(table) != Lookup::kNone) return -1;
  AppendCommandList(table);
  WindowWalk walk;
  if (!walk.Start()) return -1;
  for (;;) {
    const Lookup mark = FindBuiltMark(table);
    if (mark == Lookup::kFailed) return -1;
    if (mark == Lookup::kNone && !BuildActiveWindow(table)) return -1;
    switch (walk.Advance()) {
      case WindowWalk::Step::kAnotherWindow: continue;
      case WindowWalk::Step::kStopped: return -1;
      case WindowWalk::Step::kBackAtStart:
        ++StartupCounters[kMenusBuilt];
        return 0;
    }
  }
}

// Deletes the controls of every row in the active window, from the last found down: deleting while
// counting up would skip every other control of a collection that follows the deletions.
bool RemoveFromActiveWindow(const MenuTable& table) {
  for (size_t i = 0; i < table.size(); ++i) {
    OwnedVariant found;
    const Lookup lookup = FindControls(true, RowValue(table[i], kMenuKind), ControlTag(i), found);
    if (lookup == Lookup::kFailed) return false;
    if (lookup == Lookup::kNone) continue;
    LONG count = 0;
    if (!GetNumber(L"Count", &found, count)) return false;
    for (LONG k = count; k >= 1; --k) {
      OwnedVariant control;
      if (!GetObject(L"Item", &found, control, {OwnedVariant::I4(k)}) || !CallMember(L"Delete", &control))
        return false;
    }
  }
  return true;
}

int Remove() {
  const MenuTable& table = ActiveMenuTable;
  WindowWalk walk;
  if (!walk.Start()) return -1;
  for (;;) {
    if (!RemoveFromActiveWindow(table)) return -1;
    switch (walk.Advance()) {
      case WindowWalk::Step::kAnotherWindow: continue;
      case WindowWalk::Step::kStopped: return -1;
      case WindowWalk::Step::kBackAtStart: return 0;
    }
  }
}

}  // namespace

int BuildMenus() {
  try {
    return Build();
  } catch (...) {
    return -1;
  }
}

int RemoveMenus() {
  try {
    return Remove();
  } catch (...) {
    return -1;
  }
}

}  // namespace korvel::xll
