// The entries of the command-list combo box: one per command of the table, "Caption(OnAction)".
#pragma once

#include "menus/menu_tables.h"

namespace korvel::xll {

// Appends the entries to the table's command-list row (its next-to-last row) unless it holds them already;
// each table gets them once.
void AppendCommandList(MenuTable& table);

}  // namespace korvel::xll
