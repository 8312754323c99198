// The add-in's one road to the host's call entry, and the reporting call that every command uses.
#pragma once

#include <vector>

#include "host/xl_types.h"

extern "C" {
// Calls the host's function `xlfn` with `count` further XLOPER12* arguments.
int Excel12(int xlfn, korvel::xll::XLOPER12* result, int count, ...);
int Excel12v(int xlfn, korvel::xll::XLOPER12* result, int count, korvel::xll::XLOPER12** args);
// Calls the host and reports a failure in an error box unless `quiet`; arguments flagged xlbitDLLFree are
// released after the call. `args` wins over the variadic records when given.
int Excel12X(int xlfn, korvel::xll::XLOPER12* result, bool quiet, const std::vector<korvel::xll::XLOPER12*>* args,
             int count, ...);
// The host's main window, the owner of every message box; null when the host gives none.
HWND GetHostHwnd();
// XLCallVer of the host's XLCALL32.DLL.
int HostCallVersion();
}

namespace korvel::xll {

// The entry point that calls go to; bound on first use.
HostCallEntry BoundHostEntry();
// SetExcel12EntryPt's rule: the host's callback counts only when the main module exports none.
void OfferHostEntry(HostCallEntry offered);

}  // namespace korvel::xll
