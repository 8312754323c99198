#include "startup/host_application.h"

#include <oleacc.h>

#include <cwchar>

#include "common/com_owners.h"
#include "host/auto_wrap.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "startup/life_cycle.h"

namespace korvel::xll {

BOOL CALLBACK FindExcelWindowProc(HWND window, LPARAM) {
  try {
    wchar_t name[64] = {};
    if (!GetClassNameW(window, name, 64) || _wcsicmp(name, L"EXCEL7") != 0) return TRUE;
    korvel::ComPtr<IDispatch> native;
    if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_NATIVEOM), IID_IDispatch,
                                          native.put_void())) ||
        !native)
      return TRUE;
    OwnedVariant application;
    if (FAILED(AutoWrap(DISPATCH_PROPERTYGET, &application, native.get(), L"Application", 0)) ||
        application.vt != VT_DISPATCH || !application.pdispVal)
      return TRUE;
    IDispatch* found = application.pdispVal;
    found->AddRef();
    if (IDispatch* old = pExcelDisp) old->Release();
    pExcelDisp = found;
    ++StartupCounters[kHostDispatch];
    return FALSE;
  } catch (...) {
    // Nothing may unwind through the system's enumeration.
    return TRUE;
  }
}

void SearchWorkbookWindows() {
  // EnumChildWindows with no parent walks every top-level window of the desktop, other hosts' included.
  HWND host = GetHostHwnd();
  if (!host) return;
  EnumChildWindows(host, &FindExcelWindowProc, 0);
}

void ReachHostApplication() {
  SearchWorkbookWindows();
  if (!pExcelDisp) ReachThroughTemporaryWorkbook();
}

}  // namespace korvel::xll
