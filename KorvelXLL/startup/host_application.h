// How start-up reaches the host's Application object: through the native object model of a workbook
// window, creating a temporary workbook when the host has none.
#pragma once

namespace korvel::xll {

// Start-up's search: the workbook windows of the host, then, when none gives the object, a temporary
// workbook's window. Sets pExcelDisp and raises the counters of what it did; silent but for the host
// calls that Excel12X reports.
void ReachHostApplication();
// One search through the child windows of the host's window; nothing when the host gives no window.
void SearchWorkbookWindows();
// The temporary workbook: created, searched through, and closed without saving on every path on which it
// can still be told from a user's workbook.
void ReachThroughTemporaryWorkbook();

}  // namespace korvel::xll
