// Two small registered functions: ColorRGB, which gives 0 whatever it is given, and the asynchronous
// MyAsyncUDF, which completes at once with its cell's zero-based row.
#include "host/host_call.h"
#include "host/xl_owners.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" int __stdcall ColorRGB(unsigned short, unsigned short, unsigned short) { return 0; }

// Completes in every case, with #N/A when the caller is no single-area reference: a call the host never saw
// completed would keep its cell waiting.
extern "C" void __stdcall MyAsyncUDF(XLOPER12*, XLOPER12* handle) {
  try {
    if (!handle) return;
    XLOPER12 value{};
    value.xltype = xltypeErr;
    value.val.err = xlerrNA;
    {
      HostResult caller;
      if (Excel12X(xlfCaller, caller.get(), true, nullptr, 0) == xlretSuccess && caller.kind() == xltypeSRef) {
        value.xltype = xltypeNum;
        value.val.num = caller->val.sref.ref.rwFirst;
      }
    }
    HostResult answer;
    Excel12X(xlAsyncReturn, answer.get(), true, nullptr, 2, handle, &value);
  } catch (...) {
  }
}
