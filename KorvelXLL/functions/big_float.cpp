// Big-float worksheet functions. Not built yet: each gives its failure value, the number 0.
#include "functions/result_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" {
XLOPER12* __stdcall SumFloat(XLOPER12*, wchar_t*, int, wchar_t*) { return NewNumberResult(0); }
XLOPER12* __stdcall MultiplyFloat(XLOPER12*, wchar_t*, int, wchar_t*) { return NewNumberResult(0); }
XLOPER12* __stdcall SubtractFloat(wchar_t*, wchar_t*, int, wchar_t*) { return NewNumberResult(0); }
XLOPER12* __stdcall DivideFloat(wchar_t*, wchar_t*, int, wchar_t*) { return NewNumberResult(0); }
XLOPER12* __stdcall PowerFloat(wchar_t*, int, int, wchar_t*) { return NewNumberResult(0); }
XLOPER12* __stdcall RootFloat(wchar_t*, int, wchar_t*) { return NewNumberResult(0); }
}
