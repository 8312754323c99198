#include "menus/window_menus.h"

#include "menus/menu_calls.h"

namespace korvel::xll {
namespace {

// The context menus that get the add-in's popup, in order.
const wchar_t* const kContextPopupPaths[] = {
    L"CommandBars.Item(cell).Controls.Add(10,1,,1,1)",
    L"CommandBars.Item(row).Controls.Add(10,1,,1,1)",
    L"CommandBars.Item(column).Controls.Add(10,1,,1,1)",
};
constexpr size_t kParents = 4;  // the main menu, then the three popups

class WindowBuild {
 public:
  explicit WindowBuild(const MenuTable& table) : table_(table) {}

  bool Run() {
    if (!MakeParents()) return false;
    for (size_t i = 0; i < table_.size(); ++i)
      for (size_t j = 0; j < kParents; ++j)
        if (RowNumber(table_[i], j == 0 ? kMenuMain : kMenuContext) > 0 && !AddControl(i, j)) return false;
    return true;
  }

  // Deletes, last first, what this build put into the window's own bars; a popup takes its controls along.
  // Quiet: the failure that ended the build has been reported already.
  void Undo() {
    for (auto it = added_.rbegin(); it != added_.rend(); ++it) CallMember(L"Delete", &*it, {}, /*quiet=*/true);
    added_.clear();
  }

 private:
  bool MakeParents() {
    if (!GetObject(L"CommandBars(Worksheet Menu Bar).Controls(1).Controls", nullptr, parents_[0])) return false;
    const size_t last = table_.size() - 1;
    for (size_t j = 1; j < kParents; ++j) {
      OwnedVariant popup;
      if (!GetObject(kContextPopupPaths[j - 1], nullptr, popup)) return false;
      added_.push_back(popup);
      if (!PutMember(popup, L"Caption", RowValue(table_[last], kMenuCaption)) ||
          !PutMember(popup, L"Tag", OwnedVariant::Text(ControlTag(last).c_str())) ||
          !GetObject(L"Controls", &popup, parents_[j]))
        return false;
    }
    return true;
  }

  bool AddControl(size_t i, size_t j) {
    const MenuRow& row = table_[i];
    LONG count = 0;
    if (!GetNumber(L"Count", &parents_[j], count)) return false;
    OwnedVariant control;
    if (!GetObject(L"Add", &parents_[j], control, Arguments(RowValue(row, kMenuKind), count + 1))) return false;
    // Controls inside the popups go with them; only the main menu's are deleted one by one.
    if (j == 0) added_.push_back(control);
    if (!PutMember(control, L"Tag", OwnedVariant::Text(ControlTag(i).c_str())) ||
        !PutMember(control, L"Caption", RowValue(row, kMenuCaption)) ||
        !PutMember(control, L"OnAction", RowValue(row, kMenuOnAction)) ||
        !PutMember(control, L"TooltipText", RowValue(row, kMenuTooltip)))
      return false;
    switch (RowNumber(row, kMenuKind)) {
      case kControlButton:
        return PutMember(control, L"FaceId", RowValue(row, kMenuFaceId));
      case kControlEdit:
        return PutMember(control, L"Text", RowValue(row, kMenuText));
      case kControlDropdown:
      case kControlCombo:
        for (size_t k = kMenuFirstEntry; k < row.size(); ++k)
          if (!CallMember(L"AddItem", &control, {OwnedVariant(row[k])})) return false;
        return PutMember(control, L"ListIndex", RowValue(row, kMenuListIndex));
      case kControlPopup:
        return AddSubControls(row, control);
      default:
        return true;
    }
  }

  // Each sub-control goes in at the top of the popup, so they end up in reverse group order.
  bool AddSubControls(const MenuRow& row, OwnedVariant& popup) {
    for (size_t k = kMenuFirstEntry; k < row.size(); k += 5) {
      OwnedVariant sub;
      if (!GetObject(L"Controls.Add", &popup, sub, Arguments(RowValue(row, k), 1)) ||
          !PutMember(sub, L"Caption", RowValue(row, k + 1)) || !PutMember(sub, L"OnAction", RowValue(row, k + 2)) ||
          !PutMember(sub, L"TooltipText", RowValue(row, k + 3)))
        return false;
      if (RowNumber(row, k) == kControlButton && !PutMember(sub, L"FaceId", RowValue(row, k + 4))) return false;
    }
    return true;
  }

  // Type, Id 1, an empty Parameter, Before, Temporary 1: every control is temporary.
  static std::vector<OwnedVariant> Arguments(const VARIANT& kind, LONG before) {
    std::vector<OwnedVariant> args;
    args.emplace_back(kind);
    args.push_back(OwnedVariant::I4(1));
    args.push_back(OwnedVariant::Text(L""));
    args.push_back(OwnedVariant::I4(before));
    args.push_back(OwnedVariant::I4(1));
    return args;
  }

  const MenuTable& table_;
  OwnedVariant parents_[kParents];
  std::vector<OwnedVariant> added_;
};

}  // namespace

bool BuildActiveWindow(const MenuTable& table) {
  if (table.empty()) return false;
  WindowBuild build(table);
  if (build.Run()) return true;
  build.Undo();
  return false;
}

}  // namespace korvel::xll
