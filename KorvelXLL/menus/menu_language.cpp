// The language list's command: each use switches the menu table to the other language. It rebuilds no
// menu: the swapped table applies to windows built later and to the commands that read their rows.
#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "startup/exports.h"
#include "startup/life_cycle.h"

extern "C" int __stdcall XLLbuttonMenuLanguag(wchar_t*) {
  using namespace korvel::xll;
  try {
    if (!FindMenuRow(ActiveMenuTable, L"XLLbuttonMenuLanguag")) return -1;
    if (IsRussianUI()) return 0;
    SwapMenuTables();
    MenuLanguage = MenuLanguage == 1 ? 2 : 1;
    return 0;
  } catch (...) {
    return -1;
  }
}
