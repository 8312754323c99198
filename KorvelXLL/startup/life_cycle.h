// What the life cycle offers the rest of the add-in.
#pragma once

#include <windows.h>

namespace korvel::xll {

// True when the host's user-interface language is Russian (1049); a failed read gives false after its box.
bool IsRussianUI();
// The callback of the workbook-window search: takes the Application object from the first "EXCEL7" window
// whose native object model gives one, and stops the enumeration there.
BOOL CALLBACK FindExcelWindowProc(HWND window, LPARAM unused);

}  // namespace korvel::xll
