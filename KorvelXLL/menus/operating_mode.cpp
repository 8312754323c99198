// The mode list's command: takes the chosen item as the operating mode and selects it in every window.
#include "host/fast_mode.h"
#include "host/host_state.h"
#include "menus/menu_calls.h"
#include "menus/window_walk.h"
#include "startup/exports.h"

namespace korvel::xll {
namespace {

constexpr const wchar_t* kModeCommand = L"XLLbuttonOperatingModeXLL";

// Selects `mode` in the mode lists of the active window.
bool SelectInActiveWindow(const VARIANT& kind, const std::wstring& tag, LONG mode) {
  OwnedVariant lists;
  const Lookup lookup = FindControls(true, kind, tag, lists);
  if (lookup == Lookup::kFailed) return false;
  if (lookup == Lookup::kNone) return true;
  LONG count = 0;
  if (!GetNumber(L"Count", &lists, count)) return false;
  for (LONG k = 1; k <= count; ++k) {
    OwnedVariant list;
    if (!GetObject(L"Item", &lists, list, {OwnedVariant::I4(k)}) ||
        !PutMember(list, L"ListIndex", OwnedVariant::I4(mode)))
      return false;
  }
  return true;
}

int ChooseMode() {
  MenuRow* row = FindMenuRow(ActiveMenuTable, kModeCommand);
  if (!row) return -1;
  const std::wstring tag = ControlTag(static_cast<size_t>(row - ActiveMenuTable.data()));
  const OwnedVariant kind(RowValue(*row, kMenuKind));

  OwnedVariant chosen_list;
  if (FindControls(false, kind, tag, chosen_list) != Lookup::kFound) return -1;
  LONG chosen = 0;
  if (!GetNumber(L"ListIndex", &chosen_list, chosen)) return -1;
  if (chosen == OperatingMode) return 0;
  OperatingMode = chosen;
  // Lists built later start on the new mode.
  if (row->size() <= kMenuListIndex) row->resize(kMenuListIndex + 1);
  (*row)[kMenuListIndex] = OwnedVariant::I4(chosen);

  WindowWalk walk;
  if (!walk.Start()) return -1;
  if (HostFastMode(false)) return -1;
  for (;;) {
    if (!SelectInActiveWindow(kind, tag, chosen)) return -1;
    switch (walk.Advance()) {
      case WindowWalk::Step::kAnotherWindow: continue;
      case WindowWalk::Step::kStopped: return -1;
      case WindowWalk::Step::kBackAtStart: HostFastMode(true); return 0;
    }
  }
}

}  // namespace
}  // namespace korvel::xll

extern "C" int __stdcall XLLbuttonOperatingModeXLL(wchar_t*) {
  using namespace korvel::xll;
  int result = -1;
  try {
    result = ChooseMode();
  } catch (...) {
    result = -1;
  }
  // Every stop leaves the host normal: the host-call layers restore it on their failures, and this covers
  // the stops that are no failed host call.
  LeaveHostNormal();
  return result;
}
