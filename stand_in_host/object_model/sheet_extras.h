// What a worksheet holds beside its cells, and the members that reach it: the protection of its contents
// (ProtectContents; while set, writes and arrows fail), its tracer arrows (ShowPrecedents, ShowDependents,
// ClearArrows) and the number formats of its cells. AttachRangeExtras also gives each range FormulaLocal
// (local_typing.h), SpecialCells (cells_of_a_kind.h), and Value and Value2 by the cells' number formats
// (cell_value_types.h).
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
void SetNumberFormat(Worksheet* sheet, LONG row, LONG column, const std::wstring& format);
std::wstring NumberFormatAt(Worksheet* sheet, LONG row, LONG column);

// The member rows that these add to each family.
void AttachSheetExtras(Worksheet* sheet);
void AttachRangeExtras(Range* range);
void AttachApplicationExtras(Application* application);

}  // namespace korvel::standin
