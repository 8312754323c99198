// The server's type-library reference in the VBA projects of the host's workbooks, beyond what the start-up
// and removal steps declare.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace korvel::xll {

// The reference's name in a project, and the type library's identifier as AddFromGuid takes it (in braces).
extern const wchar_t* const kReferenceName;
const std::wstring& ServerLibidText();

// Adds (or removes) the reference in `workbook`, the one an application event names; null falls back to the
// active workbook. 0 when done, -1 when refused or failed; counted as VbaReference counts.
int VbaReferenceInWorkbook(bool add, IDispatch* workbook);

// Back to the load state: no walk over the workbooks has run.
void RestoreReferenceLoadState();

}  // namespace korvel::xll
