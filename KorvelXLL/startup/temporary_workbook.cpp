// The temporary workbook of start-up: a host that has no workbook window yet gets one for as long as the
// search for its Application object needs it.
#include <string>

#include "host/host_call.h"
#include "host/host_state.h"
#include "host/xl_owners.h"
#include "startup/host_application.h"

namespace korvel::xll {
namespace {

// The active workbook's name (the host's document information 88); empty when the host gives none.
std::wstring ActiveWorkbookName() {
  XLOPER12 which{};
  which.xltype = xltypeNum;
  which.val.num = 88;
  HostResult name;
  if (Excel12X(xlfGetDocument, name.get(), false, nullptr, 1, &which) != xlretSuccess) return std::wstring();
  return name.Text();
}

bool ActivateWorkbook(const std::wstring& name) {
  XLOPER12* text = NewXLStr(name.c_str());
  if (!text) return false;
  // Excel12X releases the text after the call.
  return Excel12X(xlcActivate, nullptr, false, nullptr, 1, text) == xlretSuccess;
}

void CloseActiveWithoutSaving() {
  XLOPER12 no_save{};
  no_save.xltype = xltypeNum;
  no_save.val.num = 0;
  Excel12X(xlcClose, nullptr, false, nullptr, 1, &no_save);
}

}  // namespace

void ReachThroughTemporaryWorkbook() {
  if (Excel12X(xlcNew, nullptr, false, nullptr, 0) != xlretSuccess) return;
  ++StartupCounters[kTemporaryWorkbook];
  const std::wstring name = ActiveWorkbookName();
  if (name.empty()) {
    // Nothing has run since the new workbook became active, so the active one is still it; later, without
    // its name, nothing could tell it from a user's workbook.
    CloseActiveWithoutSaving();
    return;
  }
  SearchWorkbookWindows();
  // A refused activation leaves the active workbook as it was; it is closed only when its name shows it
  // is the temporary one, never a user's workbook in its place.
  if (ActivateWorkbook(name) || ActiveWorkbookName() == name) CloseActiveWithoutSaving();
}

}  // namespace korvel::xll
