// CSV worksheet functions. Not built yet: each gives its failure value, #VALUE!.
#include "functions/result_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" {
XLOPER12* __stdcall GetRowsCountCSVansi(wchar_t*, int) { return NewErrorResult(xlerrValue); }
XLOPER12* __stdcall GetRowCSVansi(wchar_t*, int, int) { return NewErrorResult(xlerrValue); }
XLOPER12* __stdcall FindRowsInCSVansi(wchar_t*, char*, short*, int) { return NewErrorResult(xlerrValue); }
}
