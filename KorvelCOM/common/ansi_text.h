// Text between BSTRs and the byte strings of the arithmetic library, through the system ANSI code page.
#pragma once

#include <windows.h>

#include <string>

namespace korvel {

// The text up to its first U+0000 (a null BSTR is empty), converted with the default flags: best-fit
// mapping, the code page's default character for anything without one.
std::string ToAnsi(const wchar_t* text);
std::string ToAnsi(const wchar_t* text, size_t length);
// A new BSTR from bytes of the ANSI code page; throws std::bad_alloc when it cannot be allocated.
BSTR AnsiToBstr(const char* bytes, size_t length);
// The text up to its first U+0000, as a wide string (file names).
std::wstring UpToNul(const wchar_t* text);

}  // namespace korvel
