// The two menu tables: one row per control that the add-in puts into the host's menus, read by position.
#pragma once

#include <vector>

#include "host/owned_variant.h"

namespace korvel::xll {

// Positions of a row.
enum MenuPosition : size_t {
  kMenuMain = 0,
  kMenuContext = 1,
  kMenuKind = 2,
  kMenuCaption = 3,
  kMenuOnAction = 4,
  kMenuTooltip = 5,
  kMenuFaceId = 6,
  kMenuText = 7,
  kMenuListIndex = 8,
  kMenuFirstEntry = 9,
};

// The host's control-type numbers.
enum MenuControlKind : LONG {
  kControlButton = 1,
  kControlEdit = 2,
  kControlDropdown = 3,
  kControlCombo = 4,
  kControlPopup = 10,
};

using MenuRow = std::vector<OwnedVariant>;
using MenuTable = std::vector<MenuRow>;

constexpr size_t kMenuRows = 25;

// A table as the library builds it at load: the Russian one, or the English one.
MenuTable BuildMenuTable(bool english);

// Finds the row whose OnAction text is `command`; null when none has it.
MenuRow* FindMenuRow(MenuTable& table, const wchar_t* command);

}  // namespace korvel::xll

extern "C" {
// Russian at load; the menus are built, removed and registered from it.
extern korvel::xll::MenuTable ActiveMenuTable;
// English at load; waits to be swapped in.
extern korvel::xll::MenuTable OtherMenuTable;
// Exchanges the two tables' contents without copying a row.
void SwapMenuTables();
}
