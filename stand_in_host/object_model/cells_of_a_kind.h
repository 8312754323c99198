// Range.SpecialCells for the cells that hold formulas (-4123) or constants (2), narrowed by the value kinds
// (1 numbers, 2 texts, 4 booleans, 16 errors); of one cell, over the sheet's used range.
#pragma once

#include "cells/cell_store.h"

namespace korvel::standin {

class Range;

// The matching cells of `areas`: per area, each row's runs of matching cells, in order. `kinds` 0 is every kind.
Areas MatchingCells(const SheetCells& cells, const Areas& areas, LONG type, LONG kinds);

void DefineSpecialCells(Range* range);

}  // namespace korvel::standin
