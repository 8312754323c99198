// The add-in's life cycle in the host. Not built yet: the host's notifications are answered and do nothing.
#include "startup/exports.h"

extern "C" {
int __stdcall xlAutoOpen() { return 1; }
int __stdcall xlAutoClose() { return 1; }
int __stdcall xlAutoAdd() { return 1; }
int __stdcall xlAutoRemove() { return 1; }
}

#include "startup/life_cycle.h"

namespace korvel::xll {

bool IsRussianUI() { return false; }
BOOL CALLBACK FindExcelWindowProc(HWND, LPARAM) { return TRUE; }

}  // namespace korvel::xll
