// A cell's value as the object model hands it over: VARIANTs in both directions, and the text of a cell's
// formula. A value put as text is read as the host reads a typed entry (a number, TRUE/FALSE, "=" a formula,
// "'" a text kept as it is).
#pragma once

#include "cells/cell_store.h"
#include "object_model/host_object.h"

namespace korvel::standin {

OwnedVariant ToVariant(const CellValue& value);
// The cell's error value as the object model gives it: VT_ERROR 0x800A0000 + 2000 + code (#N/A is 2042).
SCODE CellErrorCode(int code);
// Writes what `v` puts into the cell; false for a kind no cell holds (objects, arrays). A formula is
// calculated at once when `calculate` (the host's automatic calculation) is set.
bool PutVariant(SheetCells& cells, LONG row, LONG column, const VARIANT& v, bool calculate);
// What Formula reads: the formula of a formula cell, else the constant as the host writes it ("12", "TRUE",
// "#N/A"), empty for an empty cell.
std::wstring FormulaText(const Cell* cell);
std::wstring NumberText(double n);
std::wstring ErrorText(int code);

}  // namespace korvel::standin
