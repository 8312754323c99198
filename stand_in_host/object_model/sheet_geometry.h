// Where a worksheet's rows and columns lie on the page, as the host lays them out: every row 15 points high
// and every column 48 points wide unless set otherwise. A hidden row (hidden by the user, or by a table's
// filter, which hides rows the same way) is 0 points high and a column of zero width is hidden, so the next
// row or column starts where the hidden one starts. What stands under a point (a shape's TopLeftCell) is the
// first row and column there that is not hidden. The range members of this layout: Left, Top, Width, Height,
// RowHeight, ColumnWidth, Hidden, EntireRow, EntireColumn.
#pragma once

#include <functional>

#include "cells/cell_store.h"

namespace korvel::standin {

class Range;
class Worksheet;

// The stand-in's standard row height and column width in points, and the standard width in characters as
// ColumnWidth gives it.
constexpr double kStandardRowHeight = 15.0;
constexpr double kStandardColumnWidth = 48.0;
constexpr double kStandardColumnCharacters = 8.43;

void SetRowHidden(Worksheet* sheet, LONG row, bool hidden);
// Zero width, as ColumnWidth = 0 gives it.
void SetColumnHidden(Worksheet* sheet, LONG column, bool hidden);
// A table's filter on its `field`-th column: of the rows below the table's header row, those whose value
// there `shown` refuses are hidden; a filter set before on the sheet is lifted first. ClearFilter shows every
// row a filter hid (rows the user hid stay hidden).
void FilterTable(Worksheet* sheet, const Area& table, LONG field, const std::function<bool(const CellValue&)>& shown);
void ClearFilter(Worksheet* sheet);

// Positions and sizes in points, rows and columns counted from 1; the first line starts at 0.
double RowTop(const Worksheet* sheet, LONG row);
double RowHeightOf(const Worksheet* sheet, LONG row);
double ColumnLeft(const Worksheet* sheet, LONG column);
double ColumnWidthOf(const Worksheet* sheet, LONG column);
// The row (column) under a point: the first that is not hidden and reaches past it; the sheet's last one for a
// point beyond it, the first for one before 0.
LONG RowAt(const Worksheet* sheet, double top);
LONG ColumnAt(const Worksheet* sheet, double left);

// The range's members of the layout.
void DefineGeometryMembers(Range* range);

}  // namespace korvel::standin
