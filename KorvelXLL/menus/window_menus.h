// The add-in's controls in the active window: the main-menu controls and the three context popups.
#pragma once

#include "menus/menu_tables.h"

namespace korvel::xll {

// Builds the active window from `table`. On a failure (reported by the failing call) every control added
// in this window is deleted again, so that the window is either complete or as it was: the popups go in
// before the row-0 control that marks a window built, and a half-built window would otherwise be skipped,
// or get three more popups, at the next build.
bool BuildActiveWindow(const MenuTable& table);

}  // namespace korvel::xll
