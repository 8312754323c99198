// Two small registered functions: ColorRGB, which gives 0 whatever it is given, and the asynchronous
// MyAsyncUDF.
#include "host/host_call.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" int __stdcall ColorRGB(unsigned short, unsigned short, unsigned short) { return 0; }

// Not built yet: completes at once with #N/A, so that the host never waits for a result that does not come.
extern "C" void __stdcall MyAsyncUDF(XLOPER12*, XLOPER12* handle) {
  if (!handle) return;
  XLOPER12 value{};
  value.xltype = xltypeErr;
  value.val.err = xlerrNA;
  Excel12(xlAsyncReturn, nullptr, 2, handle, &value);
}
