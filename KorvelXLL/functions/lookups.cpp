// Lookup worksheet functions. Not built yet: each gives its failure value, #N/A.
#include "functions/result_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" {
XLOPER12* __stdcall VlookupXLL(XLOPER12*, XLOPER12*, XLOPER12*) { return NewErrorResult(xlerrNA); }
XLOPER12* __stdcall VLOOKUP3(XLOPER12*, XLOPER12*, XLOPER12*) { return NewErrorResult(xlerrNA); }
}
