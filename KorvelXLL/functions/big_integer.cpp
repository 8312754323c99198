// Big-integer worksheet functions. Not built yet: each gives its failure value, the number 0.
#include "functions/result_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

extern "C" {
XLOPER12* __stdcall SumInteger(XLOPER12*, wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall MultiplyInteger(XLOPER12*, wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall SubtractInteger(wchar_t*, wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall DivideInteger(wchar_t*, wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall ModInteger(wchar_t*, wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall PowerInteger(wchar_t*, int, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall ConvertBaseInteger(wchar_t*, int, int) { return NewNumberResult(0); }
XLOPER12* __stdcall FactorialInteger(int, int) { return NewNumberResult(0); }
wchar_t* __stdcall SumInteger2(XLOPER12*, wchar_t*, int, int) { return nullptr; }
}
