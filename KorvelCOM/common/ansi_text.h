// Text between BSTRs and the byte strings of the arithmetic library, through the system ANSI code page.
// Text of 7-bit units alone (most numbers, digests of plain text, CSV rows in English) skips the platform's
// converter: every ANSI code page keeps those units as the bytes of the same value, and the converter costs
// more than the digest itself on a long text. A code page that does not keep them keeps the converter.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

namespace korvel {

// The text up to its first U+0000 (a null BSTR is empty), converted with the default flags: best-fit
// mapping, the code page's default character for anything without one.
std::string ToAnsi(const wchar_t* text);
std::string ToAnsi(const wchar_t* text, size_t length);
// ToAnsi of the units before the first U+0000 among the first `length` (a null text is empty), handed to
// `sink` in order in pieces, so that a long text is never held whole in its converted form when it is 7-bit
// (a text with other units is converted whole from its first such unit on). The pieces together are the
// bytes ToAnsi gives.
void ToAnsiInPieces(const wchar_t* text, size_t length, const std::function<void(const char*, size_t)>& sink);
// A new BSTR from bytes of the ANSI code page; throws std::bad_alloc when it cannot be allocated.
BSTR AnsiToBstr(const char* bytes, size_t length);
// The text up to its first U+0000, as a wide string (file names).
std::wstring UpToNul(const wchar_t* text);

// Whether `code_page` (CP_ACP included) converts each of the units 0 to 0x7F to the one byte of the same
// value and back, as one text; the answer for the ANSI code page is asked once per process.
bool KeepsAscii(UINT code_page);
// Writes the leading units of `text` below 0x80 to `out` (room for `length` bytes), one byte each, and
// returns how many there were: `length` when the whole text is 7-bit. U+0000 is one of them.
size_t NarrowAscii(const wchar_t* text, size_t length, char* out);
// NarrowAscii by the plain loop of builds without SSE2 (the 32-bit one), for tests in either build; with
// `stop_at_nul` the run also ends at the first U+0000, as the digests' pieces do.
size_t NarrowAsciiPlainLoop(const wchar_t* text, size_t length, char* out, bool stop_at_nul);
// The same the other way: the leading bytes below 0x80 of `bytes` to `out` as units.
size_t WidenAscii(const char* bytes, size_t length, wchar_t* out);

}  // namespace korvel
