// A rectangle of several cells as one range, such as the cells of an array formula. Its cells are the
// sheet's own Range objects.
#pragma once

#include "object_model/ranges.h"

namespace korvel::standin {

class CellBlock : public HostObject {
 public:
  CellBlock(Worksheet* sheet, LONG row, LONG column, LONG rows, LONG columns);
  LONG row() const { return row_; }
  LONG column() const { return column_; }
  LONG rows() const { return rows_; }
  LONG columns() const { return columns_; }

 private:
  Worksheet* sheet_;
  LONG row_, column_, rows_, columns_;
};

}  // namespace korvel::standin
