// The object-model calls of the menu code, through the dotted-path layer and reported: a failing call has
// shown its box (and put the host back from fast mode) before these give false.
#pragma once

#include <string>
#include <vector>

#include "host/owned_variant.h"
#include "menus/menu_tables.h"

namespace korvel::xll {

// "tagXLLbutton" followed by the row index: the Tag that marks the add-in's controls built from that row.
std::wstring ControlTag(size_t row);

// A row's value at `position`; an empty VARIANT when the row is shorter.
const VARIANT& RowValue(const MenuRow& row, size_t position);
// A row's value at `position` as a number; 0 when absent or not a number.
LONG RowNumber(const MenuRow& row, size_t position);

// Gets `path` from `object` (the Application when null) with `args` joining its last member. True only when
// the call succeeded and gave an object, which `result` then holds.
bool GetObject(const wchar_t* path, VARIANT* object, OwnedVariant& result, std::vector<OwnedVariant> args = {});
// Gets `path` and reads its result as a 32-bit integer.
bool GetNumber(const wchar_t* path, VARIANT* object, LONG& result);
// Calls `path`, discarding its result.
bool CallMember(const wchar_t* path, VARIANT* object, std::vector<OwnedVariant> args = {}, bool quiet = false);
// Puts `member` of `object` to `value`.
bool PutMember(VARIANT& object, const wchar_t* member, const VARIANT& value);

enum class Lookup { kFound, kNone, kFailed };
// "CommandBars.FindControl" (or "CommandBars.FindControls" when `all`) with the kind, Id 0 and `tag`: the
// control (or the collection of controls) in the active window.
Lookup FindControls(bool all, const VARIANT& kind, const std::wstring& tag, OwnedVariant& found);

}  // namespace korvel::xll
