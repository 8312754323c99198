// What a worksheet holds beside its cells, and the members that reach it: the protection of its contents
// (ProtectContents; while set, writes and arrows fail), its tracer arrows (ShowPrecedents, ShowDependents,
// ClearArrows), the number formats of its cells, FormulaLocal (the cells as a user of the host's local
// language types and reads them) and SpecialCells; and the Application's separators.
#pragma once

#include <string>
#include <vector>

#include "cells/cell_store.h"
#include "object_model/host_object.h"

namespace korvel::standin {

class Application;
class Range;
class Worksheet;

// One tracer arrow as the host drew it: the cell ("$B$2") and the kind ("precedents" or "dependents").
struct TracerArrow {
  std::wstring cell;
  std::wstring kind;
  bool operator==(const TracerArrow& o) const { return cell == o.cell && kind == o.kind; }
};

// The arrows of a sheet, in the order they were drawn.
std::vector<TracerArrow>& ArrowsOf(Worksheet* sheet);
void SetContentsProtected(Worksheet* sheet, bool protect);
bool ContentsProtected(Worksheet* sheet);
// The number format of one cell ("General" unless one was set).
std::wstring NumberFormatAt(Worksheet* sheet, LONG row, LONG column);

// The local-language text of a number: 15 significant digits with a decimal comma.
std::wstring LocalNumberText(double n);
// Reads `text` as a user of the local language types it into the cell: "'" a text, "=" a formula, a local
// number (decimal comma), ИСТИНА or ЛОЖЬ, a date d.m or d.m.yyyy (a serial number, formatted as a date), else
// the text.
void TypeLocal(Worksheet* sheet, LONG row, LONG column, const std::wstring& text);

// The cells of `areas` that hold a formula (-4123) or a constant (2), narrowed by the value kinds (1 numbers,
// 2 texts, 4 booleans, 16 errors) when `kinds` is not 0: per area, each row's runs of matching cells.
Areas MatchingCells(const SheetCells& cells, const Areas& areas, LONG type, LONG kinds);

// The member rows that these add to each family.
void AttachSheetExtras(Worksheet* sheet);
void AttachRangeExtras(Range* range);
void AttachApplicationExtras(Application* application);

}  // namespace korvel::standin
