// Cells of a worksheet.
#pragma once

#include "object_model/host_object.h"

namespace korvel::standin {

class Worksheet;

// A cell's address as the host writes it: "$B$10".
std::wstring A1Address(LONG row, LONG column);

class Range : public HostObject {
 public:
  Range(Worksheet* sheet, LONG row, LONG column);
  LONG row() const { return row_; }
  LONG column() const { return column_; }

 private:
  LONG row_;
  LONG column_;
  korvel::ComPtr<HostObject> interior_;
};

}  // namespace korvel::standin
