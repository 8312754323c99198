// Number texts between the host's counted UTF-16 strings and the arithmetic library's byte strings, shared
// by the big-integer and big-float worksheet functions.
#pragma once

#include <cstddef>

#include "host/xl_types.h"

namespace korvel::xll {

// Characters of a counted string (element 0); 0 for a null pointer.
inline size_t CountOf(const wchar_t* counted) {
  return counted ? static_cast<unsigned short>(counted[0]) : 0;
}

// Writes the count's low bytes of the units and a terminating zero; `bytes` holds at least count + 1.
void NarrowCounted(char* bytes, const wchar_t* counted);

// A number text may hold only units from U+0001 to U+00FF: a zero would end the library's text early and a
// unit above U+00FF would read as its low byte (U+0431 as "1"), so either makes the text unreadable.
bool NarrowsExactly(const wchar_t* counted);

// Puts a zero-terminated byte string into `record` as its new text: one unit per byte, the byte's own value
// (U+0000 to U+00FF), so a character that came in comes back as it was. Gives 1 and leaves the record as it
// was for a text longer than 32767 bytes; 0 otherwise. The record must own nothing yet.
int CharsToXLStr(XLOPER12* record, const char* text);
// The same with a known length.
int BytesToXLStr(XLOPER12* record, const char* text, size_t length);
// Writes `length` bytes as a counted, terminated text into `buffer` (room for length + 2 units), each byte one
// unit (digits and the separator the caller gave).
void WidenCounted(wchar_t* buffer, const char* bytes, size_t length);

// 0 (an omitted argument) means base 10; any base outside 2 to 36 is refused (0 returned).
int ResolveBase(int base);

}  // namespace korvel::xll
