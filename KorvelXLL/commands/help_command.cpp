// The About box of the menu: the About text with a question, and the product's site opened on OK.
#include <windows.h>
#include <shellapi.h>

#include "host/host_call.h"
#include "host/host_state.h"
#include "startup/about.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// OK and Cancel, information icon, Cancel the default button, topmost.
constexpr UINT kAboutBoxType = MB_OKCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON2 | MB_TOPMOST;
static_assert(kAboutBoxType == 0x40141, "the About box's type");

}  // namespace

// The box is shown in every operating mode and reads no scripted answer: it is a report, not a prompt.
extern "C" int __stdcall XLLbuttonHelp(wchar_t*) {
  try {
    const std::wstring text = AboutText(L"\n\nОткрыть сайт продукта?");
    if (MessageBoxW(GetHostHwnd(), text.c_str(), BuildLine, kAboutBoxType) == IDOK)
      ShellExecuteW(nullptr, L"open", ProductSite, nullptr, nullptr, SW_SHOW);
    return 0;
  } catch (...) {
    return -1;
  }
}
