// Constructors and the release routine of the host's value records. Records that the add-in allocates come
// from this library's free store and go back to it; records that the host filled go back through xlFree.
#pragma once

#include <string>

#include "host/xl_types.h"

namespace korvel::xll {

// Every string record that the add-in makes owns a buffer of this many units: count, 32767 characters, zero.
constexpr int kXlStrBufferUnits = kMaxXlChars + 2;

// Room for a short text (count, characters, zero) in the same block as its record, right after it: a result
// and its text are then one trip to the runtime's heap, whose single lock the host's calculation threads
// otherwise queue on twice per cell.
constexpr size_t kRoomTextUnits = 240;

// A new number record flagged xlbitDLLFree with room for a short text after it; null when memory is short.
// Released through DeleteRoomRecord, or through DeleteXLRecord once its text is in its room; a copy of it
// must not be released on its own.
XLOPER12* NewXLNumWithTextRoom(double value);
// Releases what a record made by NewXLNumWithTextRoom owns, then keeps it as a spare for the next one (or
// gives it back to the heap). Throws nothing.
void DeleteRoomRecord(XLOPER12* record) noexcept;
// Gives the spare records that wait for the next results back to the heap: at unload, and before a count of
// the heap's blocks that must not depend on which threads handed results back earlier.
void ReleaseSpareRecords() noexcept;
// The text room of a record made by NewXLNumWithTextRoom (kRoomTextUnits units).
inline wchar_t* TextRoomOf(XLOPER12* record) { return reinterpret_cast<wchar_t*>(record + 1); }

}  // namespace korvel::xll

extern "C" {
// Releases what the record owns, then the record: for every record that the add-in allocated. Throws nothing.
void DeleteXLRecord(korvel::xll::XLOPER12* record) noexcept;
}

extern "C" {
// New string record flagged xlbitDLLFree, or null when memory is short. Texts beyond 32767 characters are cut.
korvel::xll::XLOPER12* NewXLStr(const wchar_t* text);
// The same from a wide string, which is emptied and its storage freed in every case.
korvel::xll::XLOPER12* NewXLStrFromWString(std::wstring& text);
// New array record of rows x columns elements, each missing, flagged xlbitDLLFree; null when memory is short.
korvel::xll::XLOPER12* NewXLArray(int rows, int columns);
// New multi-area reference with `count` empty areas, flagged xlbitDLLFree; null when memory is short.
korvel::xll::XLOPER12* NewXLAreaRef(int count, korvel::xll::XlSheetId sheet);
// Cells of a reference; 0 for anything else.
long long CellCount(const korvel::xll::XLOPER12* record);
// Releases what the record owns and leaves it missing. Host-filled records go back through xlFree.
void FreeXLOper(korvel::xll::XLOPER12* record);
}
