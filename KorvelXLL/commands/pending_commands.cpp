// Menu commands that are not built yet: each says so in a warning box and gives -1, as a stopped command does.
#include <string>

#include "host/host_call.h"
#include "host/host_state.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

int NotBuiltYet(const wchar_t* name) {
  const std::wstring text = std::wstring(name) + L": this command is not available in this version.";
  MessageBoxW(GetHostHwnd(), text.c_str(), ProductTitle, MB_OK | MB_ICONWARNING | MB_TOPMOST);
  return -1;
}

}  // namespace

#define KORVEL_PENDING_COMMAND(name)                  \
  extern "C" int __stdcall name(wchar_t*) {           \
    try {                                             \
      return NotBuiltYet(L## #name);                  \
    } catch (...) {                                   \
      return -1;                                      \
    }                                                 \
  }
KORVEL_PENDING_COMMAND(XLLbuttonFormatCells000)
KORVEL_PENDING_COMMAND(XLLbuttonIncreaseDecimal)
KORVEL_PENDING_COMMAND(XLLbuttonDecreaseDecimal)
KORVEL_PENDING_COMMAND(XLLbuttonTracePrecedents)
KORVEL_PENDING_COMMAND(XLLbuttonTraceDependents)
KORVEL_PENDING_COMMAND(XLLbuttonRemoveArrows)
KORVEL_PENDING_COMMAND(XLLbuttonTextToNumber)
KORVEL_PENDING_COMMAND(XLLbuttonTextSpaseToNumber)
KORVEL_PENDING_COMMAND(XLLbuttonForm)
KORVEL_PENDING_COMMAND(XLLbuttonConditionalFormatToFormat)
KORVEL_PENDING_COMMAND(XLLbuttonConditionalFormatToFormatAllSheets)
KORVEL_PENDING_COMMAND(XLLbuttonSheets)
KORVEL_PENDING_COMMAND(XLLbuttonErrors)
KORVEL_PENDING_COMMAND(XLLbuttonLinks)
KORVEL_PENDING_COMMAND(XLLbuttonVisibleHiddenName)
KORVEL_PENDING_COMMAND(XLLbuttonDeleteErrorName)
KORVEL_PENDING_COMMAND(XLLbuttonBreakLinksSheet)
