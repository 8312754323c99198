// Eight menu commands whose work comes with a later version of the library: each only says so. The box is a
// notice, not a prompt: no scripted answer, operating mode or clock has a say over it.
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

int LaterVersionNotice() {
  ShowBox(kInformationBox, L"Этот функционал добавится начиная с версии библиотеки: 2.1.0.0");
  return 0;
}

}  // namespace

#define KORVEL_LATER_VERSION_COMMAND(name) \
  extern "C" int __stdcall name(wchar_t*) { \
    try {                                   \
      return LaterVersionNotice();          \
    } catch (...) {                         \
      return -1;                            \
    }                                       \
  }
KORVEL_LATER_VERSION_COMMAND(XLLbuttonForm)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonIncreaseDecimal)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonDecreaseDecimal)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonLinks)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonTextSpaseToNumber)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonConditionalFormatToFormatAllSheets)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonErrors)
KORVEL_LATER_VERSION_COMMAND(XLLbuttonConditionalFormatToFormat)
#undef KORVEL_LATER_VERSION_COMMAND
