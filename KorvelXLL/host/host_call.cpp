#include "host/host_call.h"

#include <cstdarg>
#include <string>

#include "host/fast_mode.h"
#include "host/host_state.h"
#include "host/xl_records.h"

extern "C" __declspec(dllimport) int __stdcall XLCallVer();

namespace korvel::xll {
namespace {

HostCallEntry g_entry = nullptr;
// Filled by the host with an integer at every request for its window; never released.
XLOPER12 g_hwnd_record{};

HostCallEntry LookUpMainModule() {
  HMODULE main = GetModuleHandleW(nullptr);
  return main ? reinterpret_cast<HostCallEntry>(reinterpret_cast<void*>(GetProcAddress(main, "MdCallBack12")))
              : nullptr;
}

void ReleaseHandedOver(XLOPER12* arg) {
  if (arg && (arg->xltype & xlbitDLLFree)) {
    FreeXLOper(arg);
    delete arg;
  }
}

}  // namespace

HostCallEntry BoundHostEntry() {
  if (!g_entry) g_entry = LookUpMainModule();
  return g_entry;
}

void OfferHostEntry(HostCallEntry offered) {
  if (g_entry) return;
  g_entry = LookUpMainModule();
  if (!g_entry) g_entry = offered;
}

}  // namespace korvel::xll

using namespace korvel::xll;

extern "C" int Excel12v(int xlfn, XLOPER12* result, int count, XLOPER12** args) {
  HostCallEntry entry = BoundHostEntry();
  if (!entry) return xlretFailed;
  return entry(xlfn, count, args, result);
}

extern "C" int Excel12(int xlfn, XLOPER12* result, int count, ...) {
  if (count > kMaxXlArgs) return xlretInvCount;
  if (!BoundHostEntry()) return xlretFailed;
  XLOPER12* args[kMaxXlArgs];
  va_list ap;
  va_start(ap, count);
  for (int i = 0; i < count; ++i) args[i] = va_arg(ap, XLOPER12*);
  va_end(ap);
  return Excel12v(xlfn, result, count < 0 ? 0 : count, args);
}

extern "C" HWND GetHostHwnd() {
  if (Excel12(xlGetHwnd, &g_hwnd_record, 0) != xlretSuccess) return nullptr;
  if ((g_hwnd_record.xltype & ~(xlbitXLFree | xlbitDLLFree)) != xltypeInt) return nullptr;
  return reinterpret_cast<HWND>(static_cast<INT_PTR>(g_hwnd_record.val.w));
}

extern "C" int HostCallVersion() { return XLCallVer(); }

extern "C" int Excel12X(int xlfn, XLOPER12* result, bool quiet, const std::vector<XLOPER12*>* args, int count,
                        ...) {
  FreeXLOper(result);
  std::vector<XLOPER12*> variadic;
  if (!args && count > 0) {
    variadic.reserve(count);
    va_list ap;
    va_start(ap, count);
    for (int i = 0; i < count; ++i) variadic.push_back(va_arg(ap, XLOPER12*));
    va_end(ap);
  }
  const std::vector<XLOPER12*>& used = args ? *args : variadic;
  int rc;
  if (used.size() > static_cast<size_t>(kMaxXlArgs))
    rc = xlretInvCount;
  else
    rc = Excel12v(xlfn, result, static_cast<int>(used.size()),
                  used.empty() ? nullptr : const_cast<XLOPER12**>(used.data()));
  for (XLOPER12* arg : used) ReleaseHandedOver(arg);
  if (rc != xlretSuccess) {
    RestoreHostBeforeReport();
    if (!quiet) {
      std::wstring text = L"Excel12X>ERROR:" + std::to_wstring(rc) + L">Function:" + std::to_wstring(xlfn);
      MessageBoxW(GetHostHwnd(), text.c_str(), ProductTitle, MB_ICONHAND | MB_TOPMOST);
    }
  }
  if (result) {
    // Only a record that the host filled goes back to the host: after a failure it holds nothing of the
    // host's, and flagging it would hand the host memory it never gave.
    if (rc == xlretSuccess)
      result->xltype |= xlbitXLFree;
    else
      *result = XLOPER12{{}, xltypeMissing};
  }
  return rc;
}
