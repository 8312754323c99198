// Text filter worksheet functions. Not built yet: each gives a null pointer (never its argument unchanged).
#include "startup/exports.h"

extern "C" {
wchar_t* __stdcall RusLetter(wchar_t*) { return nullptr; }
wchar_t* __stdcall DigitXLL(wchar_t*) { return nullptr; }
wchar_t* __stdcall FilterUnicodeChar(wchar_t*, wchar_t*, wchar_t*) { return nullptr; }
wchar_t* __stdcall TrimXLL(wchar_t*) { return nullptr; }
XLOPER12* __stdcall TrimXLL2(const wchar_t*) { return nullptr; }
}
